#pragma once

#include <QDialog>
#include <QStringList>

namespace lumora {

// A borderless pop-up of a few lines of text, black and bold in the system
// font, centred on the screen. It holds the mouse while it is up and goes on
// any key or click, or when another window takes the focus.
class TRopWin : public QDialog {
    Q_OBJECT
public:
    explicit TRopWin(QWidget* parent = nullptr);

    QStringList Lines() const { return lines_; }
    void setLines(const QStringList& lines);

    // Shows the text modally until the user dismisses it.
    void Execute();

    // The text's own size, without the margin around it.
    QSize textSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QStringList lines_;
    bool wasActive_ = false;
    bool grabbing_ = false;
};

}  // namespace lumora
