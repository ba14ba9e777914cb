#include "platform/mmtimer.h"
#include "support/media_files.h"

#include <gtest/gtest.h>

#include <atomic>

namespace lumora {
namespace {

using namespace std::chrono_literals;

TEST(MMTimer, TicksAreDueOnTheStartsClock) {
    // 15 a second: tick 900 is due a minute on, not 900 x 67 ms = 60.3 s.
    EXPECT_EQ(MMTimer::dueAfter({1, 15}, 900), 60s);
    EXPECT_EQ(MMTimer::dueAfter({1, 15}, 1), 66666667ns);
    EXPECT_EQ(MMTimer::dueAfter({1001, 30000}, 30000), 1001s);
    // A year of 25 frames a second stays exact.
    EXPECT_EQ(MMTimer::dueAfter({1, 25}, int64_t(25) * 3600 * 24 * 365), 8760h);
}

TEST(MMTimer, NoTickRunsOnceStopReturns) {
    std::atomic<int> ticks{0};
    std::atomic<bool> inTick{false};
    MMTimer timer;
    timer.start({1, 500}, [&] {
        inTick = true;
        std::this_thread::sleep_for(5ms);
        ++ticks;
        inTick = false;
    });
    EXPECT_TRUE(timer.running());
    ASSERT_TRUE(test::waitFor([&] { return ticks >= 3; }));
    timer.stop();
    EXPECT_FALSE(inTick);
    EXPECT_FALSE(timer.running());
    const int stopped = ticks;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks, stopped);

    // Started again, it ticks again; destroyed running, it stops first.
    timer.start({1, 500}, [&] { ++ticks; });
    EXPECT_TRUE(test::waitFor([&] { return ticks > stopped; }));
}

}  // namespace
TEST(MMTimer, AShiftMovesTheTicksToCome) {
    // Ticks 200 ms apart; pushed 300 ms later soon after the first, the third
    // cannot come before 600 + 300 ms.
    std::atomic<int> ticks{0};
    MMTimer timer;
    const auto start = std::chrono::steady_clock::now();
    timer.start({1, 5}, [&] { ++ticks; });
    ASSERT_TRUE(test::waitFor([&] { return ticks >= 1; }));
    timer.shift(300ms);
    ASSERT_TRUE(test::waitFor([&] { return ticks >= 3; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 900ms);
}

}  // namespace lumora
