#include "platform/mmtimer.h"

namespace lumora {

using Clock = std::chrono::steady_clock;

std::chrono::nanoseconds MMTimer::dueAfter(Period period, int64_t n) {
    // 128 bits: n x 10^9 x numerator overflows 64 bits within hours.
    const __int128 scaled = __int128(n) * period.numerator * 1000000000;
    return std::chrono::nanoseconds(
        int64_t((scaled + period.denominator / 2) / period.denominator));
}

void MMTimer::start(Period period, std::function<void()> tick) {
    stop();
    tick_ = std::move(tick);
    stopping_ = false;
    shiftNs_ = 0;
    const Clock::time_point start = Clock::now();
    thread_ = std::thread([this, period, start] { run(period, start); });
}

void MMTimer::stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(m_);
        stopping_ = true;
    }
    cv_.notify_all();
    thread_.join();
    tick_ = nullptr;
}

void MMTimer::run(Period period, Clock::time_point start) {
    std::unique_lock lock(m_);
    for (int64_t n = 1;; ++n) {
        const Clock::time_point due =
            start + dueAfter(period, n) + std::chrono::nanoseconds(shiftNs_.load());
        if (cv_.wait_until(lock, due, [this] { return stopping_.load(); }))
            return;
        lock.unlock();
        tick_();
        lock.lock();
    }
}

}  // namespace lumora
