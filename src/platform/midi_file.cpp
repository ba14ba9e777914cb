#include "platform/midi_file.h"

#include <algorithm>
#include <cstring>

namespace lumora::midi {

namespace {

// Real songs have some ten thousand events; this bounds what a file of
// kMaxFileSize made of nothing but tiny events can make us hold.
constexpr size_t kMaxEvents = size_t(1) << 21;
constexpr int64_t kBeyond = kMaxMicros + 1;
constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note: 120 bpm

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint16_t be16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

struct RawEvent {
    int64_t tick;
    uint8_t status, data1, data2;
};

struct Tempo {
    int64_t tick;
    uint32_t usPerQuarter;
};

// Turns ticks into microseconds; asked in non-decreasing tick order.
class TickTime {
public:
    // Tempos sorted by tick; ignored for SMPTE divisions.
    TickTime(uint16_t division, std::vector<Tempo> tempos) : tempos_(std::move(tempos)) {
        if (division & 0x8000) {
            const int fps = -int(int8_t(division >> 8));
            const int ticksPerFrame = division & 0xFF;
            // 29 stands for 30 drop-frame, 29.97 frames a second.
            smpteNum_ = fps == 29 ? 1000000 * 1001 : 1000000;
            smpteDen_ = int64_t(fps == 29 ? 30000 : fps) * ticksPerFrame;
        } else {
            ticksPerQuarter_ = division;
        }
    }

    int64_t micros(int64_t tick) {
        if (smpteDen_)
            return clamp(__int128(tick) * smpteNum_ / smpteDen_);
        while (next_ < tempos_.size() && tempos_[next_].tick <= tick) {
            const Tempo& t = tempos_[next_++];
            segmentMicros_ = at(t.tick);
            segmentTick_ = t.tick;
            tempo_ = t.usPerQuarter;
        }
        return at(tick);
    }

private:
    int64_t at(int64_t tick) const {
        return clamp(segmentMicros_ +
                     __int128(tick - segmentTick_) * tempo_ / __int128(ticksPerQuarter_));
    }
    static int64_t clamp(__int128 micros) { return micros > kBeyond ? kBeyond : int64_t(micros); }

    std::vector<Tempo> tempos_;
    size_t next_ = 0;
    int64_t segmentTick_ = 0;
    int64_t segmentMicros_ = 0;
    uint32_t tempo_ = kDefaultTempo;
    int ticksPerQuarter_ = 0;
    int64_t smpteNum_ = 0;
    int64_t smpteDen_ = 0;
};

class TrackReader {
public:
    TrackReader(const uint8_t* begin, const uint8_t* end, std::vector<RawEvent>& events,
                std::vector<Tempo>& tempos)
        : p_(begin), end_(end), events_(events), tempos_(tempos) {}

    // Reads up to the end of track, the chunk's end or the first damage;
    // returns the tick where the track ends.
    int64_t read() {
        int64_t tick = 0;
        uint8_t running = 0;
        uint32_t delta;
        while (p_ < end_ && events_.size() < kMaxEvents && number(delta)) {
            tick += delta;
            if (p_ == end_)
                break;
            const uint8_t first = *p_;
            if (first == 0xFF) {
                ++p_;
                uint32_t length;
                if (p_ == end_)
                    break;
                const uint8_t type = *p_++;
                if (!number(length) || length > size_t(end_ - p_))
                    break;
                if (type == 0x2F)
                    break;
                if (type == 0x51 && length >= 3) {
                    const uint32_t tempo = uint32_t(p_[0]) << 16 | uint32_t(p_[1]) << 8 | p_[2];
                    if (tempo > 0)
                        tempos_.push_back({tick, tempo});
                }
                p_ += length;
                continue;
            }
            if (first == 0xF0 || first == 0xF7) {
                ++p_;
                uint32_t length;
                if (!number(length) || length > size_t(end_ - p_))
                    break;
                p_ += length;
                continue;
            }
            uint8_t status = running;
            if (first & 0x80) {
                if (first >= 0xF0)
                    break;  // system common and real-time bytes do not belong in a file
                status = running = first;
                ++p_;
            } else if (!running) {
                break;
            }
            const int count = (status & 0xE0) == 0xC0 ? 1 : 2;
            if (end_ - p_ < count)
                break;
            const uint8_t data1 = p_[0];
            const uint8_t data2 = count == 2 ? p_[1] : 0;
            if ((data1 | data2) & 0x80)
                break;
            p_ += count;
            events_.push_back({tick, status, data1, data2});
        }
        return tick;
    }

private:
    // A variable-length quantity of at most four bytes.
    bool number(uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4 && p_ < end_; ++i) {
            const uint8_t byte = *p_++;
            value = value << 7 | (byte & 0x7F);
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }

    const uint8_t* p_;
    const uint8_t* end_;
    std::vector<RawEvent>& events_;
    std::vector<Tempo>& tempos_;
};

// The SMF inside a RIFF RMID file; the bytes themselves otherwise.
QByteArrayView unwrapRmid(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t size = size_t(bytes.size());
    if (size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "RMID", 4) != 0)
        return bytes;
    size_t at = 12;
    while (size - at >= 8) {
        const uint32_t length = le32(p + at + 4);
        const size_t body = at + 8;
        const size_t available = std::min<size_t>(length, size - body);
        if (std::memcmp(p + at, "data", 4) == 0)
            return bytes.sliced(qsizetype(body), qsizetype(available));
        if (available < length)
            break;
        at = body + length + (length & 1);
        if (at > size)
            break;
    }
    return {};
}

}  // namespace

bool looksLikeMidi(QByteArrayView head) {
    const char* p = head.data();
    return (head.size() >= 4 && std::memcmp(p, "MThd", 4) == 0) ||
           (head.size() >= 12 && std::memcmp(p, "RIFF", 4) == 0 &&
            std::memcmp(p + 8, "RMID", 4) == 0);
}

std::optional<Song> parse(QByteArrayView file) {
    if (file.size() > kMaxFileSize)
        return std::nullopt;
    const QByteArrayView bytes = unwrapRmid(file);
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t size = size_t(bytes.size());
    if (size < 14 || std::memcmp(p, "MThd", 4) != 0)
        return std::nullopt;
    const uint32_t headerLength = be32(p + 4);
    const uint16_t division = be16(p + 12);
    if (headerLength < 6 || division == 0)
        return std::nullopt;
    if (division & 0x8000) {
        const int fps = -int(int8_t(division >> 8));
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || (division & 0xFF) == 0)
            return std::nullopt;
    }

    std::vector<RawEvent> raw;
    std::vector<Tempo> tempos;
    int64_t endTick = 0;
    // The header's track count is not trusted: every MTrk chunk present is read.
    size_t at = 8 + size_t(headerLength);
    while (at <= size && size - at >= 8 && raw.size() < kMaxEvents) {
        const uint32_t length = be32(p + at + 4);
        const size_t body = at + 8;
        const size_t end = body + std::min<size_t>(length, size - body);
        if (std::memcmp(p + at, "MTrk", 4) == 0)
            endTick = std::max(endTick, TrackReader(p + body, p + end, raw, tempos).read());
        at = body + size_t(length);
    }

    std::stable_sort(raw.begin(), raw.end(),
                     [](const RawEvent& a, const RawEvent& b) { return a.tick < b.tick; });
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });

    Song song;
    TickTime time(division, std::move(tempos));
    song.events.reserve(raw.size());
    for (const RawEvent& e : raw) {
        const int64_t micros = time.micros(e.tick);
        if (micros > kMaxMicros)
            break;
        song.events.push_back({micros, e.status, e.data1, e.data2});
    }
    song.lengthMicros = std::min(time.micros(endTick), kMaxMicros);
    return song;
}

}  // namespace lumora::midi
