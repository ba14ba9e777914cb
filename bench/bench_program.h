#pragma once

// For benchmarks that run the program's windows in-process: a home of their
// own (the program writes its settings at exit) and dialogs that never wait.

#include "support/silent_dialogs.h"
#include "support/test_home.h"

#include <cstdio>

namespace lumora::bench {

// No benchmark expects a message box; one that shows is printed.
inline test::SilentDialogs quietDialogs() {
    return test::SilentDialogs([](const QString& text) {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
    });
}

}  // namespace lumora::bench
