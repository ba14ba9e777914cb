#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace lumora {

// The multimedia timer: calls `tick` on a thread of its own once a period.
// Tick n (1, 2, ...) is due at the start + n periods, worked out from the
// start each time, so neither a late wake-up nor a period that is no whole
// number of milliseconds (1/15 s) makes the ticks drift. Ticks missed while
// the thread could not run come at once, one after the other. A tick must not
// touch widgets; it may not stop its own timer.
class MMTimer {
public:
    // numerator / denominator seconds, both above 0.
    struct Period {
        int64_t numerator;
        int64_t denominator;
    };

    MMTimer() = default;
    ~MMTimer() { stop(); }
    MMTimer(const MMTimer&) = delete;
    MMTimer& operator=(const MMTimer&) = delete;

    // Stops a running timer first.
    void start(Period period, std::function<void()> tick);
    // Once this returns no tick runs.
    void stop();
    bool running() const { return thread_.joinable(); }
    // Moves the ticks after the one now waited for by `by` (earlier when
    // negative), from any thread: a clock the ticks keep pace with, such as
    // the sound's, pulls them along.
    void shift(std::chrono::nanoseconds by) { shiftNs_ += by.count(); }

    // When tick n is due, counted from the start.
    static std::chrono::nanoseconds dueAfter(Period period, int64_t n);

private:
    void run(Period period, std::chrono::steady_clock::time_point start);

    std::function<void()> tick_;
    std::mutex m_;
    std::condition_variable cv_;
    // Set under m_ and atomic too: a timed wait on the steady clock may hand
    // m_ back in a way ThreadSanitizer does not see.
    std::atomic<bool> stopping_{false};
    std::atomic<int64_t> shiftNs_{0};
    std::thread thread_;
};

}  // namespace lumora
