#include "ui/list_box.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace lumora {

TListBox::TListBox(QWidget* parent) : QListWidget(parent) {
    // Long lists of equal rows lay out at once.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QStringList TListBox::Items() const {
    QStringList items;
    items.reserve(count());
    for (int row = 0; row < count(); ++row)
        items << item(row)->text();
    return items;
}

void TListBox::setItems(const QStringList& items) {
    clear();
    addItems(items);
}

void TListBox::setItemIndex(int index) {
    setCurrentRow(index >= 0 && index < count() ? index : -1);
}

bool TListBox::moveSelectedItem(int step, SelectionAfterMove selection) {
    const int row = currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= count())
        return false;
    insertItem(target, takeItem(row));
    setItemIndex(selection == SelectionAfterMove::FollowsEntry ? target : row);
    return true;
}

void TListBox::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit Click();
}

void TListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit DblClick();
}

void TListBox::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() >= 0 && currentRow() != before)
        emit Click();
}

}  // namespace lumora
