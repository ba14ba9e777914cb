#pragma once

#include <QListWidget>

namespace lumora {

// A list of texts that tells apart the user's picks from selection by code:
// Click comes for a click on an entry or a key that moves the selection,
// never for setCurrentRow(); DblClick for a double-click on an entry.
class TListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    // The texts of all entries, in order.
    QStringList Items() const;

signals:
    void Click();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace lumora
