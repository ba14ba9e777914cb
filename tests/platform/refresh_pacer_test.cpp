#include "platform/refresh_pacer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>

namespace lumora {
namespace {

void waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < timeoutMs)
        QTest::qWait(20);
}

TEST(RefreshPacer, FastWhileTheUserWorksSlowWhenIdle) {
    RefreshPacer& pacer = RefreshPacer::instance();
    QTimer refresh;
    pacer.add(&refresh);
    refresh.start();

    waitUntil([&] { return !pacer.active(); }, 3000);
    ASSERT_FALSE(pacer.active());
    EXPECT_EQ(refresh.interval(), RefreshPacer::kIdleInterval);

    // A key press anywhere in the program wakes the refresh up.
    QWidget window;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &press);
    EXPECT_TRUE(pacer.active());
    EXPECT_EQ(refresh.interval(), RefreshPacer::kActiveInterval);
    EXPECT_TRUE(refresh.isActive());

    waitUntil([&] { return !pacer.active(); }, 3000);
    EXPECT_EQ(refresh.interval(), RefreshPacer::kIdleInterval);
}

TEST(RefreshPacer, StaysFastWhileSomethingPlays) {
    RefreshPacer& pacer = RefreshPacer::instance();
    QTimer refresh;
    pacer.add(&refresh);
    QObject player;
    pacer.setBusy(&player, true);
    QTest::qWait(RefreshPacer::kActiveSpellMs + 300);
    EXPECT_TRUE(pacer.active());
    EXPECT_EQ(refresh.interval(), RefreshPacer::kActiveInterval);
    pacer.setBusy(&player, false);
    waitUntil([&] { return !pacer.active(); }, 3000);
    EXPECT_FALSE(pacer.active());
}

TEST(RefreshPacer, ABusyOwnerThatGoesAwayReleasesThePace) {
    RefreshPacer& pacer = RefreshPacer::instance();
    {
        QObject player;
        pacer.setBusy(&player, true);
    }
    pacer.poke();
    waitUntil([&] { return !pacer.active(); }, 3000);
    EXPECT_FALSE(pacer.active());
}

}  // namespace
}  // namespace lumora
