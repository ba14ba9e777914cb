#pragma once

#include "platform/errors.h"

#include <QString>

#include <memory>

class QWidget;

namespace lumora {

// Media control: one device per player, driven from the GUI thread.
//
//   std::unique_ptr<MciDevice> player = mci().createDevice();
//   player->setDisplay(panel);   // video players only
//   player->open(path);          // raises EMciError
//   player->play();
//   ... a timer polls player->position(), player->mode() ...
//
// Times are milliseconds. The kind of device is chosen by the file's content:
// MIDI files (also inside a RIFF RMID wrapper) are rendered with the system's
// General MIDI sound font, everything else (WAV and other sound, MPEG audio
// and video) is decoded with FFmpeg. All devices play through the one shared
// audio output; without any sound output they play silently in real time.

enum class MciMode { NotReady, Stopped, Playing, Seeking, Paused };

// A failed media command, with our own texts; callers let it reach the
// default error box.
class EMciError : public EError {
public:
    enum class Cause {
        NoDevice,
        FileNotFound,
        CannotOpen,
        NotMediaFile,
        UnsupportedFormat,
        NoSoundFont,
        NoMediaSupport
    };

    EMciError(Cause cause, const QString& message) : EError(message), cause_(cause) {}
    Cause cause() const { return cause_; }

    static EMciError noDevice();
    static EMciError fileNotFound(const QString& path);
    static EMciError cannotOpen(const QString& path);
    static EMciError notMediaFile(const QString& path);
    static EMciError unsupportedFormat(const QString& path);
    static EMciError noSoundFont(const QString& path, const QString& where);
    static EMciError noMediaSupport(const QString& path, const QString& why);

private:
    Cause cause_;
};

class MciDevice {
public:
    virtual ~MciDevice() = default;

    // Opens a file, closing the device's previous one first. On failure the
    // device holds nothing and EMciError is raised.
    virtual void open(const QString& fileName) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString fileName() const = 0;

    // The widget video is drawn into (painted on the GUI thread, over the
    // widget's background, below its children); nullptr for none. May be set
    // before or after open.
    virtual void setDisplay(QWidget* display) = 0;
    virtual bool hasVideo() const = 0;

    // These raise EMciError ("No MCI device open") when nothing is open.
    // Plays from the position to the end; at the end it starts again from the start.
    virtual void play() = 0;
    // Pauses when playing, resumes when paused, does nothing otherwise.
    virtual void pause() = 0;
    // Stops; the position stays.
    virtual void stop() = 0;
    // Stops and moves to ms (clamped to the medium; out of range is kept as
    // the last error). The mode is Seeking until the new position is ready
    // or play is given.
    virtual void seek(int ms) = 0;
    // The last seek is still being carried out (also when play was given since).
    virtual bool seeking() const = 0;
    // Stops and moves to the start, returning once it is there.
    virtual void rewind() = 0;

    // Status never raises: NotReady and zeros without an open device.
    virtual MciMode mode() const = 0;
    // Equal to length() exactly once the medium has played to its end, and
    // below it while anything is left.
    virtual int position() const = 0;
    virtual int length() const = 0;
    // A file is one track: track 1 is the whole medium, other tracks are empty.
    virtual int trackLength(int track) const = 0;
    // The last error of the open device that was not raised (damaged data,
    // seek out of range); empty when none.
    virtual QString lastError() const = 0;
    // Video frames drawn into the display since open.
    virtual int framesDrawn() const = 0;
};

// Makes the players' devices.
class Mci {
public:
    virtual ~Mci() = default;
    virtual std::unique_ptr<MciDevice> createDevice() = 0;
};

Mci& mci();
// Replaces the devices for tests; nullptr brings back the real ones.
void setMci(Mci* replacement);

}  // namespace lumora
