#include "platform/audio_out.h"

#include <algorithm>

namespace lumora {

using Clock = std::chrono::steady_clock;

void PlayClock::set(int64_t frame) {
    std::lock_guard lock(m_);
    start_ = frame;
    chunk_ = 0;
    at_ = Clock::now();
}

void PlayClock::advance(int64_t frames) {
    std::lock_guard lock(m_);
    start_ += chunk_;
    chunk_ = frames;
    at_ = Clock::now();
}

void PlayClock::hold() {
    std::lock_guard lock(m_);
    start_ += chunk_;
    chunk_ = 0;
}

int64_t PlayClock::now() const {
    std::lock_guard lock(m_);
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - at_);
    return start_ + std::min<int64_t>(chunk_, elapsed.count() * AudioOut::kRate / 1000000);
}

int64_t PlayClock::end() const {
    std::lock_guard lock(m_);
    return start_ + chunk_;
}

}  // namespace lumora
