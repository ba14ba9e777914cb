#pragma once

// AVI files read through the media back end (FFmpeg, in the media module):
// the first video and the first audio stream of a file, its frames as
// pictures and its sound as PCM.
//
//   std::unique_ptr<AviFile> file = openAviFile(path);   // nullptr: nothing to play
//   AviVideoStream* video = file->videoStream();          // nullptr: no playable video
//   QImage picture = video->frame(n);

#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

namespace lumora {

// What a stream's header says, in the stream's own samples: a sample lasts
// scale / rate seconds. A video sample is a frame; a sound sample is one
// decoded PCM frame (a sample of every channel), whatever the file stores.
struct AviStreamInfo {
    uint32_t rate = 0;
    uint32_t scale = 0;
    int64_t start = 0;   // the first sample
    int64_t length = 0;  // samples
    int sampleSize = 0;  // bytes of a sound sample; 0 for video
    QSize frameSize;     // video: the frame rectangle of the header
};

// Uncompressed sound as the wave output plays it: 8-bit samples unsigned,
// 16-bit ones signed, channels interleaved.
struct WaveFormat {
    int channels = 0;
    int samplesPerSec = 0;
    int bitsPerSample = 0;
    int blockAlign() const { return channels * bitsPerSample / 8; }
};

class AviStream {
public:
    virtual ~AviStream() = default;
    virtual AviStreamInfo info() const = 0;

    // A sample's time in milliseconds from the file's start, and the sample
    // at a time; both rounded to the nearest.
    int64_t sampleToTime(int64_t sample) const;
    int64_t timeToSample(int64_t ms) const;
};

class AviVideoStream : public AviStream {
public:
    // Frame n (RGB32), decoded forward from the frame asked before, seeking
    // only backward or when a key frame lies ahead; a frame the file lacks is
    // the one before it. Null when nothing decodes there; frames above
    // kMaxFrameSide on a side are refused.
    virtual QImage frame(int64_t n) = 0;

    static constexpr int kMaxFrameSide = 8192;
};

class AviAudioStream : public AviStream {
public:
    virtual WaveFormat format() const = 0;
    // Reads up to count samples from sample `first` on into out, which holds
    // count x sampleSize bytes; returns the samples read (fewer at the end).
    virtual int64_t read(int64_t first, int64_t count, char* out) = 0;
};

class AviFile {
public:
    virtual ~AviFile() = default;
    // The first video stream that has a decoder; nullptr for none.
    virtual AviVideoStream* videoStream() = 0;
    // The first audio stream that decodes to PCM; nullptr for none.
    virtual AviAudioStream* audioStream() = 0;
};

// Opens path read-only as an AVI file. nullptr, without a message, for
// anything else: a missing or unreadable file, a FIFO or device, another
// format under the name, no media module.
std::unique_ptr<AviFile> openAviFile(const QString& path);

}  // namespace lumora
