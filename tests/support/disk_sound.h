#pragma once

// Sound that really came out: SDL's disk driver writes what the shared output
// plays to a file, which the tests read back.

#include "platform/audio_out.h"
#include "support/fake_dialogs.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace lumora::test {

inline QString diskSoundFile() {
    return testHome() + QStringLiteral("/sound.raw");
}

// Before the output opens for the first time in the process.
inline void sendSoundToDisk() {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", diskSoundFile().toLocal8Bit().constData(), 1);
}

// Among the output frames from `from` up to `to`: from the first sounding one
// to the last, and the loudest sample.
struct Heard {
    int64_t span = 0;
    float peak = 0;
};

inline Heard listen(const QByteArray& raw, int64_t from = 0, int64_t to = INT64_MAX) {
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

}  // namespace lumora::test
