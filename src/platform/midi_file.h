#pragma once

// Standard MIDI Files (formats 0, 1 and 2; also inside a RIFF RMID wrapper)
// read into one time-ordered list of channel events. Only QtCore is needed.
//
// Reading is lenient the way players are: a track that breaks off (a chunk
// longer than the file, a cut event, a stray byte) keeps the events before the
// break; unknown chunks, system exclusive and meta events other than tempo and
// end of track are skipped; a tempo of 0 is ignored. Format 2's independent
// patterns are played together like format 1.

#include <QByteArrayView>

#include <cstdint>
#include <optional>
#include <vector>

namespace lumora::midi {

struct Event {
    int64_t micros;  // from the start of the song
    uint8_t status;  // 0x80..0xEF: channel voice message
    uint8_t data1;
    uint8_t data2;  // 0 for messages with one data byte
};

struct Song {
    std::vector<Event> events;  // by time; equal times keep file order
    int64_t lengthMicros = 0;   // the end of the longest track
};

// Bigger files are refused: real songs are far smaller, and the event list
// takes several times the file's size.
constexpr int64_t kMaxFileSize = 8 << 20;
// Longer than any song: what a file places after a day is dropped.
constexpr int64_t kMaxMicros = int64_t(24) * 3600 * 1000000;

// "MThd" or a RIFF RMID header; needs the first 12 bytes.
bool looksLikeMidi(QByteArrayView head);

// Nothing when the bytes are not a MIDI file (no header, a header too short,
// a time division of 0 or an invalid SMPTE rate) or exceed kMaxFileSize.
std::optional<Song> parse(QByteArrayView bytes);

}  // namespace lumora::midi
