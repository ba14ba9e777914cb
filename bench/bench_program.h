#pragma once

// For benchmarks that run the program's windows in-process: a home of their
// own (the program writes its settings at exit) and dialogs that never wait.

#include "bench_loop.h"
#include "support/program_forms.h"
#include "support/test_home.h"

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

}  // namespace lumora::bench
