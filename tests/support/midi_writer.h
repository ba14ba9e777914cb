#pragma once

// Writes Standard MIDI Files for the tests, byte by byte as the format has them.

#include <QByteArray>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace lumora::test {

class MidiWriter {
public:
    explicit MidiWriter(uint16_t format = 1, uint16_t division = 480)
        : format_(format), division_(division) {}

    // Starts the next track; events go to the last one started.
    MidiWriter& track() {
        tracks_.emplace_back();
        return *this;
    }
    // Any event: its delta time, then its bytes as given (running status is
    // simply leaving the status byte out).
    MidiWriter& event(uint32_t delta, std::initializer_list<uint8_t> bytes) {
        tracks_.back() += number(delta);
        return raw(bytes);
    }
    // Bytes as they are, for damage.
    MidiWriter& raw(std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes)
            tracks_.back() += char(b);
        return *this;
    }
    MidiWriter& tempo(uint32_t delta, uint32_t usPerQuarter) {
        return event(delta, {0xFF, 0x51, 0x03, uint8_t(usPerQuarter >> 16),
                             uint8_t(usPerQuarter >> 8), uint8_t(usPerQuarter)});
    }
    MidiWriter& note(uint32_t delta, uint8_t channel, uint8_t key, uint32_t duration) {
        event(delta, {uint8_t(0x90 | channel), key, 100});
        return event(duration, {uint8_t(0x80 | channel), key, 0});
    }
    MidiWriter& end(uint32_t delta = 0) { return event(delta, {0xFF, 0x2F, 0x00}); }

    QByteArray bytes() const {
        QByteArray out("MThd");
        out += be32(6);
        out += be16(format_);
        out += be16(uint16_t(tracks_.size()));
        out += be16(division_);
        for (const QByteArray& t : tracks_)
            out += "MTrk" + be32(uint32_t(t.size())) + t;
        return out;
    }

    static QByteArray number(uint32_t value) {
        QByteArray out(1, char(value & 0x7F));
        while (value >>= 7)
            out.prepend(char(0x80 | (value & 0x7F)));
        return out;
    }
    static QByteArray be32(uint32_t v) { return be16(uint16_t(v >> 16)) + be16(uint16_t(v)); }
    static QByteArray be16(uint16_t v) { return QByteArray(1, char(v >> 8)) + char(v); }

private:
    uint16_t format_;
    uint16_t division_;
    std::vector<QByteArray> tracks_;
};

// One second at 120 bpm: two half-second notes on a piano.
inline QByteArray oneSecondSong() {
    return MidiWriter(0, 480)
        .track()
        .tempo(0, 500000)
        .event(0, {0xC0, 0})
        .note(0, 0, 60, 480)
        .note(0, 0, 64, 480)
        .end()
        .bytes();
}

}  // namespace lumora::test
