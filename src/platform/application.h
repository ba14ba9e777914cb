#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <utility>

namespace lumora {

// The application object. An exception that leaves an event handler ends that
// handler only: it is shown in the default error box and the program goes on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    // The application title; the main window's title and the task-bar entry use it.
    static QString Title();
    static void setTitle(const QString& title);

    bool notify(QObject* receiver, QEvent* event) override;

    // The default error box for an exception that ended a handler.
    static void showException(const std::exception& error);
};

// Runs a handler the way the event loop would: an exception is shown in the
// default error box instead of travelling on through Qt's frames.
template <class Handler>
void guarded(Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        TApplication::showException(error);
    }
}

}  // namespace lumora
