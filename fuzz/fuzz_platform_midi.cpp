// Arbitrary bytes read as a MIDI file. Besides crashes, sanitizer reports and
// slow units, a song the reader returns out of order or out of range is a
// finding: the player walks it with those promises.
#include "platform/midi_file.h"

#include <cstdint>
#include <cstdlib>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumora::midi;
    const std::optional<Song> song =
        parse(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!song)
        return 0;
    if (song->lengthMicros < 0 || song->lengthMicros > kMaxMicros)
        std::abort();
    int64_t last = 0;
    for (const Event& e : song->events) {
        if (e.micros < last || e.micros > song->lengthMicros || e.status < 0x80 ||
            e.status > 0xEF || ((e.data1 | e.data2) & 0x80))
            std::abort();
        last = e.micros;
    }
    return 0;
}
