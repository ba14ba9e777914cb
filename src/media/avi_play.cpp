#include "media/avi_play.h"

#include "platform/avifile.h"

#include <QPainter>
#include <QRegion>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace lumora {

namespace {
constexpr int kMinIntervalMs = 1;
constexpr int kMaxIntervalMs = 10000;
}  // namespace

TDCAVIPlay::TDCAVIPlay(QWidget* parent) : QWidget(parent), notice_([this] { timerNews(); }, this) {
    resize(100, 50);
    // Transparent: Qt paints the parent beneath first.
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent_);
}

TDCAVIPlay::~TDCAVIPlay() {
    // Nothing reaches the owner from a control that is going away.
    blockSignals(true);
    Stop();
}

void TDCAVIPlay::setActive(bool active) {
    if (active == active_)
        return;
    if (active)
        Play(StartFrame(), StopFrame(), repetitions_);
    else
        Stop();
}

void TDCAVIPlay::setAutoSize(bool autoSize) {
    if (autoSize == autoSize_)
        return;
    autoSize_ = autoSize;
    fitToFrame();
}

void TDCAVIPlay::setCenter(bool center) {
    if (center == center_)
        return;
    center_ = center;
    update();
}

void TDCAVIPlay::setFileName(const QString& fileName) {
    if (fileName == fileName_)
        return;
    fileName_ = fileName;
    replaceFile();
}

void TDCAVIPlay::setPlaySound(bool playSound) {
    if (playSound == playSound_)
        return;
    playSound_ = playSound;
    if (!active_ || !audio_)
        return;
    if (playSound)
        startSound(current_);
    else
        sound_.stop();
}

void TDCAVIPlay::setRepetitions(int repetitions) {
    repetitions_ = repetitions;
}

void TDCAVIPlay::setStartFrame(int frame) {
    startFrame_ = video_ ? std::clamp(frame, 0, frameCount_ - 1) : frame;
}

void TDCAVIPlay::setStopFrame(int frame) {
    stopFrame_ = video_ ? std::clamp(frame, 0, frameCount_ - 1) : frame;
}

void TDCAVIPlay::setStretch(bool stretch) {
    if (stretch == stretch_)
        return;
    stretch_ = stretch;
    update();
}

void TDCAVIPlay::setTransparent(bool transparent) {
    if (transparent == transparent_)
        return;
    transparent_ = transparent;
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
    update();
}

void TDCAVIPlay::Open() {
    if (fileName_.isEmpty() || video_)
        return;
    std::unique_ptr<AviFile> file = openAviFile(fileName_);
    AviVideoStream* video = file ? file->videoStream() : nullptr;
    if (!video)
        return;
    const AviStreamInfo info = video->info();
    if (info.rate == 0 || info.scale == 0 || info.length <= 0)
        return;
    const int count = int(std::min<int64_t>(info.length, INT_MAX));
    const int start = int(std::clamp<int64_t>(info.start, 0, count - 1));
    // The size is the decoded one: headers are wrong often enough.
    QImage first = video->frame(start);
    if (first.isNull())
        return;

    file_ = std::move(file);
    video_ = video;
    audio_ = file_->audioStream();
    frameCount_ = count;
    frameSize_ = first.size();
    startFrame_ = start;
    stopFrame_ = count - 1;
    current_ = start;
    picture_ = std::move(first);
    pictureFrame_ = start;
    keyed_ = QImage();
    // The interval as reported rounds; the timer keeps the exact period.
    const int64_t exact = (int64_t(info.scale) * 1000 + info.rate / 2) / info.rate;
    interval_ = int(std::clamp<int64_t>(exact, kMinIntervalMs, kMaxIntervalMs));
    if (int64_t(info.scale) * 1000 < int64_t(info.rate) * kMinIntervalMs)
        period_ = {kMinIntervalMs, 1000};
    else if (int64_t(info.scale) * 1000 > int64_t(info.rate) * kMaxIntervalMs)
        period_ = {kMaxIntervalMs, 1000};
    else
        period_ = {info.scale, info.rate};

    fitToFrame();
    update();
    emit OnOpen();
}

void TDCAVIPlay::Close() {
    Stop();
    video_ = nullptr;
    audio_ = nullptr;
    file_.reset();
    frameCount_ = 0;
    interval_ = 0;
    picture_ = keyed_ = QImage();
    pictureFrame_ = -1;
    update();
    emit OnClose();
}

void TDCAVIPlay::replaceFile() {
    const bool wasPlaying = active_;
    Close();
    Open();
    update();
    // An emptied control shows what is beneath it at once.
    if (fileName_.isEmpty() && parentWidget())
        parentWidget()->repaint(geometry());
    if (wasPlaying)
        Play(StartFrame(), StopFrame(), repetitions_);
}

void TDCAVIPlay::Reopen() {
    replaceFile();
}

void TDCAVIPlay::Play(int start, int stop, int repetitions) {
    Stop();
    if (!video_)
        return;
    start = std::clamp(start, 0, frameCount_ - 1);
    current_ = startFrame_ = start;
    stopFrame_ = std::clamp(stop, 0, frameCount_ - 1);
    repetitionsLeft_ = repetitions;
    emit OnStart();
    active_ = true;
    // The pass's first frame is due now.
    update();
    if (audio_ && playSound_)
        startSound(start);
    timer_.start(period_, [this] { tick(); });
}

void TDCAVIPlay::Stop() {
    // Also the tail of a last pass's sound still playing.
    ++soundGeneration_;
    sound_.stop();
    endPictures();
}

// The output plays the sound a little behind the pictures: the last pass's
// sound, which ends with its last frame, plays to its end before the output
// is closed, unless a new pass or Stop comes first.
void TDCAVIPlay::finishSound() {
    if (sound_.buffersInFlight() == 0) {
        sound_.stop();
        return;
    }
    QTimer::singleShot(10, this, [this, generation = soundGeneration_] {
        if (generation == soundGeneration_)
            finishSound();
    });
}

void TDCAVIPlay::endPictures() {
    timer_.stop();
    paintPending_ = restartPending_ = endPending_ = ending_ = false;
    if (!active_)
        return;
    active_ = false;
    emit OnStop();
    update();
}

// On the timer's thread: frame numbers and flags only, the GUI thread does
// the rest when the notice reaches it.
void TDCAVIPlay::tick() {
    if (ending_)
        return;
    int frame = current_;
    bool news = false;
    if (frame >= stopFrame_) {
        if (repetitionsLeft_ > 0 && --repetitionsLeft_ == 0) {
            ending_ = true;
            endPending_ = true;
            notice_.post();
            return;
        }
        frame = startFrame_ - 1;
        news = !restartPending_.exchange(true);
    }
    current_ = frame + 1;
    // While a paint is pending the GUI thread is behind: it paints the
    // newest frame once instead of every frame it missed.
    news |= !paintPending_.exchange(true);
    if (news)
        notice_.post();
}

void TDCAVIPlay::timerNews() {
    if (endPending_.exchange(false)) {
        endPictures();
        finishSound();
        return;
    }
    if (restartPending_.exchange(false) && active_ && audio_ && playSound_)
        startSound(current_);
    if (paintPending_.exchange(false)) {
        followSound();
        repaint();
    }
}

// While the sound plays the pictures keep its pace rather than the system
// clock's: an output whose clock runs 0.3 % fast parts them by a fifth of a
// second in a minute. Each painted frame moves the ticks by a small share of
// the drift, so that the output's uneven pulls do not show as uneven frames.
void TDCAVIPlay::followSound() {
    if (!sound_.playing() || !audio_)
        return;
    const int rate = audio_->format().samplesPerSec;
    const int64_t played = sound_.position();
    if (rate <= 0 || played < rate / 2)  // the output's first moments are not its pace
        return;
    const double soundNs = double(played) * 1e9 / rate;
    const double pictureNs =
        double(MMTimer::dueAfter(period_, current_ - soundStartFrame_).count());
    const double lead = pictureNs - soundNs;
    // The lead to keep is the mean of the first frames' leads: one reading
    // alone carries the timing of one pull.
    constexpr int kSettleFrames = 16;
    if (leadReadings_ < kSettleFrames) {
        leadKeptNs_ += (lead - leadKeptNs_) / ++leadReadings_;
        leadNs_ = leadKeptNs_;
        return;
    }
    // Then the lead averaged over some sixteen frames, and a thirty-second of
    // its drift made up at each frame: steady, and a clock 0.3 % off stays
    // within a few milliseconds.
    leadNs_ += (lead - leadNs_) / 16;
    constexpr double kMaxStepNs = 2e6;
    const double step = std::clamp((leadNs_ - leadKeptNs_) / 32, -kMaxStepNs, kMaxStepNs);
    timer_.shift(std::chrono::nanoseconds(int64_t(step)));
}

void TDCAVIPlay::startSound(int frame) {
    ++soundGeneration_;
    soundStartFrame_ = frame;
    leadReadings_ = 0;
    const int64_t first = audio_->timeToSample(video_->sampleToTime(frame));
    // To the end of the last frame: the sound of a pass lasts as long as its pictures.
    const int64_t end = audio_->timeToSample(video_->sampleToTime(int64_t(stopFrame_) + 1));
    sound_.play(audio_, first, end);
}

void TDCAVIPlay::fitToFrame() {
    if (autoSize_ && video_)
        resize(frameSize_);
}

void TDCAVIPlay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitToFrame();
}

const QImage& TDCAVIPlay::picture() {
    const int frame = current_;
    if (frame != pictureFrame_) {
        // A frame that fails is not tried again for every paint.
        pictureFrame_ = frame;
        QImage decoded = video_->frame(frame);
        if (!decoded.isNull()) {
            picture_ = std::move(decoded);
            keyed_ = QImage();
        }
    }
    return picture_;
}

const QImage& TDCAVIPlay::keyedPicture() {
    const QImage& frame = picture();
    if (keyed_.isNull() && !frame.isNull()) {
        keyed_ = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QRgb key = frame.pixel(0, frame.height() - 1);
        for (int y = 0; y < keyed_.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(keyed_.scanLine(y));
            for (int x = 0; x < keyed_.width(); ++x)
                if (line[x] == key)
                    line[x] = 0;
        }
    }
    return keyed_;
}

void TDCAVIPlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!video_) {
        if (!transparent_)
            painter.fillRect(rect(), palette().window());
        return;
    }
    const QImage& frame = transparent_ ? keyedPicture() : picture();
    QRect target = rect();
    if (!stretch_) {
        target.setSize(frame.size());
        // Rounded toward zero, as the offsets always were; a larger frame is cut on both sides.
        if (center_)
            target.moveTopLeft({(width() - frame.width()) / 2, (height() - frame.height()) / 2});
    }
    if (transparent_) {
        painter.drawImage(target, frame);
        return;
    }
    if (!stretch_)
        for (const QRect& band : QRegion(rect()).subtracted(target))
            painter.fillRect(band, palette().window());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, frame);
}

}  // namespace lumora
