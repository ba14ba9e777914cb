#pragma once

#include <QCheckBox>

namespace lumora {

// A check box whose caption wraps onto as many lines as its width needs, the
// box beside the middle of the text, as a multi-line check box of the desktop.
class TWrappedCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TWrappedCheckBox(const QString& caption, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    // Where the caption goes for a box of that width: right of the indicator.
    QRect textRect(int width, int height) const;
    int indicatorSpace() const;
};

}  // namespace lumora
