#pragma once

#include "media/audio_play.h"
#include "platform/mmtimer.h"
#include "platform/thread_notice.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <atomic>
#include <memory>

namespace lumora {

class AviAudioStream;
class AviFile;
class AviVideoStream;

// Plays an AVI file inside itself. A multimedia timer paces the frames (frame
// k of a pass is due k x scale / rate seconds after the pass began), the sound
// plays through TAudioPlay, and each frame is drawn opaque, centred on the
// control's colour or stretched smoothly over the control, or transparent:
// pixels of the frame's key colour (its bottom-left pixel) show the parent
// beneath. Frame numbers are 32-bit.
class TDCAVIPlay : public QWidget {
    Q_OBJECT
public:
    explicit TDCAVIPlay(QWidget* parent = nullptr);
    ~TDCAVIPlay() override;

    // Published properties; each setter acts only when the value changes.

    // Playing: on plays StartFrame to StopFrame with Repetitions, off stops.
    bool Active() const { return active_; }
    void setActive(bool active);
    // The control takes the decoded frame's size when a file opens and when
    // it is resized.
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool autoSize);
    // A frame smaller than the control is centred; ignored while stretched.
    bool Center() const { return center_; }
    void setCenter(bool center);
    // Setting another name closes the file and opens that one, playing on if
    // it played.
    QString FileName() const { return fileName_; }
    void setFileName(const QString& fileName);
    // Playing the sound with the video; switched during playback, the sound
    // starts at the current frame or stops.
    bool PlaySound() const { return playSound_; }
    void setPlaySound(bool playSound);
    // Passes played; 0 is endless.
    int Repetitions() const { return repetitions_; }
    void setRepetitions(int repetitions);
    // The first and last frame of a pass, kept within the file's frames
    // while one is open; opening sets them to the whole file.
    int StartFrame() const { return startFrame_; }
    void setStartFrame(int frame);
    int StopFrame() const { return stopFrame_; }
    void setStopFrame(int frame);
    bool Stretch() const { return stretch_; }
    void setStretch(bool stretch);
    bool Transparent() const { return transparent_; }
    void setTransparent(bool transparent);

    // Opens FileName. A file that does not open, has no playable video, a
    // rate or scale of 0, no frames or no first frame that decodes leaves
    // the control empty, without a message.
    void Open();
    void Close();
    // Plays from start to stop (kept within the file's frames), repetitions
    // passes; nothing without a file.
    void Play(int start, int stop, int repetitions);
    // Once this returns no tick runs and the sound is silent.
    void Stop();
    // Opens FileName again, playing on if it played.
    void Reopen();

    bool isOpen() const { return video_ != nullptr; }
    int FrameCount() const { return frameCount_; }
    // The decoded size of the first frame.
    QSize FrameSize() const { return frameSize_; }
    int CurrentFrame() const { return current_; }
    // Milliseconds between frames as reported: scale x 1000 / rate rounded,
    // within 1 .. 10,000; 0 without a file. The timer keeps the exact period.
    int FrameInterval() const { return interval_; }
    // The exact period of the timer, in seconds.
    MMTimer::Period FramePeriod() const { return period_; }
    const TAudioPlay& sound() const { return sound_; }

signals:
    void OnOpen();
    void OnClose();
    void OnStart();
    void OnStop();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void tick();
    void timerNews();
    // Stops the pictures and says so; the sound goes on.
    void endPictures();
    void finishSound();
    void replaceFile();
    void startSound(int frame);
    void followSound();
    void fitToFrame();
    // The current frame's picture; the last one that decoded when it fails.
    const QImage& picture();
    const QImage& keyedPicture();

    std::unique_ptr<AviFile> file_;
    AviVideoStream* video_ = nullptr;
    AviAudioStream* audio_ = nullptr;
    QString fileName_;
    bool active_ = false;
    bool autoSize_ = true;
    bool center_ = true;
    bool playSound_ = true;
    int repetitions_ = 0;
    bool stretch_ = false;
    bool transparent_ = true;
    int frameCount_ = 0;
    QSize frameSize_;
    int interval_ = 0;
    MMTimer::Period period_{1, 1};

    QImage picture_;
    int pictureFrame_ = -1;
    QImage keyed_;

    // Shared with the timer's thread.
    std::atomic<int> current_{0};
    std::atomic<int> startFrame_{1};
    std::atomic<int> stopFrame_{0};
    std::atomic<bool> paintPending_{false};
    std::atomic<bool> restartPending_{false};
    std::atomic<bool> endPending_{false};
    std::atomic<bool> ending_{false};  // the last pass ended; ticks until Stop do nothing
    int repetitionsLeft_ = 0;          // the timer's thread alone while it runs
    // The frame the sound started at, how many leads of the pictures on the
    // sound were read, the lead to keep and the lead now, averaged
    // (nanoseconds); the GUI thread's.
    int soundStartFrame_ = 0;
    int leadReadings_ = 0;
    double leadKeptNs_ = 0;
    double leadNs_ = 0;
    // Changes with each new sound and each Stop: a last pass's sound playing
    // out is closed only if neither came.
    int soundGeneration_ = 0;

    // Declared first, destroyed last: the sound and the timer stop before it goes.
    ThreadNotice notice_;
    TAudioPlay sound_;
    MMTimer timer_;
};

}  // namespace lumora
