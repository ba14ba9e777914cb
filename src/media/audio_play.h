#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace lumora {

class AviAudioStream;
class WaveOut;
struct WaveHeader;

// The sound track of a video: samples of an AVI audio stream streamed to the
// wave output in eight buffers, each refilled as it comes back played. Runs
// on the GUI thread.
class TAudioPlay {
public:
    static constexpr int kBuffers = 8;
    static constexpr int kMinBufferBytes = 2048;

    TAudioPlay();
    ~TAudioPlay();
    TAudioPlay(const TAudioPlay&) = delete;
    TAudioPlay& operator=(const TAudioPlay&) = delete;

    // Plays samples first up to end of stream; a negative first means the
    // stream's start, a negative end its start + length. Silence when end <=
    // first or the stream's sound cannot be played.
    void play(AviAudioStream* stream, int64_t first, int64_t end);
    // Silences it at once; every buffer comes back and is freed.
    void stop();

    bool playing() const { return playing_; }
    // Buffers lent to the device.
    int buffersInFlight() const { return int(inFlight_.size()); }
    // Samples played since play() started the sound.
    int64_t position() const;

private:
    bool open(AviAudioStream* stream);
    void queueBuffer();
    void bufferDone(WaveHeader& header);

    std::unique_ptr<WaveOut> device_;
    AviAudioStream* stream_ = nullptr;
    int64_t bufferSize_ = 0;
    int sampleSize_ = 0;
    int64_t current_ = 0;
    int64_t end_ = 0;
    bool playing_ = false;
    std::vector<std::unique_ptr<WaveHeader>> inFlight_;
};

}  // namespace lumora
