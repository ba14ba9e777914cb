#pragma once

// For benchmarks that run the program's windows in-process: a home of their
// own (the program writes its settings at exit) and dialogs that never wait.

#include "support/program_forms.h"
#include "support/test_home.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace lumora::bench {

// The program's forms; no benchmark expects a message box: one that shows is printed.
class ProgramForms : public test::ProgramForms {
public:
    ProgramForms()
        : test::ProgramForms([](const QString& text) {
              std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
          }) {}
};

// Lets posted events (layouts, paints) run.
inline void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Runs the event loop for ms milliseconds.
inline void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace lumora::bench
