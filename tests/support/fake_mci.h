#pragma once

#include "platform/mci.h"

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

namespace lumora::test {

class FakeMci;

// A device that plays nothing: it keeps the state the commands give it,
// records them, and lets a test set what status reports.
class FakeMciDevice final : public MciDevice {
public:
    explicit FakeMciDevice(FakeMci& owner);
    ~FakeMciDevice() override;

    QStringList calls;  // "open PATH", "play", "pause", "stop", "seek MS", "rewind", "close"
    MciMode modeValue = MciMode::NotReady;
    int positionValue = 0;
    int lengthValue = 0;
    int framesValue = 0;
    bool seekingValue = false;  // a seek still under way
    QString errorText;
    QWidget* display = nullptr;

    // What a play that runs to its end leaves.
    void reachEnd();

    void open(const QString& fileName) override;
    void close() override;
    bool isOpen() const override { return open_; }
    QString fileName() const override { return fileName_; }
    void setDisplay(QWidget* widget) override { display = widget; }
    bool hasVideo() const override { return open_ && hasVideo_; }
    void play() override;
    void pause() override;
    void stop() override;
    void seek(int ms) override;
    void rewind() override;
    bool seeking() const override { return open_ && seekingValue; }
    MciMode mode() const override { return open_ ? modeValue : MciMode::NotReady; }
    int position() const override { return open_ ? positionValue : 0; }
    int length() const override { return open_ ? lengthValue : 0; }
    int trackLength(int track) const override { return track == 1 ? length() : 0; }
    QString lastError() const override { return errorText; }
    int framesDrawn() const override { return framesValue; }

private:
    void require(const char* call);
    void reset();

    FakeMci& owner_;
    bool open_ = false;
    bool hasVideo_ = false;
    QString fileName_;
};

// Install with setMci(&fake); the devices it made are listed while they live.
class FakeMci final : public Mci {
public:
    struct Medium {
        int length = 1000;
        bool video = false;
    };

    std::vector<FakeMciDevice*> devices;
    // Files that open, by path; any other path opens as a one-second sound.
    std::map<QString, Medium> media;
    // Files whose open fails, by path.
    std::map<QString, EMciError> openErrors;

    std::unique_ptr<MciDevice> createDevice() override;
};

// Installs devices for the lifetime of the object; nullptr: the real ones.
class MciScope {
public:
    explicit MciScope(Mci* devices) { setMci(devices); }
    ~MciScope() { setMci(nullptr); }
    MciScope(const MciScope&) = delete;
    MciScope& operator=(const MciScope&) = delete;
};

}  // namespace lumora::test
