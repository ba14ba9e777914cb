#pragma once

#include <cstdio>
#include <cstdlib>

// A broken promise of the code under test is as much a finding as a crash.
#define check(ok)                                                        \
    do {                                                                 \
        if (!(ok)) {                                                     \
            std::fprintf(stderr, "check failed at line %d\n", __LINE__); \
            std::abort();                                                \
        }                                                                \
    } while (0)
