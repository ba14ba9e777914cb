#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace lumora::bench {

// scripts/bench NAME runs one figure: LUMORA_BENCH_ONLY holds that name.
inline bool wanted(const char* name) {
    const char* only = std::getenv("LUMORA_BENCH_ONLY");
    return !only || !*only || std::strcmp(only, name) == 0;
}

inline void report(const char* name, double value, const char* unit) {
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

inline double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace lumora::bench
