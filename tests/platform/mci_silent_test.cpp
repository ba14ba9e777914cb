// Without any sound output (SDL finds no driver) media still open and play,
// silently, in real time.

#include "platform/audio_out.h"
#include "platform/mci.h"
#include "support/media_files.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <cstdlib>

namespace lumora {
namespace {

using namespace test;

TEST(NoSoundOutput, MediaPlayInRealTimeWithoutSound) {
    // Before the output opens for the first time in this process.
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    auto d = mci().createDevice();
    d->open(toneWav());
    QElapsedTimer clock;
    clock.start();
    d->play();
    EXPECT_EQ(AudioOut::instance().driver(), QStringLiteral("none"));
    ASSERT_TRUE(waitFor([&] { return d->mode() != MciMode::Playing; }));
    EXPECT_EQ(d->position(), d->length());
    // Paced by the clock: a second of sound cannot be over sooner.
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_TRUE(waitFor([] { return !AudioOut::instance().isOpen(); }));
}

}  // namespace
}  // namespace lumora
