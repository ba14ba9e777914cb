// Sound and video files decoded with FFmpeg. A decoding thread fills a
// second of sound on the file's timeline and a few converted video frames;
// the output pulls the sound, and a presenting thread hands each frame to the
// display when the sound's clock reaches it.

#include "base/file_name.h"
#include "platform/mci.h"
#include "platform/mci_backend/backend.h"
#include "platform/mci_backend/ffmpeg_input.h"
#include "platform/mci_backend/mci_video.h"

#include <QMetaObject>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <deque>
#include <optional>
#include <thread>

namespace lumora {

namespace {

// Demuxers of single, self-contained files. Playlists, concatenation scripts,
// image sequences and the like open other files or addresses and are refused.
constexpr const char* kFormats =
    "wav,w64,aiff,au,voc,caf,mp3,aac,ac3,eac3,flac,ogg,wv,mov,matroska,mpeg,mpegts,mpegvideo,"
    "m4v,avi,asf";

constexpr int64_t kRingFrames = AudioOut::kRate;  // one second of sound ahead
// The decoder is woken when a quarter of the ring is free, not for every chunk.
constexpr int64_t kRefillFrames = kRingFrames / 4;
// Sound starts once this much is ready, so a slow start does not stutter.
constexpr int64_t kPrimeFrames = 4096;
// Timestamps that drift less than this from the sound already queued are
// taken as continuous.
constexpr int64_t kTolerance = AudioOut::kRate / 100;
constexpr size_t kMaxQueuedFrames = 12;
constexpr int64_t kMaxQueuedBytes = 64 << 20;
constexpr int kMaxPixels = 4096 * 4096;
// Timestamps are kept within some thirty years, so sums never overflow.
constexpr int64_t kMaxTimelineMs = int64_t(1) << 40;

using namespace mci_internal;

// A stream timestamp on our timeline (in `unit`, from the file's start), or
// nothing when it is unknown or absurd.
std::optional<int64_t> onTimeline(int64_t pts, AVRational base, AVRational unit, int64_t origin) {
    if (pts == AV_NOPTS_VALUE)
        return std::nullopt;
    const int64_t at = av_rescale_q(pts, base, unit);
    const int64_t limit = av_rescale(kMaxTimelineMs, unit.den, int64_t(unit.num) * 1000);
    if (at == INT64_MIN || at < origin - limit || at > origin + limit)
        return std::nullopt;
    return at - origin;
}

struct VideoFrame {
    int64_t timeMs;
    QImage image;
};

class FfmpegStream final : public mci_internal::Stream {
    enum class Waiting { Nothing, Room, Frames };

public:
    FfmpegStream(mci_internal::FileHandle file, const QString& path,
                 mci_internal::ErrorSlot& errors, QWidget* display)
        : path_(path), errors_(errors), file_(std::move(file)), input_(file_.fd()) {
        openFile();
        openStreams();
        // Before the decoder starts: pictures decoded with nowhere to draw
        // are dropped, and the first one would be lost.
        if (surface_)
            surface_->setDisplay(display);
        packet_.reset(av_packet_alloc());
        frame_.reset(av_frame_alloc());
        if (!packet_ || !frame_)
            throw std::bad_alloc();
        ring_.resize(size_t(kRingFrames) * AudioOut::kChannels);
        decoder_ = std::thread([this] { decodeLoop(); });
        if (video_)
            presenter_ = std::thread([this] { presentLoop(); });
    }

    ~FfmpegStream() override {
        {
            std::lock_guard lock(m_);
            quit_ = true;
            ++generation_;
        }
        cv_.notify_all();
        presentCv_.notify_all();
        decoder_.join();
        if (presenter_.joinable())
            presenter_.join();
    }

    bool hasVideo() const override { return bool(video_); }
    void setDisplay(QWidget* display) override {
        if (!surface_)
            return;
        const bool hadArea = !surface_->targetSize().isEmpty();
        surface_->setDisplay(display);
        // The pictures decoded while there was nowhere to draw were dropped:
        // a stream that stands still decodes the one at its position again.
        bool standing;
        {
            std::lock_guard lock(m_);
            standing = !running_;
        }
        if (!hadArea && !surface_->targetSize().isEmpty() && standing)
            seek(positionMs(), false);
    }
    int framesDrawn() const override { return surface_ ? surface_->framesDrawn() : 0; }

    bool seeking() const override {
        std::lock_guard lock(m_);
        return seeking_;
    }

    void runningChanged(bool running) override {
        {
            std::lock_guard lock(m_);
            running_ = running;
        }
        presentCv_.notify_all();
    }

    void seek(int ms, bool wait) override {
        std::unique_lock lock(m_);
        ++generation_;
        seekTarget_ = PlayClock::toFrames(ms);
        seeking_ = true;
        eof_ = primed_ = false;
        showFirst_ = true;
        ringHead_ = ringSize_ = 0;
        ringEnd_ = seekTarget_;
        frames_.clear();
        placeAt(ms);
        cv_.notify_all();
        presentCv_.notify_all();
        if (wait)
            cv_.wait(lock, [this] { return !seeking_; });
    }

    bool render(float* out, int frames) override {
        std::lock_guard lock(m_);
        if (!primed_) {
            if (ringSize_ < kPrimeFrames && !eof_ && waiting_ == Waiting::Nothing)
                return true;
            primed_ = true;
        }
        const int64_t n = std::min<int64_t>(frames, ringSize_);
        const int64_t first = std::min(n, kRingFrames - ringHead_);
        const float* ring = ring_.data();
        std::copy_n(ring + ringHead_ * AudioOut::kChannels, first * AudioOut::kChannels, out);
        std::copy_n(ring, (n - first) * AudioOut::kChannels, out + first * AudioOut::kChannels);
        ringHead_ = (ringHead_ + n) % kRingFrames;
        ringSize_ -= n;
        if (waiting_ == Waiting::Room && ringSize_ <= kRingFrames - kRefillFrames)
            cv_.notify_all();
        if (n < frames && eof_) {
            presentCv_.notify_all();
            clock_.advance(n);
            // Ends exactly at the length, the header's or what really played.
            length_ = int(
                std::clamp<int64_t>(PlayClock::toMs(clock_.end()), declaredLength_, INT_MAX - 1));
            ended_ = true;
            running_ = false;
            return false;
        }
        // Sound that comes too late is skipped: time goes on, as it does for
        // the video timed against it.
        if (n < frames)
            ringEnd_ += frames - n;
        clock_.advance(frames);
        // A medium longer than its header said: the position stays below the
        // length until the end.
        const int64_t reached = PlayClock::toMs(clock_.end());
        if (reached >= length_)
            length_ = int(std::min<int64_t>(reached + 1, INT_MAX - 1));
        return true;
    }

private:
    void openFile() {
        switch (input_.open(encodeFileName(path_), kFormats)) {
            case Demuxer::Result::Opened:
                break;
            case Demuxer::Result::NotMedia:
                throw EMciError::notMediaFile(path_);
            case Demuxer::Result::Unsupported:
                throw EMciError::unsupportedFormat(path_);
        }
        if (avformat_find_stream_info(input_.context(), nullptr) < 0)
            throw EMciError::notMediaFile(path_);
    }

    void openStreams() {
        AVFormatContext* f = input_.context();
        bool present = false;
        audioIndex_ = av_find_best_stream(f, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (audioIndex_ >= 0) {
            present = true;
            audio_ = openDecoder(f->streams[audioIndex_], kMaxPixels);
        }
        videoIndex_ = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (videoIndex_ >= 0) {
            present = true;
            video_ = openDecoder(f->streams[videoIndex_], kMaxPixels);
        }
        if (!audio_ && !video_)
            throw present ? EMciError::unsupportedFormat(path_) : EMciError::notMediaFile(path_);

        int64_t duration = f->duration;
        if (duration == AV_NOPTS_VALUE || duration <= 0) {
            duration = 0;
            for (int index : {audioIndex_, videoIndex_}) {
                const AVStream* s = index >= 0 ? f->streams[index] : nullptr;
                if (s && s->duration != AV_NOPTS_VALUE && s->duration > 0)
                    duration = std::max(duration, av_rescale_q(s->duration, s->time_base,
                                                               AVRational{1, AV_TIME_BASE}));
            }
        }
        knownLength_ = duration > 0;
        declaredLength_ =
            int(std::clamp<int64_t>(av_rescale(duration, 1000, AV_TIME_BASE), 0, INT_MAX - 1));
        length_ = declaredLength_;
        const int64_t start = f->start_time;
        if (start != AV_NOPTS_VALUE && start > -kMaxTimelineMs * 1000 &&
            start < kMaxTimelineMs * 1000)
            startTime_ = start;
        startMs_ = av_rescale(startTime_, 1000, AV_TIME_BASE);
        startFrames_ = av_rescale(startTime_, AudioOut::kRate, AV_TIME_BASE);

        if (video_) {
            const AVStream* s = f->streams[videoIndex_];
            AVRational rate = s->avg_frame_rate.num > 0 ? s->avg_frame_rate : s->r_frame_rate;
            frameMs_ = rate.num > 0 && rate.den > 0
                           ? std::clamp<int64_t>(av_rescale(1000, rate.den, rate.num), 1, 1000)
                           : 40;
            surface_ = std::make_unique<mci_internal::VideoSurface>();
        }
    }

    // --- decoding thread ---

    void decodeLoop() {
        AVPacket* packet = packet_.get();
        AVFrame* frame = frame_.get();
        for (;;) {
            uint64_t generation;
            int64_t target;
            {
                std::unique_lock lock(m_);
                cv_.wait(lock, [this] { return quit_ || seekTarget_ >= 0 || !eof_; });
                if (quit_)
                    return;
                generation = generation_;
                target = std::exchange(seekTarget_, -1);
            }
            if (target >= 0) {
                reposition(target, generation);
                continue;
            }
            const int read = av_read_frame(input_.context(), packet);
            if (read < 0) {
                if (read != AVERROR_EOF)
                    errors_.set(QStringLiteral("Cannot read %1").arg(path_));
                finish(frame, generation);
                continue;
            }
            if (packet->stream_index == audioIndex_ && audio_)
                decode(audio_.get(), packet, frame, generation);
            else if (packet->stream_index == videoIndex_ && video_)
                decode(video_.get(), packet, frame, generation);
            av_packet_unref(packet);
        }
    }

    // Sends a packet (nullptr: the end) and takes what the decoder gives.
    // False when a seek or close made the work pointless.
    bool decode(AVCodecContext* codec, const AVPacket* packet, AVFrame* frame,
                uint64_t generation) {
        if (avcodec_send_packet(codec, packet) < 0 && packet) {
            damaged();
            return true;
        }
        int received;
        while ((received = avcodec_receive_frame(codec, frame)) >= 0) {
            const bool go = codec == audio_.get() ? pushSound(frame, generation)
                                                  : pushPicture(frame, generation);
            av_frame_unref(frame);
            if (!go)
                return false;
        }
        if (received != AVERROR(EAGAIN) && received != AVERROR_EOF)
            damaged();
        return true;
    }

    void damaged() { errors_.set(QStringLiteral("Damaged data in %1").arg(path_)); }

    void finish(AVFrame* frame, uint64_t generation) {
        if ((audio_ && !decode(audio_.get(), nullptr, frame, generation)) ||
            (video_ && !decode(video_.get(), nullptr, frame, generation)))
            return;
        // The last picture stays for its time even when the sound ends earlier.
        if (video_ && !padTo(PlayClock::toFrames(lastVideoEndMs_), generation))
            return;
        std::lock_guard lock(m_);
        if (generation == generation_)
            eof_ = true;
    }

    void reposition(int64_t target, uint64_t generation) {
        const int64_t at = startTime_ + av_rescale(target, AV_TIME_BASE, AudioOut::kRate);
        // Failing that, from the start: what comes before the target is skipped.
        if (avformat_seek_file(input_.context(), -1, INT64_MIN, at, at, 0) < 0 &&
            avformat_seek_file(input_.context(), -1, INT64_MIN, startTime_, startTime_, 0) < 0)
            errors_.set(QStringLiteral("Cannot seek in %1").arg(path_));
        for (AVCodecContext* codec : {audio_.get(), video_.get()})
            if (codec)
                avcodec_flush_buffers(codec);
        resampler_.reset();
        skipBeforeMs_ = lastVideoEndMs_ = nextVideoMs_ = PlayClock::toMs(target);
        std::lock_guard lock(m_);
        if (generation == generation_) {
            seeking_ = false;
            cv_.notify_all();
        }
    }

    bool pushSound(const AVFrame* frame, uint64_t generation) {
        static const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (frame->nb_samples <= 0 ||
            !resampler_.accept(frame->ch_layout, frame->format, frame->sample_rate, stereo)) {
            damaged();
            return true;
        }
        const int n = resampler_.convert(frame->extended_data, frame->nb_samples, sound_);
        if (n <= 0)
            return true;
        const AVRational base = input_.context()->streams[audioIndex_]->time_base;
        const std::optional<int64_t> start = onTimeline(
            frame->best_effort_timestamp, base, AVRational{1, AudioOut::kRate}, startFrames_);

        std::unique_lock lock(m_);
        if (generation != generation_)
            return false;
        const float* data = sound_.data();
        int64_t count = n;
        if (start) {
            const int64_t gap = *start - ringEnd_;
            if (gap > kTolerance && !padLocked(lock, *start, generation))
                return false;
            if (gap < -kTolerance) {
                const int64_t drop = std::min(-gap, count);
                data += drop * AudioOut::kChannels;
                count -= drop;
            }
        }
        return writeLocked(lock, data, count, generation);
    }

    bool pushPicture(const AVFrame* frame, uint64_t generation) {
        const AVRational base = input_.context()->streams[videoIndex_]->time_base;
        const int64_t timeMs =
            onTimeline(frame->best_effort_timestamp, base, AVRational{1, 1000}, startMs_)
                .value_or(nextVideoMs_);
        const int64_t endMs = timeMs + frameMs_;
        nextVideoMs_ = endMs;
        lastVideoEndMs_ = std::max(lastVideoEndMs_, endMs);
        if (!audio_ && !timePicture(timeMs, generation))
            return false;
        if (endMs <= skipBeforeMs_ || frame->width <= 0 || frame->height <= 0)
            return true;
        QSize natural(frame->width, frame->height);
        const AVRational aspect = frame->sample_aspect_ratio;
        if (aspect.num > 0 && aspect.den > 0)
            natural.setWidth(int(std::clamp<int64_t>(
                av_rescale(frame->width, aspect.num, aspect.den), 1, kMaxPixels)));
        const QSize size = mci_internal::VideoSurface::fitted(natural, surface_->targetSize());
        if (size.isEmpty())
            return true;  // nowhere to draw
        QImage image(size, QImage::Format_RGB32);
        SwsContext* sws = sws_getCachedContext(
            sws_.release(), frame->width, frame->height, AVPixelFormat(frame->format), size.width(),
            size.height(), AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
        sws_.reset(sws);
        if (image.isNull() || !sws)
            return true;
        uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);

        std::unique_lock lock(m_);
        const size_t most = size_t(std::clamp<int64_t>(kMaxQueuedBytes / image.sizeInBytes(), 2,
                                                       int64_t(kMaxQueuedFrames)));
        if (!waitLocked(lock, generation, Waiting::Frames, [&] { return frames_.size() < most; }))
            return false;
        frames_.push_back({timeMs, std::move(image)});
        presentCv_.notify_all();
        return true;
    }

    // Without sound the pictures make the timeline: a jump before a picture
    // is a gap, the picture's own time is content.
    bool timePicture(int64_t timeMs, uint64_t generation) {
        std::unique_lock lock(m_);
        if (generation != generation_ || !padLocked(lock, PlayClock::toFrames(timeMs), generation))
            return false;
        const int64_t end = std::min(PlayClock::toFrames(timeMs + frameMs_),
                                     ringEnd_ + PlayClock::toFrames(frameMs_));
        return writeLocked(lock, nullptr, end - ringEnd_, generation);
    }

    bool padTo(int64_t frame, uint64_t generation) {
        std::unique_lock lock(m_);
        return generation == generation_ && padLocked(lock, frame, generation);
    }

    // Silence up to a frame of the timeline, never beyond the medium's
    // length: a timestamp far off in a damaged file must not make hours of it.
    bool padLocked(std::unique_lock<std::mutex>& lock, int64_t frame, uint64_t generation) {
        const int64_t limit = knownLength_ ? PlayClock::toFrames(length_) : ringEnd_ + kRingFrames;
        return writeLocked(lock, nullptr, std::min(frame, limit) - ringEnd_, generation);
    }

    // Waits for room; false when a seek or close ended the wait. Sound starts
    // as soon as the decoder waits, whatever it has gathered.
    template <class Ready>
    bool waitLocked(std::unique_lock<std::mutex>& lock, uint64_t generation, Waiting why,
                    Ready ready) {
        if (!ready()) {
            waiting_ = why;
            cv_.wait(lock, [&] { return generation != generation_ || ready(); });
            waiting_ = Waiting::Nothing;
        }
        return generation == generation_;
    }

    // Appends count frames of sound (silence for nullptr) to the ring.
    bool writeLocked(std::unique_lock<std::mutex>& lock, const float* data, int64_t count,
                     uint64_t generation) {
        while (count > 0) {
            if (ringSize_ == kRingFrames && !waitLocked(lock, generation, Waiting::Room, [this] {
                    return ringSize_ <= kRingFrames - kRefillFrames;
                }))
                return false;
            const int64_t tail = (ringHead_ + ringSize_) % kRingFrames;
            const int64_t n = std::min({count, kRingFrames - ringSize_, kRingFrames - tail});
            float* to = ring_.data() + tail * AudioOut::kChannels;
            if (data) {
                std::copy_n(data, n * AudioOut::kChannels, to);
                data += n * AudioOut::kChannels;
            } else {
                std::fill_n(to, n * AudioOut::kChannels, 0.0f);
            }
            ringSize_ += n;
            ringEnd_ += n;
            count -= n;
        }
        return true;
    }

    // --- presenting thread ---

    void roomForFrames() {
        if (waiting_ == Waiting::Frames)
            cv_.notify_all();
    }

    void presentLoop() {
        std::unique_lock lock(m_);
        while (!quit_) {
            if (frames_.empty() || (!showFirst_ && !running_)) {
                presentCv_.wait(lock);
                continue;
            }
            if (!showFirst_) {
                const int64_t now = PlayClock::toMs(clock_.now());
                // Late pictures are dropped, never shown in a hurry.
                while (frames_.size() > 1 && frames_[1].timeMs <= now) {
                    frames_.pop_front();
                    roomForFrames();
                }
                const int64_t wait = frames_.front().timeMs - now;
                if (wait > 0) {
                    presentCv_.wait_for(lock, std::chrono::milliseconds(wait));
                    continue;
                }
            }
            showFirst_ = false;
            const QImage image = std::move(frames_.front().image);
            frames_.pop_front();
            roomForFrames();
            lock.unlock();
            mci_internal::VideoSurface* surface = surface_.get();
            QMetaObject::invokeMethod(
                surface, [surface, image] { surface->show(image); }, Qt::QueuedConnection);
            lock.lock();
        }
    }

    const QString path_;
    mci_internal::ErrorSlot& errors_;
    mci_internal::FileHandle file_;
    Demuxer input_;
    CodecContext audio_;
    CodecContext video_;
    int audioIndex_ = -1;
    int videoIndex_ = -1;
    bool knownLength_ = false;
    int declaredLength_ = 0;
    int64_t startTime_ = 0;  // AV_TIME_BASE units
    int64_t startMs_ = 0;
    int64_t startFrames_ = 0;
    int64_t frameMs_ = 40;
    std::unique_ptr<mci_internal::VideoSurface> surface_;

    // Only the decoding thread touches these.
    Packet packet_;
    Frame frame_;
    Resampler resampler_{AV_SAMPLE_FMT_FLT, AudioOut::kRate};
    std::unique_ptr<SwsContext, SwsDeleter> sws_;
    std::vector<float> sound_;
    int64_t skipBeforeMs_ = 0;
    int64_t lastVideoEndMs_ = 0;
    int64_t nextVideoMs_ = 0;

    // Shared by the threads, under m_.
    mutable std::mutex m_;
    std::condition_variable cv_;         // the decoder's work and the end of a seek
    std::condition_variable presentCv_;  // pictures to show, playing or not
    std::vector<float> ring_;
    int64_t ringHead_ = 0;  // frames
    int64_t ringSize_ = 0;
    int64_t ringEnd_ = 0;  // timeline frame after the last one queued
    std::deque<VideoFrame> frames_;
    uint64_t generation_ = 0;  // moves on with every seek and at close
    int64_t seekTarget_ = -1;
    bool seeking_ = false;
    bool eof_ = false;
    bool primed_ = false;
    Waiting waiting_ = Waiting::Nothing;  // what the decoder waits for
    bool running_ = false;
    bool showFirst_ = true;
    bool quit_ = false;

    std::thread decoder_;
    std::thread presenter_;
};

}  // namespace

std::unique_ptr<mci_internal::Stream> mci_internal::openFfmpegStream(FileHandle file,
                                                                     const QString& path,
                                                                     ErrorSlot& errors,
                                                                     QWidget* display) {
    return std::make_unique<FfmpegStream>(std::move(file), path, errors, display);
}

}  // namespace lumora
