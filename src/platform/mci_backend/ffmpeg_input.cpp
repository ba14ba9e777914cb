#include "platform/mci_backend/ffmpeg_input.h"

extern "C" {
#include <libavutil/avstring.h>
}

#include <cerrno>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

namespace lumora::mci_internal {

namespace {
constexpr int kIoBufferSize = 32768;
}  // namespace

int Demuxer::read(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<Demuxer*>(opaque);
    ssize_t n;
    do {
        n = ::pread(self->fd_, buffer, size_t(size), off_t(self->offset_));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return AVERROR(errno);
    if (n == 0)
        return AVERROR_EOF;
    self->offset_ += n;
    return int(n);
}

int64_t Demuxer::seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<Demuxer*>(opaque);
    struct stat st {};
    if (::fstat(self->fd_, &st) != 0)
        return AVERROR(errno);
    if (whence & AVSEEK_SIZE)
        return st.st_size;
    int64_t to;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET:
            to = offset;
            break;
        case SEEK_CUR:
            to = self->offset_ + offset;
            break;
        case SEEK_END:
            to = st.st_size + offset;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (to < 0)
        return AVERROR(EINVAL);
    self->offset_ = to;
    return to;
}

Demuxer::Result Demuxer::open(const QByteArray& url, const char* formats) {
    // FFmpeg reports to stderr; what matters reaches the user as our errors.
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)quiet;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    AVIOContext* io =
        buffer ? avio_alloc_context(buffer, kIoBufferSize, 0, this, &read, nullptr, &seek)
               : nullptr;
    if (!io) {
        av_free(buffer);
        throw std::bad_alloc();
    }
    io_.reset(io);
    const AVInputFormat* format = nullptr;
    if (av_probe_input_buffer2(io, &format, url.constData(), nullptr, 0, 0) < 0 || !format)
        return Result::NotMedia;
    if (!av_match_list(format->name, formats, ','))
        return Result::Unsupported;

    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        throw std::bad_alloc();
    context->pb = io;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", formats, 0);
    const int opened = avformat_open_input(&context, url.constData(), format, &options);
    av_dict_free(&options);
    if (opened < 0)  // the context is gone then
        return Result::NotMedia;
    format_.reset(context);
    return Result::Opened;
}

Resampler::~Resampler() {
    av_channel_layout_uninit(&in_);
    av_channel_layout_uninit(&out_);
}

void Resampler::reset() {
    swr_.reset();
}

bool Resampler::accept(const AVChannelLayout& in, int inFormat, int inRate,
                       const AVChannelLayout& out) {
    if (swr_ && inFormat == inFormat_ && inRate == inRate_ &&
        av_channel_layout_compare(&in, &in_) == 0 && av_channel_layout_compare(&out, &out_) == 0)
        return true;
    swr_.reset();
    av_channel_layout_uninit(&in_);
    av_channel_layout_uninit(&out_);
    if (inRate <= 0 || in.nb_channels <= 0 || av_channel_layout_copy(&in_, &in) < 0 ||
        av_channel_layout_copy(&out_, &out) < 0)
        return false;
    AVChannelLayout input{};
    if (in.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&input, in.nb_channels);
    else if (av_channel_layout_copy(&input, &in) < 0)
        return false;
    SwrContext* swr = nullptr;
    const bool ok = swr_alloc_set_opts2(&swr, &out_, format_, rate_ > 0 ? rate_ : inRate, &input,
                                        AVSampleFormat(inFormat), inRate, 0, nullptr) >= 0 &&
                    swr_init(swr) >= 0;
    av_channel_layout_uninit(&input);
    if (!ok) {
        swr_free(&swr);
        return false;
    }
    swr_.reset(swr);
    inFormat_ = inFormat;
    inRate_ = inRate;
    return true;
}

CodecContext openDecoder(const AVStream* stream, int64_t maxPixels) {
    const AVCodecParameters* parameters = stream->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        return nullptr;
    CodecContext context(avcodec_alloc_context3(codec));
    if (!context || avcodec_parameters_to_context(context.get(), parameters) < 0)
        return nullptr;
    context->pkt_timebase = stream->time_base;
    context->thread_count = 1;
    context->max_pixels = maxPixels;
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return nullptr;
    return context;
}

}  // namespace lumora::mci_internal
