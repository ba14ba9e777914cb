#pragma once

// What a person would see wrong in a laid-out window, found from the widgets:
// a control reaching out of its parent, a caption that does not fit its
// control, two controls over each other; and controls a screen reader could
// not name. Header-only, for tests and the real-window checks alike.

#include "ui/wrapped_check_box.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace lumora::test {

inline QString describeWidget(const QWidget* widget) {
    QString name = widget->objectName();
    if (name.isEmpty()) {
        if (auto* label = qobject_cast<const QLabel*>(widget))
            name = QStringLiteral("label \"%1\"").arg(label->text().left(30));
        else if (auto* button = qobject_cast<const QAbstractButton*>(widget))
            name = QStringLiteral("button \"%1\"").arg(button->text());
        else
            name = QString::fromLatin1(widget->metaObject()->className());
    }
    return name;
}

// A Qt control's own parts (a list's viewport, a combo box's button) are the
// control's business, not the window's layout.
inline bool isCompositeControl(const QWidget* widget) {
    return qobject_cast<const QAbstractScrollArea*>(widget) ||
           qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractSlider*>(widget) ||
           qobject_cast<const QLineEdit*>(widget);
}

inline bool partOfComposite(const QWidget* widget, const QWidget* root) {
    for (const QWidget* up = widget->parentWidget(); up && up != root; up = up->parentWidget())
        if (isCompositeControl(up))
            return true;
    return false;
}

// "" when `needed` fits into `size`, else what is missing.
inline QString shortfall(QSize needed, QSize size) {
    if (needed.width() <= size.width() && needed.height() <= size.height())
        return {};
    return QStringLiteral("needs %1 x %2, has %3 x %4")
        .arg(needed.width())
        .arg(needed.height())
        .arg(size.width())
        .arg(size.height());
}

// Whether the widget's text has the room it needs.
inline QString cutText(const QWidget* widget) {
    const QSize size = widget->size();
    if (auto* wrapped = qobject_cast<const TWrappedCheckBox*>(widget))
        return shortfall(
            {wrapped->minimumSizeHint().width(), wrapped->heightForWidth(size.width())}, size);
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->text().isEmpty())
            return {};
        return shortfall(
            label->wordWrap() ? QSize(0, label->heightForWidth(size.width())) : label->sizeHint(),
            size);
    }
    if (qobject_cast<const QGroupBox*>(widget))
        return shortfall(widget->minimumSizeHint(), size);
    if (qobject_cast<const QAbstractButton*>(widget))
        return shortfall(widget->sizeHint(), size);
    return {};
}

// Faults of the visible widgets below `root`. Widgets for which `background`
// says true (a picture under the controls) may lie under others.
template <class Background>
QStringList layoutFaults(QWidget* root, Background background) {
    QStringList faults;
    const QList<QWidget*> all = root->findChildren<QWidget*>();
    for (QWidget* widget : all) {
        if (!widget->isVisibleTo(root) || widget->isWindow())
            continue;
        if (partOfComposite(widget, root))
            continue;
        QWidget* parent = widget->parentWidget();
        if (!parent->rect().contains(widget->geometry()))
            faults << QStringLiteral("%1 reaches out of %2")
                          .arg(describeWidget(widget), describeWidget(parent));
        if (const QString cut = cutText(widget); !cut.isEmpty())
            faults << QStringLiteral("%1 is cut: %2").arg(describeWidget(widget), cut);
        if (background(widget))
            continue;
        for (QWidget* sibling : all) {
            if (sibling == widget || sibling->parentWidget() != parent ||
                !sibling->isVisibleTo(root) || background(sibling) || sibling->isWindow())
                continue;
            // Each pair once.
            if (all.indexOf(sibling) < all.indexOf(widget))
                continue;
            if (widget->geometry().intersects(sibling->geometry()))
                faults << QStringLiteral("%1 overlaps %2")
                              .arg(describeWidget(widget), describeWidget(sibling));
        }
    }
    return faults;
}

// Visible controls below `root` that a screen reader would find without a name.
inline QStringList unnamedControls(QWidget* root) {
    QStringList unnamed;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(root))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible)
            continue;
        switch (accessible->role()) {
            case QAccessible::PushButton:
            case QAccessible::CheckBox:
            case QAccessible::RadioButton:
            case QAccessible::ButtonMenu:
            case QAccessible::ButtonDropDown:
            case QAccessible::PageTab:
            case QAccessible::EditableText:
            case QAccessible::List:
            case QAccessible::ComboBox:
            case QAccessible::ScrollBar:
            case QAccessible::Slider:
            case QAccessible::Graphic:
                if (partOfComposite(widget, root))
                    continue;
                if (accessible->text(QAccessible::Name).trimmed().isEmpty())
                    unnamed << describeWidget(widget);
                break;
            default:
                break;
        }
    }
    return unnamed;
}

// Everything a person or a screen reader would find wrong in the window.
template <class Background>
QStringList windowFaults(QWidget* root, Background background) {
    QStringList faults = layoutFaults(root, background);
    for (const QString& control : unnamedControls(root))
        faults << control + QStringLiteral(" has no accessible name");
    return faults;
}

}  // namespace lumora::test
