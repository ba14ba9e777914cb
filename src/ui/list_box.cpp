#include "ui/list_box.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace lumora {

TListBox::TListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QStringList TListBox::Items() const {
    QStringList items;
    items.reserve(count());
    for (int i = 0; i < count(); ++i)
        items << item(i)->text();
    return items;
}

void TListBox::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        emit Click();
}

void TListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        emit DblClick();
}

void TListBox::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() >= 0 && currentRow() != before)
        emit Click();
}

}  // namespace lumora
