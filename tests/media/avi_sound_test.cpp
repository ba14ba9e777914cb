// A film's sound really comes out: SDL's disk driver writes what the shared
// output plays to a file, which is read back.

#include "media/avi_play.h"
#include "support/disk_sound.h"
#include "support/media_files.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace test;

constexpr qsizetype kFrameBytes = AudioOut::kChannels * sizeof(float);

class AviSound : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sendSoundToDisk(); }

    static QString film() {
        return aviFile(QStringLiteral("tone-film.avi"), 25, {"-c:v", "mjpeg", "-q:v", "5"},
                       {"-c:a", "pcm_s16le", "-ar", "22050"});
    }

    static void waitForSilence() {
        EXPECT_TRUE(waitFor([] { return !AudioOut::instance().isOpen(); }));
    }
};

TEST_F(AviSound, OnePassSoundsForTheFilmsLength) {
    TDCAVIPlay view;
    view.setFileName(film());
    view.setRepetitions(1);
    view.setActive(true);
    EXPECT_EQ(AudioOut::instance().driver(), QStringLiteral("disk"));
    ASSERT_TRUE(waitFor([&] { return !view.Active(); }));
    waitForSilence();
    const Heard heard = listen(readFile(diskSoundFile()));
    EXPECT_NEAR(heard.span, AudioOut::kRate, AudioOut::kRate / 40);
    // ffmpeg's tone is at an eighth of full scale; mono goes to both sides a little softer.
    EXPECT_GT(heard.peak, 0.05f);
    EXPECT_LT(heard.peak, 0.2f);
}

TEST_F(AviSound, PassesRestartTheSoundAndStopSilencesItAtOnce) {
    TDCAVIPlay view;
    view.setFileName(film());
    view.setRepetitions(0);
    view.setActive(true);
    // A pass and a half written.
    ASSERT_TRUE(waitFor(
        [] { return QFileInfo(diskSoundFile()).size() > kFrameBytes * AudioOut::kRate * 3 / 2; }));
    view.Stop();
    const int64_t stoppedAt = QFileInfo(diskSoundFile()).size() / kFrameBytes;
    waitForSilence();
    const QByteArray raw = readFile(diskSoundFile());
    EXPECT_GT(listen(raw, 0, stoppedAt).span, AudioOut::kRate * 5 / 4);
    // What the output held when Stop came may still be written: two chunks.
    EXPECT_EQ(listen(raw, stoppedAt + 2048).span, 0);
    EXPECT_GT(raw.size() / kFrameBytes, stoppedAt + 4096);  // the output went on, silent
}

}  // namespace
}  // namespace lumora
