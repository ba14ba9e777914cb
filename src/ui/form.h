#pragma once

#include "platform/application.h"
#include "platform/refresh_pacer.h"

#include <QCloseEvent>
#include <QDialog>
#include <QEvent>
#include <QHideEvent>
#include <QMainWindow>
#include <QPointer>
#include <QShowEvent>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

class QAbstractButton;
class QAction;
class QKeyEvent;
class QMenu;
class QScreen;

namespace lumora {

// Gives a control its design name: tests, the settings and the language
// table find controls by it.
template <class Object>
Object* named(Object* object, const char* name) {
    object->setObjectName(QLatin1String(name));
    return object;
}

// Runs `run`, guarded, when the user uses the command of that object name
// among window's children: a menu item's trigger or a button's click. A
// checkable command keeps its state: only its handler sets the mark.
void connectCommand(QObject* window, const char* name, std::function<void()> run);

template <class Window>
void connectCommand(Window* window, const char* name, void (Window::*handler)()) {
    connectCommand(static_cast<QObject*>(window), name,
                   [window, handler] { (window->*handler)(); });
}

// Runs a window's handler, guarded, on a signal of one of its parts.
template <class Sender, class Signal, class Window>
void connectHandler(Sender* sender, Signal signal, Window* window, void (Window::*handler)()) {
    QObject::connect(sender, signal, window,
                     [window, handler] { guarded([window, handler] { (window->*handler)(); }); });
}

// Adds a command to a pop-up menu that shows key beside its caption while the
// window's own key handler acts on the key: the action never fires by its
// shortcut, so each key press acts once.
QAction* addKeyCommand(QMenu* menu, const char* name, const QString& caption, Qt::Key key);

// Whether window becoming active makes it the program's active window: true
// when activation comes from another of the program's windows (or none yet),
// false when the user only comes back from another program.
bool becomesActiveForm(QWidget* window);

// Centres window on its screen, not on the window that opened it.
void centreOnScreen(QWidget* window);

// The screen that holds the program's main window (its one QMainWindow), where
// the full-screen windows open; the primary screen while it is not shown.
QScreen* mainWindowScreen();
// Moves a window that is about to show to the middle of that screen.
void centreOnMainWindowScreen(QWidget* window);

// What a window's settings storage needs to hear of the window's life.
class FormLifecycleHooks {
public:
    virtual ~FormLifecycleHooks() = default;
    virtual void formShowing() = 0;     // before the window becomes visible
    virtual void formClosed() = 0;      // an allowed close
    virtual void formDestroying() = 0;  // the window is going away
};

// Base of every window: the design's events (show, activate, close query)
// as virtual handlers, run guarded, and the hooks of its settings storage.
template <class QtBase>
class TFormBase : public QtBase {
public:
    using QtBase::QtBase;

    ~TFormBase() override {
        if (hooks_)
            guarded([this] { hooks_->formDestroying(); });
    }

    void setLifecycleHooks(FormLifecycleHooks* hooks) { hooks_ = hooks; }

    void setVisible(bool visible) override {
        if (visible && !this->isVisible())
            storageShowing();
        QtBase::setVisible(visible);
    }

    // The design's creation handler, run once by the start-up sequence after
    // the window was created and registered, so it may reach earlier windows.
    virtual void FormCreate() {}

protected:
    // A timer that only refreshes this window's own labels and enabled states:
    // it runs while the window is visible, ticks once as the window shows and
    // is paced by the user's activity (RefreshPacer).
    void runWhileVisible(QTimer* timer, std::function<void()> tick) {
        RefreshPacer::instance().add(timer);
        QObject::connect(timer, &QTimer::timeout, this, [tick] { guarded(tick); });
        refreshTimers_.emplace_back(timer, std::move(tick));
    }

    virtual void FormShow() {}
    virtual void FormActivate() {}
    virtual void FormCloseQuery(bool& canClose) {}

    // The storage reads the window's section as the window is about to show.
    void storageShowing() {
        if (hooks_)
            guarded([this] { hooks_->formShowing(); });
    }

    // The window's own show handlers: FormShow, then each refresh timer
    // ticks once (and runs from then on when startTimers).
    void runShowHandlers(bool startTimers) {
        guarded([this] { FormShow(); });
        for (auto& [timer, tick] : refreshTimers_) {
            if (startTimers)
                timer->start();
            guarded(tick);
        }
    }

    // An allowed close: the storage writes the window's section.
    bool closeAllowed() {
        bool canClose = true;
        guarded([&] { FormCloseQuery(canClose); });
        if (canClose && hooks_)
            guarded([this] { hooks_->formClosed(); });
        return canClose;
    }

    void showEvent(QShowEvent* event) override {
        QtBase::showEvent(event);
        if (event->spontaneous())
            return;
        runShowHandlers(true);
    }

    void hideEvent(QHideEvent* event) override {
        QtBase::hideEvent(event);
        if (event->spontaneous())
            return;
        for (auto& entry : refreshTimers_)
            entry.first->stop();
    }

    void changeEvent(QEvent* event) override {
        QtBase::changeEvent(event);
        if (event->type() == QEvent::ActivationChange && this->isActiveWindow() &&
            becomesActiveForm(this))
            guarded([this] { FormActivate(); });
    }

private:
    FormLifecycleHooks* hooks_ = nullptr;
    std::vector<std::pair<QTimer*, std::function<void()>>> refreshTimers_;
};

// A window that is not a dialog: its close passes through the close query.
template <class QtBase>
class TWindowForm : public TFormBase<QtBase> {
public:
    using TFormBase<QtBase>::TFormBase;

protected:
    void closeEvent(QCloseEvent* event) override {
        if (this->closeAllowed())
            event->accept();
        else
            event->ignore();
    }
};

// A plain top-level window.
using TForm = TWindowForm<QWidget>;
// The main window.
using TMainForm = TWindowForm<QMainWindow>;

// A dialog. Ending it with a modal result, closing it with its close box or
// closing it while hidden all pass through the close query.
class TDialogForm : public TFormBase<QDialog> {
public:
    using TFormBase::TFormBase;

    // Shows the window modally and returns its modal result.
    int ShowModal() { return exec(); }

    // A window with a dialog border opens at its design client size and
    // cannot be resized; a stored placement gives it only its position.
    void setDesignClientSize(int width, int height) { setFixedSize(width, height); }

    void done(int result) override {
        if (closeAllowed())
            QDialog::done(result);
    }

    // Close() of the design: also for a hidden window, which still writes its settings.
    void Close() { done(QDialog::Rejected); }

    // The design's Cancel button, which Escape clicks. A dialog without one
    // ignores Escape: it is left by its own buttons, which may record or
    // apply something on the way out.
    void setCancelButton(QAbstractButton* button);

    // Does what showing the window does for its settings storage, which reads
    // the window's section, and for its show handlers, then runs `handler`,
    // which closes it again; the window never reaches the screen.
    void runShownOffScreen(const std::function<void()>& handler) {
        storageShowing();
        if (testAttribute(Qt::WA_Moved)) {
            // The window has its place already (stored, mostly): nothing of a
            // real show is needed, and no native window is made for it.
            runShowHandlers(false);
            handler();
            return;
        }
        // Placed by nobody yet (the first run): showing centres it, and the
        // storage keeps that place.
        setAttribute(Qt::WA_DontShowOnScreen, true);
        QDialog::setVisible(true);
        struct OnScreenAgain {
            QWidget* window;
            ~OnScreenAgain() { window->setAttribute(Qt::WA_DontShowOnScreen, false); }
        } again{this};
        handler();
    }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<QAbstractButton> cancelButton_;
};

}  // namespace lumora
