#include "platform/mci.h"

#include "base/file_name.h"
#include "platform/mci_stream.h"
#include "platform/midi_file.h"

#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

EMciError EMciError::noDevice() {
    return EMciError(Cause::NoDevice, QStringLiteral("No MCI device open"));
}

EMciError EMciError::fileNotFound(const QString& path) {
    return EMciError(Cause::FileNotFound, QStringLiteral("File not found: %1").arg(path));
}

EMciError EMciError::cannotOpen(const QString& path) {
    return EMciError(Cause::CannotOpen, QStringLiteral("Cannot open file %1").arg(path));
}

EMciError EMciError::notMediaFile(const QString& path) {
    return EMciError(Cause::NotMediaFile, QStringLiteral("%1 is not a media file").arg(path));
}

EMciError EMciError::unsupportedFormat(const QString& path) {
    return EMciError(Cause::UnsupportedFormat,
                     QStringLiteral("The media format of %1 is not supported").arg(path));
}

EMciError EMciError::noSoundFont(const QString& path, const QString& where) {
    return EMciError(Cause::NoSoundFont,
                     QStringLiteral("No MIDI sound font to play %1: %2").arg(path, where));
}

EMciError EMciError::noMediaSupport(const QString& path, const QString& why) {
    return EMciError(Cause::NoMediaSupport,
                     QStringLiteral("Media playback is not available for %1: %2").arg(path, why));
}

namespace mci_internal {

FileHandle::~FileHandle() {
    if (fd_ >= 0)
        ::close(fd_);
}

int Stream::positionMs() const {
    const int length = length_;
    if (ended_)
        return length;
    const int64_t ms = PlayClock::toMs(clock_.now());
    return int(std::clamp<int64_t>(ms, 0, std::max(0, length - 1)));
}

namespace {

// Opens without waiting (a FIFO would block until a writer came) and accepts
// only regular files; then picks the decoder by the file's first bytes.
std::unique_ptr<Stream> openStream(const QString& path, ErrorSlot& errors, QWidget* display) {
    const QByteArray name = encodeFileName(path);
    if (name.isEmpty() || name.contains('\0'))
        throw EMciError::fileNotFound(path);
    FileHandle file(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.fd() < 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG)
            throw EMciError::fileNotFound(path);
        throw EMciError::cannotOpen(path);
    }
    struct stat st {};
    if (::fstat(file.fd(), &st) != 0)
        throw EMciError::cannotOpen(path);
    if (!S_ISREG(st.st_mode) || st.st_size == 0)
        throw EMciError::notMediaFile(path);
    ::fcntl(file.fd(), F_SETFL, ::fcntl(file.fd(), F_GETFL) & ~O_NONBLOCK);

    char head[12];
    const ssize_t got = ::pread(file.fd(), head, sizeof head, 0);
    if (got < 0)
        throw EMciError::cannotOpen(path);
    const MediaBackend& backend = mediaBackend(path);
    if (!midi::looksLikeMidi(QByteArrayView(head, got)))
        return backend.openFfmpegStream(std::move(file), path, errors, display);

    if (st.st_size > midi::kMaxFileSize)
        throw EMciError::unsupportedFormat(path);
    QByteArray bytes(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pread(file.fd(), bytes.data() + done, size_t(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EMciError::cannotOpen(path);
        if (n == 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    return backend.openMidiStream(bytes, path);
}

class SystemMciDevice final : public MciDevice {
public:
    ~SystemMciDevice() override { close(); }

    void open(const QString& fileName) override {
        close();
        stream_ = openStream(fileName, errors_, display_);
        fileName_ = fileName;
    }

    void close() override {
        if (stream_) {
            mediaBackend(fileName_).stopSound(stream_.get());
            stream_.reset();
        }
        fileName_.clear();
        intent_ = Intent::Stopped;
        errors_.set(QString());
    }

    bool isOpen() const override { return bool(stream_); }
    QString fileName() const override { return fileName_; }

    void setDisplay(QWidget* display) override {
        display_ = display;
        if (stream_)
            stream_->setDisplay(display);
    }

    bool hasVideo() const override { return stream_ && stream_->hasVideo(); }

    void play() override {
        Stream& s = opened();
        if (s.positionMs() >= s.lengthMs())
            s.seek(0, true);
        start(s);
    }

    void pause() override {
        Stream& s = opened();
        switch (mode()) {
            case MciMode::Playing:
                halt(s, Intent::Paused);
                break;
            case MciMode::Paused:
                start(s);
                break;
            default:
                break;
        }
    }

    void stop() override { halt(opened(), Intent::Stopped); }

    void seek(int ms) override {
        Stream& s = opened();
        halt(s, Intent::Stopped);
        const int length = s.lengthMs();
        if (ms < 0 || ms > length)
            errors_.set(QStringLiteral("Position %1 is outside 0 to %2").arg(ms).arg(length));
        s.seek(std::clamp(ms, 0, length), false);
    }

    bool seeking() const override { return stream_ && stream_->seeking(); }

    void rewind() override {
        Stream& s = opened();
        halt(s, Intent::Stopped);
        s.seek(0, true);
    }

    MciMode mode() const override {
        if (!stream_)
            return MciMode::NotReady;
        switch (intent_) {
            case Intent::Playing:
                return stream_->ended() ? MciMode::Stopped : MciMode::Playing;
            case Intent::Paused:
                return MciMode::Paused;
            case Intent::Stopped:
                break;
        }
        return stream_->seeking() ? MciMode::Seeking : MciMode::Stopped;
    }

    int position() const override { return stream_ ? stream_->positionMs() : 0; }
    int length() const override { return stream_ ? stream_->lengthMs() : 0; }
    int trackLength(int track) const override { return track == 1 ? length() : 0; }
    QString lastError() const override { return errors_.get(); }
    int framesDrawn() const override { return stream_ ? stream_->framesDrawn() : 0; }

private:
    enum class Intent { Stopped, Playing, Paused };

    Stream& opened() const {
        if (!stream_)
            throw EMciError::noDevice();
        return *stream_;
    }

    void start(Stream& s) {
        intent_ = Intent::Playing;
        s.setRunning(true);
        mediaBackend(fileName_).startSound(&s);
    }

    void halt(Stream& s, Intent next) {
        mediaBackend(fileName_).stopSound(&s);
        s.setRunning(false);
        intent_ = next;
    }

    std::unique_ptr<Stream> stream_;
    QString fileName_;
    QPointer<QWidget> display_;
    Intent intent_ = Intent::Stopped;
    ErrorSlot errors_;
};

class SystemMci final : public Mci {
public:
    std::unique_ptr<MciDevice> createDevice() override {
        return std::make_unique<SystemMciDevice>();
    }
};

Mci* current = nullptr;

}  // namespace
}  // namespace mci_internal

Mci& mci() {
    static mci_internal::SystemMci system;
    return mci_internal::current ? *mci_internal::current : system;
}

void setMci(Mci* replacement) {
    mci_internal::current = replacement;
}

}  // namespace lumora
