// AVI files read with FFmpeg's AVI demuxer and nothing else. Pictures and
// sound each get a demuxer of their own over the one open file, so each is
// read forward at its own pace. The stream headers are read here as the file
// has them: FFmpeg mends a rate of 0 into 25 frames a second.

#include "base/file_name.h"
#include "platform/avifile.h"
#include "platform/mci_backend/backend.h"
#include "platform/mci_backend/ffmpeg_input.h"

#include <QtEndian>

#include <climits>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <unistd.h>

namespace lumora {
namespace mci_internal {
namespace {

constexpr const char* kAviOnly = "avi";
constexpr int64_t kMaxPixels =
    int64_t(AviVideoStream::kMaxFrameSide) * AviVideoStream::kMaxFrameSide;
// The packets one request may read: a file whose index or timestamps lie
// never reaches the frame or sample asked for, and gives up there.
constexpr int kPacketBudget = 4096;
// The stream headers sit at the file's start; the rest of this is the index
// of a large OpenDML file at most.
constexpr qsizetype kHeaderBytes = 256 * 1024;
// Some thirty years of sound at the highest rate: lengths stay far from overflow.
constexpr int64_t kMaxSamples = int64_t(1) << 45;
constexpr int kMaxSampleRate = 768000;

constexpr uint32_t fourcc(const char (&tag)[5]) {
    return uint32_t(uint8_t(tag[0])) | uint32_t(uint8_t(tag[1])) << 8 |
           uint32_t(uint8_t(tag[2])) << 16 | uint32_t(uint8_t(tag[3])) << 24;
}

// An AVISTREAMHEADER ('strh') as the file has it.
struct StreamHeader {
    uint32_t type = 0;
    uint32_t scale = 0;
    uint32_t rate = 0;
    uint32_t start = 0;
    uint32_t length = 0;
    uint32_t sampleSize = 0;
    QSize frame;  // rcFrame; empty when the header has none
};

uint32_t le32(const char* p) {
    return qFromLittleEndian<uint32_t>(p);
}

// The 'strh' of every 'strl' in RIFF 'AVI ' > LIST 'hdrl', in stream order.
std::vector<StreamHeader> readStreamHeaders(int fd) {
    QByteArray head(kHeaderBytes, Qt::Uninitialized);
    const ssize_t got = ::pread(fd, head.data(), size_t(head.size()), 0);
    std::vector<StreamHeader> headers;
    if (got < 12 || le32(head.constData()) != fourcc("RIFF") ||
        le32(head.constData() + 8) != fourcc("AVI "))
        return headers;
    const char* data = head.constData();
    // Walks the chunks in [from, to); calls visit(tag, body, size) for each.
    const auto walk = [&](qsizetype from, qsizetype to, const auto& visit) {
        while (from + 8 <= to) {
            const uint32_t tag = le32(data + from);
            const qsizetype size = le32(data + from + 4);
            const qsizetype body = from + 8;
            visit(tag, body, std::min(size, to - body));
            from = body + size + (size & 1);
        }
    };
    walk(12, got, [&](uint32_t tag, qsizetype body, qsizetype size) {
        if (tag != fourcc("LIST") || size < 4 || le32(data + body) != fourcc("hdrl"))
            return;
        walk(body + 4, body + size, [&](uint32_t tag, qsizetype body, qsizetype size) {
            if (tag != fourcc("LIST") || size < 4 || le32(data + body) != fourcc("strl"))
                return;
            StreamHeader stream;
            walk(body + 4, body + size, [&](uint32_t tag, qsizetype body, qsizetype size) {
                if (tag != fourcc("strh") || size < 48)
                    return;
                const char* h = data + body;
                stream.type = le32(h);
                stream.scale = le32(h + 20);
                stream.rate = le32(h + 24);
                stream.start = le32(h + 28);
                stream.length = le32(h + 32);
                stream.sampleSize = le32(h + 44);
                if (size >= 56) {
                    const auto side = [h](int at) { return qFromLittleEndian<int16_t>(h + at); };
                    stream.frame = QSize(side(52) - side(48), side(54) - side(50));
                }
            });
            headers.push_back(stream);
        });
    });
    return headers;
}

// The first stream of that kind, with its header; -1 for none.
int firstStream(const AVFormatContext* f, AVMediaType type, uint32_t headerType,
                const std::vector<StreamHeader>& headers) {
    for (unsigned i = 0; i < f->nb_streams; ++i)
        if (f->streams[i]->codecpar->codec_type == type)
            return i < headers.size() && headers[i].type == headerType ? int(i) : -1;
    return -1;
}

// Only the stream read keeps its packets.
void keepOnly(AVFormatContext* f, int index) {
    for (unsigned i = 0; i < f->nb_streams; ++i)
        f->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
}

// Takes decoded frames from a decoder, feeding it its stream's packets.
class Decoding {
public:
    Decoding(Demuxer& input, int index) : input_(input), index_(index) {}

    bool open(int64_t maxPixels) {
        codec_ = openDecoder(input_.context()->streams[index_], maxPixels);
        packet_.reset(av_packet_alloc());
        if (!packet_)
            throw std::bad_alloc();
        return bool(codec_);
    }

    // The next frame into `frame`; false at the end, or when the budget of
    // packets ran out first.
    bool next(AVFrame* frame, int& budget) {
        while (budget > 0) {
            const int received = avcodec_receive_frame(codec_.get(), frame);
            if (received >= 0)
                return true;
            if (received == AVERROR_EOF)
                return false;
            --budget;
            if (received != AVERROR(EAGAIN))
                continue;  // damaged data: the decoder goes on with the next packet
            if (drained_)
                return false;
            const int read = av_read_frame(input_.context(), packet_.get());
            if (read < 0) {
                drained_ = true;
                avcodec_send_packet(codec_.get(), nullptr);
                continue;
            }
            if (packet_->stream_index == index_)
                avcodec_send_packet(codec_.get(), packet_.get());
            av_packet_unref(packet_.get());
        }
        return false;
    }

    // Moves to the key frame at or before ts (stream time base), else to the
    // start; false when neither works.
    bool seekBefore(int64_t ts) {
        AVFormatContext* f = input_.context();
        const bool moved = av_seek_frame(f, index_, ts, AVSEEK_FLAG_BACKWARD) >= 0 ||
                           av_seek_frame(f, index_, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) >= 0;
        avcodec_flush_buffers(codec_.get());
        drained_ = false;
        return moved;
    }

    AVStream* stream() const { return input_.context()->streams[index_]; }

private:
    Demuxer& input_;
    int index_;
    CodecContext codec_;
    Packet packet_;
    bool drained_ = false;  // the demuxer is at its end and the decoder told so
};

class AviVideo final : public AviVideoStream {
public:
    AviVideo(std::unique_ptr<Demuxer> input, int index, const StreamHeader& header)
        : input_(std::move(input)), decoding_(*input_, index), index_(index) {
        const AVCodecParameters* codec = decoding_.stream()->codecpar;
        info_.rate = header.rate;
        info_.scale = header.scale;
        info_.start = header.start;
        info_.length = header.length;
        info_.frameSize =
            header.frame.isEmpty() ? QSize(codec->width, codec->height) : header.frame;
    }

    // False when the stream cannot be played: no decoder, a refused size.
    bool open() {
        const AVCodecParameters* codec = decoding_.stream()->codecpar;
        if (codec->width > kMaxFrameSide || codec->height > kMaxFrameSide)
            return false;
        keepOnly(input_->context(), index_);
        shown_.reset(av_frame_alloc());
        ahead_.reset(av_frame_alloc());
        if (!shown_ || !ahead_)
            throw std::bad_alloc();
        return decoding_.open(kMaxPixels);
    }

    AviStreamInfo info() const override { return info_; }

    QImage frame(int64_t n) override {
        // Frames are counted in scale / rate periods: without them, none.
        if (n < 0 || info_.rate == 0 || info_.scale == 0 || info_.rate > INT_MAX ||
            info_.scale > INT_MAX)
            return {};
        if (needsSeek(n)) {
            decoding_.seekBefore(toPts(n));
            hasShown_ = hasAhead_ = false;
            lastFrame_ = -1;
        }
        int budget = kPacketBudget;
        // The frame asked for is the newest one at or before it: decoding
        // stops at that frame, or at the first one after it.
        for (;;) {
            if (hasShown_ && shownFrame_ == n)
                break;
            if (hasAhead_) {
                if (aheadFrame_ > n)
                    break;
                av_frame_unref(shown_.get());
                av_frame_move_ref(shown_.get(), ahead_.get());
                shownFrame_ = aheadFrame_;
                hasShown_ = true;
                hasAhead_ = false;
            }
            if (!decoding_.next(ahead_.get(), budget))
                break;
            hasAhead_ = true;
            // Frames without a time follow the one before.
            const int64_t pts = ahead_->best_effort_timestamp;
            aheadFrame_ = pts == AV_NOPTS_VALUE ? lastFrame_ + 1 : toFrame(pts);
            lastFrame_ = aheadFrame_;
        }
        return hasShown_ ? picture() : QImage();
    }

private:
    // Frame numbers count scale/rate periods; FFmpeg reduces that fraction.
    int64_t toPts(int64_t frame) const {
        return av_rescale_q(frame, AVRational{int(info_.scale), int(info_.rate)},
                            decoding_.stream()->time_base);
    }
    int64_t toFrame(int64_t pts) const {
        return av_rescale_q(pts, decoding_.stream()->time_base,
                            AVRational{int(info_.scale), int(info_.rate)});
    }

    // Backward, or to a key frame beyond the frames the decoder holds.
    bool needsSeek(int64_t n) const {
        if (hasShown_ && n < shownFrame_)
            return true;
        const int64_t at = hasAhead_ ? aheadFrame_ : hasShown_ ? shownFrame_ : -1;
        const AVIndexEntry* key = avformat_index_get_entry_from_timestamp(
            decoding_.stream(), toPts(n), AVSEEK_FLAG_BACKWARD);
        return key && toFrame(key->timestamp) > at + 1;
    }

    QImage picture() {
        if (shownFrame_ == pictureFrame_ && !picture_.isNull())
            return picture_;
        const AVFrame* f = shown_.get();
        if (f->width <= 0 || f->height <= 0 || f->width > kMaxFrameSide ||
            f->height > kMaxFrameSide)
            return {};
        QImage image(f->width, f->height, QImage::Format_RGB32);
        SwsContext* sws = sws_getCachedContext(
            sws_.release(), f->width, f->height, AVPixelFormat(f->format), f->width, f->height,
            AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
        sws_.reset(sws);
        if (image.isNull() || !sws)
            return {};
        uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
        sws_scale(sws, f->data, f->linesize, 0, f->height, planes, strides);
        picture_ = image;
        pictureFrame_ = shownFrame_;
        return picture_;
    }

    std::unique_ptr<Demuxer> input_;
    Decoding decoding_;
    int index_;
    AviStreamInfo info_;
    // The newest frame at or before the one asked, and the one after it.
    Frame shown_;
    Frame ahead_;
    bool hasShown_ = false;
    bool hasAhead_ = false;
    int64_t shownFrame_ = -1;
    int64_t aheadFrame_ = -1;
    int64_t lastFrame_ = -1;
    std::unique_ptr<SwsContext, SwsDeleter> sws_;
    QImage picture_;
    int64_t pictureFrame_ = -1;
};

class AviAudio final : public AviAudioStream {
public:
    AviAudio(std::unique_ptr<Demuxer> input, int index)
        : input_(std::move(input)), decoding_(*input_, index), index_(index) {}

    // False when the sound cannot be decoded to PCM.
    bool open(const StreamHeader& header) {
        const AVStream* stream = decoding_.stream();
        const AVCodecParameters* codec = stream->codecpar;
        const int channels = codec->ch_layout.nb_channels;
        if (codec->sample_rate <= 0 || codec->sample_rate > kMaxSampleRate || channels <= 0)
            return false;
        keepOnly(input_->context(), index_);
        frame_.reset(av_frame_alloc());
        if (!frame_)
            throw std::bad_alloc();
        if (!decoding_.open(0))
            return false;
        // Mono stays mono; everything else plays as stereo.
        format_ = {channels == 1 ? 1 : 2, codec->sample_rate, 16};
        av_channel_layout_default(&out_, format_.channels);
        info_.rate = uint32_t(codec->sample_rate);
        info_.scale = 1;
        info_.sampleSize = format_.blockAlign();
        // The header's length lasts length x scale / rate seconds, whatever a
        // sample of the file holds.
        int64_t length = 0;
        if (header.rate > 0 && header.scale > 0)
            length =
                av_rescale(header.length, int64_t(header.scale) * codec->sample_rate, header.rate);
        else if (stream->duration > 0)
            length = av_rescale_q(stream->duration, stream->time_base,
                                  AVRational{1, codec->sample_rate});
        info_.length = std::clamp<int64_t>(length, 0, kMaxSamples);
        return true;
    }

    AviStreamInfo info() const override { return info_; }
    WaveFormat format() const override { return format_; }

    int64_t read(int64_t first, int64_t count, char* out) override {
        if (first < 0 || count <= 0)
            return 0;
        // A little ahead is decoded and dropped; further, or back, is sought.
        if (first < next_ || first - next_ > int64_t(info_.rate) * 2)
            reposition(first);
        int budget = kPacketBudget;
        while (pendingSamples() < (first - next_) + count && !ended_ && budget > 0)
            decodeMore(budget);
        skip(std::min(first - next_, pendingSamples()));
        const int64_t n = std::min(count, pendingSamples());
        if (n > 0)
            std::memcpy(out, pending_.data() + head_,
                        size_t(n) * size_t(format_.channels) * sizeof(int16_t));
        skip(n);
        return n;
    }

private:
    int64_t pendingSamples() const { return int64_t(pending_.size() - head_) / format_.channels; }

    void skip(int64_t samples) {
        head_ += size_t(samples) * size_t(format_.channels);
        next_ += samples;
        if (head_ == pending_.size()) {
            pending_.clear();
            head_ = 0;
        }
    }

    void reposition(int64_t first) {
        const AVStream* stream = decoding_.stream();
        decoding_.seekBefore(
            av_rescale_q(first, AVRational{1, int(info_.rate)}, stream->time_base));
        resampler_.reset();
        pending_.clear();
        head_ = 0;
        next_ = first;
        ended_ = false;
        sought_ = true;
    }

    void decodeMore(int& budget) {
        if (!decoding_.next(frame_.get(), budget)) {
            ended_ = budget > 0;
            return;
        }
        const AVFrame* f = frame_.get();
        if (f->nb_samples <= 0 || !resampler_.accept(f->ch_layout, f->format, f->sample_rate, out_))
            return;
        if (resampler_.convert(f->extended_data, f->nb_samples, converted_) <= 0)
            return;
        std::optional<int64_t> at;
        if (f->best_effort_timestamp != AV_NOPTS_VALUE)
            at = av_rescale_q(f->best_effort_timestamp, decoding_.stream()->time_base,
                              AVRational{1, int(info_.rate)});
        place(at);
    }

    // Puts the converted sound where its time says: a gap becomes silence,
    // an overlap is dropped. Times far off count as continuous, and so do
    // small steps, except right after a seek, which lands exactly.
    void place(std::optional<int64_t> at) {
        const int channels = format_.channels;
        const int64_t end = next_ + pendingSamples();
        const int64_t tolerance = std::exchange(sought_, false) ? 0 : info_.rate / 200;
        const int64_t farOff = int64_t(info_.rate) * 5;
        auto from = converted_.cbegin();
        if (at && std::abs(*at - end) < farOff) {
            const int64_t gap = *at - end;
            if (gap > tolerance)
                pending_.insert(pending_.end(), size_t(gap) * size_t(channels), 0);
            if (gap < -tolerance)
                from += std::min<ptrdiff_t>(-gap * channels, converted_.size());
        }
        pending_.insert(pending_.end(), from, converted_.cend());
    }

    std::unique_ptr<Demuxer> input_;
    Decoding decoding_;
    int index_;
    Frame frame_;
    Resampler resampler_{AV_SAMPLE_FMT_S16, 0};
    AVChannelLayout out_{};
    WaveFormat format_;
    AviStreamInfo info_;
    std::vector<int16_t> converted_;
    std::vector<int16_t> pending_;  // decoded sound from sample next_ on
    size_t head_ = 0;
    int64_t next_ = 0;
    bool ended_ = false;
    bool sought_ = false;
};

class FfmpegAviFile final : public AviFile {
public:
    explicit FfmpegAviFile(FileHandle file) : file_(std::move(file)) {}

    // False for a file that is no AVI file.
    bool open(const QString& path) {
        const QByteArray url = encodeFileName(path);
        auto input = std::make_unique<Demuxer>(file_.fd());
        if (input->open(url, kAviOnly) != Demuxer::Result::Opened)
            return false;
        const AVFormatContext* f = input->context();
        const std::vector<StreamHeader> headers = readStreamHeaders(file_.fd());
        const int videoIndex = firstStream(f, AVMEDIA_TYPE_VIDEO, fourcc("vids"), headers);
        const int audioIndex = firstStream(f, AVMEDIA_TYPE_AUDIO, fourcc("auds"), headers);
        if (videoIndex >= 0) {
            video_ = std::make_unique<AviVideo>(std::move(input), videoIndex, headers[videoIndex]);
            if (!video_->open())
                video_.reset();
        }
        if (audioIndex >= 0) {
            // The sound reads on its own: a second demuxer unless the first is free.
            if (!input) {
                input = std::make_unique<Demuxer>(file_.fd());
                if (input->open(url, kAviOnly) != Demuxer::Result::Opened)
                    return true;
            }
            audio_ = std::make_unique<AviAudio>(std::move(input), audioIndex);
            if (!audio_->open(headers[audioIndex]))
                audio_.reset();
        }
        return true;
    }

    AviVideoStream* videoStream() override { return video_.get(); }
    AviAudioStream* audioStream() override { return audio_.get(); }

private:
    FileHandle file_;
    std::unique_ptr<AviVideo> video_;
    std::unique_ptr<AviAudio> audio_;
};

}  // namespace

std::unique_ptr<AviFile> openAviFile(FileHandle file, const QString& path) {
    auto avi = std::make_unique<FfmpegAviFile>(std::move(file));
    if (!avi->open(path))
        return nullptr;
    return avi;
}

}  // namespace mci_internal
}  // namespace lumora
