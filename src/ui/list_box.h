#pragma once

#include <QListWidget>
#include <QStringList>

namespace lumora {

// A list of texts whose Click reports only what the user picks: a click on an
// entry, also on the one already selected, or a key that moves the selection.
// Selecting from code does not report.
class TListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    QStringList Items() const;
    void setItems(const QStringList& items);
    // Row of the selected entry, -1 for none; setting it does not report Click.
    int ItemIndex() const { return currentRow(); }
    void setItemIndex(int index);

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace lumora
