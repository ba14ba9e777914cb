// Sound really comes out: SDL's disk driver writes what the output plays to
// a file, which is read back.

#include "platform/audio_out.h"
#include "platform/mci.h"
#include "support/disk_sound.h"
#include "support/media_files.h"
#include "support/midi_writer.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace test;

class DiskOutput : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sendSoundToDisk(); }

    // Plays the file to its end and reads what the output wrote.
    static Heard play(const QString& path) {
        auto d = mci().createDevice();
        d->open(path);
        d->play();
        EXPECT_EQ(AudioOut::instance().driver(), QStringLiteral("disk"));
        EXPECT_TRUE(waitFor([&] { return d->mode() != MciMode::Playing; }));
        EXPECT_TRUE(waitFor([] { return !AudioOut::instance().isOpen(); }));
        return listen(readFile(diskSoundFile()));
    }
};

TEST_F(DiskOutput, AWaveSoundsForItsLength) {
    const Heard heard = play(toneWav());
    EXPECT_NEAR(heard.span, AudioOut::kRate, AudioOut::kRate / 100);
    // ffmpeg's tone is at an eighth of full scale; mono goes to both sides a little softer.
    EXPECT_GT(heard.peak, 0.05f);
    EXPECT_LT(heard.peak, 0.2f);
}

TEST_F(DiskOutput, AMidiSongSoundsForItsLength) {
    const Heard heard = play(writeFile(QStringLiteral("song.mid"), oneSecondSong()));
    EXPECT_NEAR(heard.span, AudioOut::kRate, AudioOut::kRate / 50);
    EXPECT_GT(heard.peak, 0.01f);
    EXPECT_LT(heard.peak, 1.0f);
}

}  // namespace
}  // namespace lumora
