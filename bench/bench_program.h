#pragma once

// For benchmarks that run the program's windows in-process: a home of their
// own (the program writes its settings at exit) and dialogs that never wait.

#include "app/start_up.h"
#include "platform/dialogs.h"
#include "platform/mci_backend/backend.h"
#include "support/silent_dialogs.h"
#include "support/test_home.h"

#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace lumora::bench {

// The program's forms, created as at start-up and destroyed at scope exit.
// No benchmark expects a message box; one that shows is printed.
class ProgramForms {
public:
    ProgramForms()
        : dialogs_([](const QString& text) {
              std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
          }) {
        setDialogs(&dialogs_);
        useLinkedMediaBackend();
        createForms({});
    }
    ~ProgramForms() {
        destroyForms();
        setDialogs(nullptr);
    }
    ProgramForms(const ProgramForms&) = delete;
    ProgramForms& operator=(const ProgramForms&) = delete;

private:
    test::SilentDialogs dialogs_;
};

// Runs the event loop for ms milliseconds.
inline void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace lumora::bench
