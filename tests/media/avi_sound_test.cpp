// A film's sound really comes out: SDL's disk driver writes what the shared
// output plays to a file, which is read back.

#include "media/avi_play.h"
#include "platform/audio_out.h"
#include "support/media_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lumora {
namespace {

using namespace test;

constexpr qsizetype kFrameBytes = AudioOut::kChannels * sizeof(float);

// From the first sounding output frame to the last, among those from `from` on.
struct Heard {
    int64_t span = 0;
    float peak = 0;
};

Heard listen(const QByteArray& raw, int64_t from = 0, int64_t to = INT64_MAX) {
    std::vector<float> samples(size_t(raw.size()) / sizeof(float));
    if (!samples.empty())
        std::memcpy(samples.data(), raw.constData(), samples.size() * sizeof(float));
    Heard heard;
    int64_t first = -1;
    const size_t end = size_t(std::min<int64_t>(to, int64_t(samples.size()) / AudioOut::kChannels));
    for (size_t i = size_t(from) * AudioOut::kChannels; i < end * AudioOut::kChannels; ++i) {
        const float level = std::fabs(samples[i]);
        heard.peak = std::max(heard.peak, level);
        if (level > 1e-3f) {
            const int64_t frame = int64_t(i / AudioOut::kChannels);
            if (first < 0)
                first = frame;
            heard.span = frame - first + 1;
        }
    }
    return heard;
}

class AviSound : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Before the output opens for the first time in this process.
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output().toLocal8Bit().constData(), 1);
    }

    static QString output() { return testHome() + QStringLiteral("/sound.raw"); }

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
    const Heard heard = listen(readFile(output()));
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
    ASSERT_TRUE(
        waitFor([] { return QFileInfo(output()).size() > kFrameBytes * AudioOut::kRate * 3 / 2; }));
    view.Stop();
    const int64_t stoppedAt = QFileInfo(output()).size() / kFrameBytes;
    waitForSilence();
    const QByteArray raw = readFile(output());
    EXPECT_GT(listen(raw, 0, stoppedAt).span, AudioOut::kRate * 5 / 4);
    // What the output held when Stop came may still be written: two chunks.
    EXPECT_EQ(listen(raw, stoppedAt + 2048).span, 0);
    EXPECT_GT(raw.size() / kFrameBytes, stoppedAt + 4096);  // the output went on, silent
}

}  // namespace
}  // namespace lumora
