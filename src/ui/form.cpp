#include "ui/form.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QScreen>

namespace lumora {

bool becomesActiveForm(QWidget* window) {
    static QPointer<QWidget> active;
    if (active == window)
        return false;
    active = window;
    return true;
}

QAction* addKeyCommand(QMenu* menu, const char* name, const QString& caption, Qt::Key key) {
    auto* action = named(new QAction(caption, menu), name);
    // An action that lives only in a pop-up menu never fires by a shortcut
    // of widget context.
    action->setShortcut(QKeySequence(key));
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setShortcutVisibleInContextMenu(true);
    menu->addAction(action);
    return action;
}

void centreOnScreen(QWidget* window) {
    if (const QScreen* screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

QScreen* mainWindowScreen() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(window) && window->isVisible())
            return window->screen();
    return QGuiApplication::primaryScreen();
}

void centreOnMainWindowScreen(QWidget* window) {
    if (QScreen* screen = mainWindowScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

void connectCommand(QObject* window, const char* name, std::function<void()> run) {
    const QString objectName = QLatin1String(name);
    // Qt flips a checkable command's mark before the handler runs; the
    // handler decides the mark from the state it had.
    if (auto* action = window->findChild<QAction*>(objectName)) {
        QObject::connect(action, &QAction::triggered, window, [action, run](bool checked) {
            if (action->isCheckable())
                action->setChecked(!checked);
            guarded(run);
        });
        return;
    }
    if (auto* button = window->findChild<QAbstractButton*>(objectName)) {
        QObject::connect(button, &QAbstractButton::clicked, window, [button, run](bool checked) {
            if (button->isCheckable())
                button->setChecked(!checked);
            guarded(run);
        });
        return;
    }
    qFatal("connectCommand: %s has no command named %s", qPrintable(window->objectName()), name);
}

void TDialogForm::setCancelButton(QAbstractButton* button) {
    cancelButton_ = button;
}

void TDialogForm::keyPressEvent(QKeyEvent* event) {
    if (!event->matches(QKeySequence::Cancel)) {
        TFormBase::keyPressEvent(event);
        return;
    }
    event->accept();
    if (cancelButton_ && cancelButton_->isVisible() && cancelButton_->isEnabled())
        cancelButton_->click();
}

}  // namespace lumora
