#pragma once

#include <QListWidget>
#include <QStringList>

namespace lumora {

// A list of texts that tells the user's picks from selection by code: Click
// comes for a click on an entry, also on the one already selected, or a key
// that moves the selection, never for a selection set from code; DblClick
// for a double-click on an entry.
class TListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    // The texts of all entries, in order.
    QStringList Items() const;
    void setItems(const QStringList& items);
    // Row of the selected entry, -1 for none; setting it does not report Click.
    int ItemIndex() const { return currentRow(); }
    void setItemIndex(int index);
    // Where the selection goes when its entry moves.
    enum class SelectionAfterMove { FollowsEntry, StaysOnRow };
    // Moves the selected entry by step places; false, and nothing moves, when
    // nothing is selected or the entry would leave the list.
    bool moveSelectedItem(int step, SelectionAfterMove selection);

signals:
    void Click();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace lumora
