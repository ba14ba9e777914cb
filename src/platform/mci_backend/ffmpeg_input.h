#pragma once

// FFmpeg's objects as the back end holds them, and a demuxer over a file that
// is already open.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace lumora::mci_internal {

struct IoDeleter {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};
struct FormatDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct SwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

using CodecContext = std::unique_ptr<AVCodecContext, CodecDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;

// A demuxer reading a file through its descriptor at an offset of its own, so
// that several can share one open file. FFmpeg is given the file protocol
// only and the demuxers the caller names.
class Demuxer {
public:
    enum class Result { Opened, NotMedia, Unsupported };

    explicit Demuxer(int fd) : fd_(fd) {}
    Demuxer(const Demuxer&) = delete;
    Demuxer& operator=(const Demuxer&) = delete;

    // formats: the demuxers allowed, comma-separated. Unsupported: the file
    // is media of another format.
    Result open(const QByteArray& url, const char* formats);
    AVFormatContext* context() const { return format_.get(); }

private:
    static int read(void* opaque, uint8_t* buffer, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);

    int fd_;
    int64_t offset_ = 0;
    // Declared before the format context, which is closed first.
    std::unique_ptr<AVIOContext, IoDeleter> io_;
    std::unique_ptr<AVFormatContext, FormatDeleter> format_;
};

// Converts decoded sound into one sample format at a rate (0: the input's),
// set up again whenever the input's layout, format or rate or the output
// layout asked for changes.
class Resampler {
public:
    Resampler(AVSampleFormat format, int rate) : format_(format), rate_(rate) {}
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // False when the input cannot be converted. A layout of unknown order
    // counts as the usual one of its channels.
    bool accept(const AVChannelLayout& in, int inFormat, int inRate, const AVChannelLayout& out);
    // Converts count input samples (planes as AVFrame::extended_data) into
    // out, interleaved; returns the samples made.
    template <class Sample>
    int convert(const uint8_t* const* in, int count, std::vector<Sample>& out) {
        const int capacity = swr_get_out_samples(swr_.get(), count);
        const int channels = out_.nb_channels;
        if (capacity <= 0)
            return 0;
        out.resize(size_t(capacity) * size_t(channels));
        auto* to = reinterpret_cast<uint8_t*>(out.data());
        const int n =
            swr_convert(swr_.get(), &to, capacity, const_cast<const uint8_t**>(in), count);
        out.resize(size_t(std::max(n, 0)) * size_t(channels));
        return std::max(n, 0);
    }
    // Drops what the converter holds back, for a new start.
    void reset();

private:
    AVSampleFormat format_;
    int rate_;
    std::unique_ptr<SwrContext, SwrDeleter> swr_;
    AVChannelLayout in_{};
    AVChannelLayout out_{};
    int inFormat_ = -1;
    int inRate_ = 0;
};

// A decoder for the stream on one thread; nullptr when FFmpeg has none or it
// does not open. maxPixels bounds the pictures it makes.
CodecContext openDecoder(const AVStream* stream, int64_t maxPixels);

}  // namespace lumora::mci_internal
