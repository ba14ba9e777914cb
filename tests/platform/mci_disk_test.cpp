// Sound really comes out: SDL's disk driver writes what the output plays to
// a file, which is read back.

#include "platform/audio_out.h"
#include "platform/mci.h"
#include "support/media_files.h"
#include "support/midi_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lumora {
namespace {

using namespace test;

struct Heard {
    int64_t span = 0;  // frames from the first sounding one to the last
    float peak = 0;
};

class DiskOutput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Before the output opens for the first time in this process.
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output().toLocal8Bit().constData(), 1);
    }

    static QString output() { return testHome() + QStringLiteral("/sound.raw"); }

    // Plays the file to its end and reads what the output wrote.
    static Heard play(const QString& path) {
        auto d = mci().createDevice();
        d->open(path);
        d->play();
        EXPECT_EQ(AudioOut::instance().driver(), QStringLiteral("disk"));
        EXPECT_TRUE(waitFor([&] { return d->mode() != MciMode::Playing; }));
        EXPECT_TRUE(waitFor([] { return !AudioOut::instance().isOpen(); }));

        const QByteArray raw = readFile(output());
        std::vector<float> samples(size_t(raw.size()) / sizeof(float));
        if (!samples.empty())
            std::memcpy(samples.data(), raw.constData(), samples.size() * sizeof(float));
        Heard heard;
        int64_t first = -1;
        for (size_t i = 0; i < samples.size(); ++i) {
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
