#include "media/audio_play.h"

#include "platform/avifile.h"
#include "platform/waveout.h"

#include <algorithm>

namespace lumora {

TAudioPlay::TAudioPlay() = default;

TAudioPlay::~TAudioPlay() {
    stop();
}

void TAudioPlay::play(AviAudioStream* stream, int64_t first, int64_t end) {
    if (playing_)
        stop();
    if (!stream)
        return;
    const AviStreamInfo info = stream->info();
    if (first < 0)
        first = info.start;
    if (end < 0)
        end = info.start + info.length;
    if (end <= first || !open(stream))
        return;
    device_->pause();
    current_ = first;
    end_ = end;
    playing_ = true;
    for (int i = 0; i < kBuffers; ++i)
        queueBuffer();
    device_->restart();
}

bool TAudioPlay::open(AviAudioStream* stream) {
    device_.reset();
    const AviStreamInfo info = stream->info();
    if (info.sampleSize <= 0)
        return false;
    stream_ = stream;
    sampleSize_ = info.sampleSize;
    bufferSize_ = std::max<int64_t>(sampleSize_, kMinBufferBytes) / sampleSize_ * sampleSize_;
    device_ = openWaveOut(stream->format(), [this](WaveHeader& header) { bufferDone(header); });
    return bool(device_);
}

void TAudioPlay::queueBuffer() {
    const int64_t samples = std::min(bufferSize_ / sampleSize_, end_ - current_);
    if (samples <= 0)
        return;
    auto header = std::make_unique<WaveHeader>();
    header->data.resize(qsizetype(samples * sampleSize_));
    // A buffer the stream cannot fill is not played; it goes with this scope.
    if (stream_->read(current_, samples, header->data.data()) != samples)
        return;
    current_ += samples;
    WaveHeader& written = *header;
    inFlight_.push_back(std::move(header));
    device_->write(written);
}

void TAudioPlay::bufferDone(WaveHeader& header) {
    std::erase_if(inFlight_, [&header](const auto& each) { return each.get() == &header; });
    if (playing_)
        queueBuffer();
}

void TAudioPlay::stop() {
    if (!device_)
        return;
    playing_ = false;
    // The reset gives every buffer back; bufferDone frees them.
    device_->reset();
    device_.reset();
}

int64_t TAudioPlay::position() const {
    return device_ ? device_->position() : 0;
}

}  // namespace lumora
