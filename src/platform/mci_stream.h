#pragma once

// Inside the media-control layer: one opened medium as the device drives it.

#include "platform/audio_out.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QWidget;

namespace lumora {
class AviFile;
class WaveOut;
struct WaveFormat;
struct WaveHeader;
}  // namespace lumora

namespace lumora::mci_internal {

// The last error of an open device: kept, never raised. Worker threads set it too.
class ErrorSlot {
public:
    void set(const QString& text) {
        std::lock_guard lock(m_);
        text_ = text;
    }
    QString get() const {
        std::lock_guard lock(m_);
        return text_;
    }

private:
    mutable std::mutex m_;
    QString text_;
};

// A medium on its own timeline. The device calls it from the GUI thread; the
// output pulls its sound (render) on the output's thread.
class Stream : public AudioSource {
public:
    // In milliseconds; may grow while playing when the medium runs longer than
    // its header said.
    int lengthMs() const { return length_; }
    // Below the length until the end was reached, then exactly the length.
    int positionMs() const;
    bool ended() const { return ended_; }

    // Moves to ms (within the length; the length itself is the end). Only
    // called while the stream is off the output. With wait, returns once the
    // new position is ready.
    virtual void seek(int ms, bool wait) = 0;
    virtual bool seeking() const { return false; }
    // Told when the device starts or stops pulling it. Stopped, the position
    // stands at the end of what the output took.
    void setRunning(bool running) {
        if (!running)
            clock_.hold();
        runningChanged(running);
    }

    virtual bool hasVideo() const { return false; }
    virtual void setDisplay(QWidget* display) {}
    virtual int framesDrawn() const { return 0; }

protected:
    virtual void runningChanged(bool running) {}
    // Where a seek puts the clock; the length itself is the end.
    void placeAt(int ms) {
        clock_.set(PlayClock::toFrames(ms));
        ended_ = ms > 0 && ms >= length_;
    }

    PlayClock clock_;
    std::atomic<int> length_{0};
    std::atomic<bool> ended_{false};
};

// An open, regular file; closed with its owner.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle& operator=(FileHandle&&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Opens a regular, non-empty file for reading without waiting on a FIFO;
// raises EMciError naming path. size gets the file's size.
FileHandle openMediaFile(const QString& path, int64_t* size);

// The media back end: the decoders and the shared sound output. The program
// loads it at the first open (liblumora-media.so beside the executable), so a
// run that plays nothing never maps FFmpeg, SDL, FluidSynth and what they
// bring; tests and benchmarks link it in and install it.
struct MediaBackend {
    // Raise EMciError when the file cannot be played. Video is drawn into
    // display (nullptr: nowhere) from the first picture on.
    std::unique_ptr<Stream> (*openFfmpegStream)(FileHandle file, const QString& path,
                                                ErrorSlot& errors, QWidget* display);
    std::unique_ptr<Stream> (*openMidiStream)(const QByteArray& bytes, const QString& path);
    void (*startSound)(AudioSource* source);
    void (*stopSound)(AudioSource* source);
    // nullptr when the file is no AVI file FFmpeg reads.
    std::unique_ptr<AviFile> (*openAviFile)(FileHandle file, const QString& path);
    // A wave output on the shared sound output; nullptr for a format it does not play.
    std::unique_ptr<WaveOut> (*openWaveOut)(const WaveFormat& format,
                                            std::function<void(WaveHeader&)> done);
};

// The installed back end, else the loaded one; raises EMciError naming path
// when it cannot be loaded. Called on the GUI thread.
const MediaBackend& mediaBackend(const QString& path);
void setMediaBackend(const MediaBackend* backend);

}  // namespace lumora::mci_internal
