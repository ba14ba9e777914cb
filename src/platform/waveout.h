#pragma once

// The wave output device: PCM buffers played one after the other through the
// program's one sound output (AudioOut, in the media module).
//
//   auto device = openWaveOut(format, [](WaveHeader& done) { ... });
//   device->pause(); device->write(header); ...; device->restart();

#include "platform/avifile.h"

#include <QByteArray>

#include <functional>
#include <memory>

namespace lumora {

// A buffer of sound in the device's format. The caller owns it; the device
// holds it from write() until it comes back done.
struct WaveHeader {
    QByteArray data;  // whole sample frames
};

class WaveOut {
public:
    // Runs on the thread that opened the device.
    using Done = std::function<void(WaveHeader&)>;

    // Resets (every buffer comes back) and closes.
    virtual ~WaveOut() = default;

    // Queues a buffer. It comes back through Done once played, posted to the
    // opening thread.
    virtual void write(WaveHeader& header) = 0;
    // Holds playback, and starts it again.
    virtual void pause() = 0;
    virtual void restart() = 0;
    // Silences the device at once and gives every queued buffer back through
    // Done before it returns. The position starts again from 0.
    virtual void reset() = 0;
    // Sample frames played since the open or the last reset.
    virtual int64_t position() const = 0;
};

// A device for PCM of 8 or 16 bits and 1 or 2 channels; nullptr for another
// format or without the media module.
std::unique_ptr<WaveOut> openWaveOut(const WaveFormat& format, WaveOut::Done done);

}  // namespace lumora
