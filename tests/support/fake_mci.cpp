#include "support/fake_mci.h"

#include <algorithm>

namespace lumora::test {

FakeMciDevice::FakeMciDevice(FakeMci& owner) : owner_(owner) {
    owner_.devices.push_back(this);
}

FakeMciDevice::~FakeMciDevice() {
    std::erase(owner_.devices, this);
}

void FakeMciDevice::reachEnd() {
    positionValue = lengthValue;
    modeValue = MciMode::Stopped;
}

void FakeMciDevice::open(const QString& fileName) {
    calls << QStringLiteral("open ") + fileName;
    reset();
    if (auto failure = owner_.openErrors.find(fileName); failure != owner_.openErrors.end())
        throw failure->second;
    const auto known = owner_.media.find(fileName);
    const FakeMci::Medium medium = known != owner_.media.end() ? known->second : FakeMci::Medium();
    open_ = true;
    fileName_ = fileName;
    hasVideo_ = medium.video;
    lengthValue = medium.length;
    positionValue = 0;
    modeValue = MciMode::Stopped;
}

void FakeMciDevice::close() {
    calls << QStringLiteral("close");
    reset();
}

void FakeMciDevice::reset() {
    open_ = false;
    fileName_.clear();
    modeValue = MciMode::NotReady;
    positionValue = lengthValue = framesValue = 0;
    errorText.clear();
}

void FakeMciDevice::require(const char* call) {
    calls << QString::fromLatin1(call);
    if (!open_)
        throw EMciError::noDevice();
}

void FakeMciDevice::play() {
    require("play");
    if (positionValue >= lengthValue)
        positionValue = 0;
    modeValue = MciMode::Playing;
}

void FakeMciDevice::pause() {
    require("pause");
    if (modeValue == MciMode::Playing)
        modeValue = MciMode::Paused;
    else if (modeValue == MciMode::Paused)
        modeValue = MciMode::Playing;
}

void FakeMciDevice::stop() {
    require("stop");
    modeValue = MciMode::Stopped;
}

void FakeMciDevice::seek(int ms) {
    calls << QStringLiteral("seek %1").arg(ms);
    if (!open_)
        throw EMciError::noDevice();
    if (ms < 0 || ms > lengthValue)
        errorText = QStringLiteral("Position %1 is outside 0 to %2").arg(ms).arg(lengthValue);
    positionValue = std::clamp(ms, 0, lengthValue);
    modeValue = MciMode::Stopped;
}

void FakeMciDevice::rewind() {
    require("rewind");
    positionValue = 0;
    modeValue = MciMode::Stopped;
}

std::unique_ptr<MciDevice> FakeMci::createDevice() {
    return std::make_unique<FakeMciDevice>(*this);
}

}  // namespace lumora::test
