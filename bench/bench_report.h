#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace lumora::bench {

// scripts/bench NAME runs the figures whose names hold NAME ("avi": every
// figure of the AVI view): LUMORA_BENCH_ONLY holds it.
inline bool wanted(const char* name) {
    const char* only = std::getenv("LUMORA_BENCH_ONLY");
    return !only || !*only || std::strstr(name, only) != nullptr;
}

inline void report(const char* name, double value, const char* unit) {
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

inline double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The median of the samples, which go to stderr when named; -1 without any.
inline double median(std::vector<double> values, const char* name = nullptr) {
    if (name) {
        std::fprintf(stderr, "%s samples:", name);
        for (double v : values)
            std::fprintf(stderr, " %.1f", v);
        std::fprintf(stderr, "\n");
    }
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace lumora::bench
