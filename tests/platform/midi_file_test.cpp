// Our reader of Standard MIDI Files: timing through tempo maps and SMPTE
// divisions, merged tracks, and damaged files that keep what came before.

#include "platform/midi_file.h"
#include "support/midi_writer.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using test::MidiWriter;

std::vector<int64_t> times(const midi::Song& song) {
    std::vector<int64_t> out;
    for (const midi::Event& e : song.events)
        out.push_back(e.micros);
    return out;
}

std::vector<int> keys(const midi::Song& song) {
    std::vector<int> out;
    for (const midi::Event& e : song.events)
        out.push_back(e.data1);
    return out;
}

midi::Song parsed(const QByteArray& bytes) {
    std::optional<midi::Song> song = midi::parse(bytes);
    EXPECT_TRUE(song.has_value());
    return song.value_or(midi::Song());
}

TEST(MidiFile, TempoChangesTimeWhatFollowsThem) {
    // 480 ticks a quarter: half a second at 120 bpm, a quarter second at 240.
    const midi::Song song = parsed(MidiWriter(0, 480)
                                       .track()
                                       .tempo(0, 500000)
                                       .event(0, {0x90, 60, 100})
                                       .event(480, {62, 100})  // running status
                                       .tempo(480, 250000)
                                       .event(480, {0x80, 60, 0})
                                       .event(0, {0xC0, 5})
                                       .event(0, {0xE0, 0x00, 0x40})
                                       .end(960)
                                       .bytes());
    EXPECT_EQ(times(song), (std::vector<int64_t>{0, 500000, 1250000, 1250000, 1250000}));
    EXPECT_EQ(song.events[1].status, 0x90);
    EXPECT_EQ(song.events[1].data1, 62);
    EXPECT_EQ(song.events[3].status, 0xC0);
    EXPECT_EQ(song.events[3].data2, 0);
    EXPECT_EQ(song.events[4].data2, 0x40);
    // The end of track's own delta counts.
    EXPECT_EQ(song.lengthMicros, 1750000);
}

TEST(MidiFile, TracksAreMergedByTimeAndKeepFileOrderAtEqualTimes) {
    // A tempo in the first track times every track; the longest track ends the song.
    const midi::Song song = parsed(MidiWriter(1, 96)
                                       .track()
                                       .tempo(0, 1000000)
                                       .end(96)
                                       .track()
                                       .note(0, 0, 1, 96)
                                       .note(96, 0, 3, 96)
                                       .end()
                                       .track()
                                       .note(96, 1, 2, 288)
                                       .end(96)
                                       .bytes());
    EXPECT_EQ(keys(song), (std::vector<int>{1, 1, 2, 3, 3, 2}));
    EXPECT_EQ(times(song), (std::vector<int64_t>{0, 1000000, 1000000, 2000000, 3000000, 4000000}));
    EXPECT_EQ(song.lengthMicros, 5000000);
}

TEST(MidiFile, SmpteDivisionsCountFramesAndIgnoreTempo) {
    // 25 frames of 40 ticks: a thousand ticks a second.
    midi::Song song = parsed(
        MidiWriter(0, 0xE728).track().tempo(0, 123456).event(500, {0x90, 60, 1}).end().bytes());
    EXPECT_EQ(times(song), (std::vector<int64_t>{500000}));
    // 29 is 29.97 frames a second.
    song = parsed(MidiWriter(0, 0xE301).track().event(30000, {0x90, 60, 1}).end().bytes());
    EXPECT_EQ(times(song), (std::vector<int64_t>{1001000000}));
}

TEST(MidiFile, ATempoOfZeroIsIgnored) {
    const midi::Song song = parsed(MidiWriter(0, 480)
                                       .track()
                                       .tempo(0, 0)
                                       .event(480, {0x90, 60, 100})
                                       .tempo(0, 0)
                                       .end(480)
                                       .bytes());
    EXPECT_EQ(times(song), (std::vector<int64_t>{500000}));
    EXPECT_EQ(song.lengthMicros, 1000000);
}

TEST(MidiFile, SysExUnknownChunksAndOtherMetaEventsAreSkipped) {
    QByteArray bytes = MidiWriter(0, 480)
                           .track()
                           .event(0, {0xF0, 0x03, 0x7E, 0x09, 0xF7})
                           .event(0, {0xFF, 0x03, 0x04, 'n', 'a', 'm', 'e'})
                           .event(0, {0xF7, 0x01, 0x00})
                           .event(480, {0x90, 60, 100})
                           .end()
                           .bytes();
    bytes.insert(14, QByteArray("XFIH") + MidiWriter::be32(3) + "abc");
    const midi::Song song = parsed(bytes);
    EXPECT_EQ(times(song), (std::vector<int64_t>{500000}));
}

TEST(MidiFile, RmidWrapperIsUnwrapped) {
    const QByteArray smf = test::oneSecondSong();
    const auto le32 = [](uint32_t v) {
        QByteArray out;
        for (int i = 0; i < 4; ++i)
            out += char(v >> (8 * i));
        return out;
    };
    const QByteArray rmid = "RIFF" + le32(uint32_t(smf.size() + 12)) + "RMID" + "data" +
                            le32(uint32_t(smf.size())) + smf;
    EXPECT_TRUE(midi::looksLikeMidi(rmid.left(12)));
    EXPECT_EQ(parsed(rmid).lengthMicros, 1000000);
    EXPECT_FALSE(midi::looksLikeMidi(QByteArray("RIFF\0\0\0\0WAVE", 12)));
}

TEST(MidiFile, DamageEndsATrackAndKeepsWhatCameBefore) {
    const auto twoNotesThen = [](std::initializer_list<uint8_t> damage) {
        return MidiWriter(1, 480)
            .track()
            .note(0, 0, 60, 480)
            .event(0, damage)
            .note(0, 0, 99, 480)
            .end()
            .track()
            .note(0, 1, 70, 960)
            .end()
            .bytes();
    };
    const std::initializer_list<uint8_t> damages[] = {
        {0xF1, 0x00},              // system common byte
        {0xFA},                    // real-time byte
        {0x90, 0x80, 0x10},        // data byte with the top bit
        {0xFF, 0x51, 0x7F},        // meta longer than the track
        {0xF0, 0x8F, 0xFF, 0xFF},  // system exclusive longer than the track
    };
    for (const auto& damage : damages) {
        const midi::Song song = parsed(twoNotesThen(damage));
        EXPECT_EQ(keys(song), (std::vector<int>{60, 70, 60, 70}));
    }

    // Running status with nothing to run on; a delta of five bytes.
    EXPECT_TRUE(parsed(MidiWriter(0, 480).track().event(0, {60, 100}).bytes()).events.empty());
    EXPECT_TRUE(
        parsed(MidiWriter(0, 480).track().raw({0x80, 0x80, 0x80, 0x80, 0x01, 0x90, 60, 1}).bytes())
            .events.empty());

    // A track chunk that claims more than the file holds, and a file cut in an event.
    QByteArray longer = MidiWriter(0, 480).track().note(0, 0, 60, 480).note(0, 0, 62, 480).bytes();
    longer.replace(18, 4, MidiWriter::be32(0x7FFFFFF0));
    EXPECT_EQ(keys(parsed(longer)), (std::vector<int>{60, 60, 62, 62}));
    longer.chop(2);
    EXPECT_EQ(keys(parsed(longer)), (std::vector<int>{60, 60, 62}));
    EXPECT_EQ(parsed(longer).lengthMicros, 1000000);
}

TEST(MidiFile, TimesBeyondADayAreCutThere) {
    // One tick a quarter at the slowest tempo: some 4500 seconds a delta of 268.
    MidiWriter w(0, 1);
    w.track().tempo(0, 0xFFFFFF).event(0, {0x90, 60, 1});
    for (int i = 0; i < 30; ++i)
        w.event(268, {0x80, 60, 0});
    w.event(0x0FFFFFFF, {0x80, 60, 0});  // the largest delta there is
    const midi::Song song = parsed(w.end().bytes());
    EXPECT_EQ(song.lengthMicros, midi::kMaxMicros);
    EXPECT_EQ(song.events.size(), 20u);  // 19 deltas fit in a day
    EXPECT_LE(song.events.back().micros, midi::kMaxMicros);
}

TEST(MidiFile, WhatIsNotAMidiFile) {
    EXPECT_FALSE(midi::parse("RIFF....WAVEfmt "));
    QByteArray shortHeader = MidiWriter(0, 480).track().end().bytes();
    shortHeader.replace(4, 4, MidiWriter::be32(5));
    EXPECT_FALSE(midi::parse(shortHeader));
    EXPECT_FALSE(midi::parse(MidiWriter(0, 0).track().end().bytes()));       // division 0
    EXPECT_FALSE(midi::parse(MidiWriter(0, 0xE928).track().end().bytes()));  // 23 frames a second
    EXPECT_FALSE(midi::parse(MidiWriter(0, 0xE700).track().end().bytes()));  // 0 ticks a frame
    QByteArray huge = test::oneSecondSong();
    huge.resize(midi::kMaxFileSize + 1);
    EXPECT_FALSE(midi::parse(huge));
    // A header alone is a song of nothing.
    EXPECT_EQ(parsed(MidiWriter(1, 96).bytes()).lengthMicros, 0);
}

}  // namespace
}  // namespace lumora
