// What a screen reader finds in every window of the program: each control
// that takes input has a name, and every visible menu command a caption.

#include "support/program.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTextEdit>

namespace lumora {
namespace {

using test::ProgramTest;

// Parts of Qt's compound controls (a combo box's edit, a tab bar's scroll
// arrows, a view's scroll bars and header, the overflow arrows of bars) are
// named by the control they belong to.
bool partOfCompound(const QWidget* widget, const QWidget* window) {
    if (qobject_cast<const QScrollBar*>(widget) || qobject_cast<const QHeaderView*>(widget) ||
        widget->objectName().startsWith(QLatin1String("qt_")))
        return true;
    for (const QWidget* up = widget->parentWidget(); up && up != window; up = up->parentWidget())
        if (qobject_cast<const QComboBox*>(up) || qobject_cast<const QAbstractSpinBox*>(up) ||
            qobject_cast<const QTabBar*>(up) || qobject_cast<const QMenu*>(up))
            return true;
    return false;
}

// Hidden controls that only hold values; no one ever sees them.
bool valueHolder(const QWidget* widget, const QWidget* window) {
    static const QSet<QString> holders{
        QStringLiteral("Form1/Edit2"),  QStringLiteral("Form1/Edit3"),
        QStringLiteral("Form4/Edit1"),  QStringLiteral("Form4/Memo2"),
        QStringLiteral("Form16/Edit2"), QStringLiteral("Form15/I")};
    return widget->isHidden() &&
           holders.contains(window->objectName() + u'/' + widget->objectName());
}

bool takesInput(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QAbstractSlider*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           (widget->focusPolicy() & Qt::TabFocus);
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name).trimmed() : QString();
}

// The program's windows; pop-up menus are reached through their commands.
QList<QWidget*> programWindows() {
    QList<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (!qobject_cast<QMenu*>(window))
            windows.append(window);
    return windows;
}

TEST_F(ProgramTest, EveryControlOfEveryWindowHasANameForScreenReaders) {
    const QList<QWidget*> windows = programWindows();
    ASSERT_GE(windows.size(), 15);
    int checked = 0;
    for (QWidget* window : windows) {
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (!takesInput(widget) || partOfCompound(widget, window) ||
                valueHolder(widget, window))
                continue;
            ++checked;
            EXPECT_FALSE(accessibleName(widget).isEmpty())
                << window->objectName().toStdString() << " > " << widget->objectName().toStdString()
                << " (" << widget->metaObject()->className() << ")";
        }
    }
    EXPECT_GT(checked, 100);
}

// Returns how many commands it looked at.
int expectCaptions(const QList<QAction*>& actions, const QString& where) {
    int seen = 0;
    for (QAction* action : actions) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        ++seen;
        EXPECT_FALSE(action->text().remove(u'&').trimmed().isEmpty())
            << where.toStdString() << " > " << action->objectName().toStdString();
        if (QMenu* sub = action->menu())
            seen += expectCaptions(sub->actions(), where + QStringLiteral(" > ") + action->text());
    }
    return seen;
}

TEST_F(ProgramTest, EveryVisibleMenuCommandHasACaption) {
    int seen = 0;
    for (QWidget* window : programWindows()) {
        for (QMenuBar* bar : window->findChildren<QMenuBar*>())
            seen += expectCaptions(bar->actions(), window->objectName());
        for (QMenu* popup : window->findChildren<QMenu*>())
            seen += expectCaptions(popup->actions(), window->objectName());
    }
    EXPECT_GT(seen, 60);
}

}  // namespace
}  // namespace lumora
