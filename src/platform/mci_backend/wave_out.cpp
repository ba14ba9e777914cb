// The wave output device on the shared sound output: each buffer written is
// converted at once (on the writer's thread) to the output's format, the
// output's thread plays the converted sound, and a buffer it has played comes
// back to the writer's thread through a notice.

#include "platform/audio_out.h"
#include "platform/mci_backend/backend.h"
#include "platform/mci_backend/ffmpeg_input.h"
#include "platform/thread_notice.h"
#include "platform/waveout.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>
#include <vector>

namespace lumora {
namespace {

using mci_internal::Resampler;

class SharedWaveOut final : public WaveOut, public AudioSource {
public:
    SharedWaveOut(const WaveFormat& format, Done done)
        : format_(format), done_(std::move(done)), notice_([this] { giveBackPlayed(); }) {
        av_channel_layout_default(&layout_, format.channels);
    }

    ~SharedWaveOut() override { reset(); }

    void write(WaveHeader& header) override {
        const auto* data = reinterpret_cast<const uint8_t*>(header.data.constData());
        const uint8_t* planes[1] = {data};
        const int samples = int(header.data.size() / format_.blockAlign());
        static const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        std::vector<float> sound;
        const int inFormat = format_.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
        if (samples > 0 && resampler_.accept(layout_, inFormat, format_.samplesPerSec, stereo))
            resampler_.convert(planes, samples, sound);
        std::lock_guard lock(m_);
        queue_.push_back({&header, std::move(sound)});
    }

    void pause() override { AudioOut::instance().stop(this); }
    void restart() override { AudioOut::instance().start(this); }

    void reset() override {
        // The output no longer pulls once stop returns: nothing is played after it.
        AudioOut::instance().stop(this);
        std::vector<WaveHeader*> returned;
        {
            std::lock_guard lock(m_);
            returned.swap(played_);
            for (const Queued& q : queue_)
                returned.push_back(q.header);
            queue_.clear();
            playedFrames_ = 0;
            lastTakenFrames_ = 0;
        }
        resampler_.reset();
        for (WaveHeader* header : returned)
            done_(*header);
    }

    int64_t position() const override {
        std::lock_guard lock(m_);
        // The chunk the output took last plays until it takes the next: counted
        // as time passes rather than all at once, so the position moves evenly.
        int64_t frames = playedFrames_ - lastTakenFrames_;
        if (lastTakenFrames_ > 0) {
            const int64_t sinceNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::steady_clock::now() - lastTaken_)
                                        .count();
            frames += std::min(lastTakenFrames_, sinceNs * AudioOut::kRate / 1000000000);
        }
        return frames * format_.samplesPerSec / AudioOut::kRate;
    }

    // On the output's thread.
    bool render(float* out, int frames) override {
        std::lock_guard lock(m_);
        const size_t wanted = size_t(frames) * AudioOut::kChannels;
        size_t filled = 0;
        const bool hadPlayed = !played_.empty();
        while (!queue_.empty() && filled < wanted) {
            Queued& front = queue_.front();
            const size_t n = std::min(wanted - filled, front.sound.size() - front.at);
            std::copy_n(front.sound.data() + front.at, n, out + filled);
            front.at += n;
            filled += n;
            if (front.at == front.sound.size()) {
                played_.push_back(front.header);
                queue_.pop_front();
            }
        }
        lastTakenFrames_ = int64_t(filled / AudioOut::kChannels);
        lastTaken_ = std::chrono::steady_clock::now();
        playedFrames_ += lastTakenFrames_;
        if (!hadPlayed && !played_.empty())
            notice_.post();
        // Starved, the device plays silence and stays open for what comes.
        return true;
    }

private:
    struct Queued {
        WaveHeader* header;
        std::vector<float> sound;
        size_t at = 0;
    };

    void giveBackPlayed() {
        std::vector<WaveHeader*> returned;
        {
            std::lock_guard lock(m_);
            returned.swap(played_);
        }
        for (WaveHeader* header : returned)
            done_(*header);
    }

    const WaveFormat format_;
    const Done done_;
    ThreadNotice notice_;
    AVChannelLayout layout_{};
    Resampler resampler_{AV_SAMPLE_FMT_FLT, AudioOut::kRate};

    mutable std::mutex m_;
    std::deque<Queued> queue_;
    std::vector<WaveHeader*> played_;  // waiting to go back
    int64_t playedFrames_ = 0;         // at the output's rate
    int64_t lastTakenFrames_ = 0;      // of them, taken at lastTaken_
    std::chrono::steady_clock::time_point lastTaken_;
};

}  // namespace

std::unique_ptr<WaveOut> mci_internal::openWaveOut(const WaveFormat& format, WaveOut::Done done) {
    if ((format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.channels < 1 ||
        format.channels > 2 || format.samplesPerSec <= 0 || format.samplesPerSec > 768000)
        return nullptr;
    return std::make_unique<SharedWaveOut>(format, std::move(done));
}

}  // namespace lumora
