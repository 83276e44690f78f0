// The event walk: running status, variable-length quantities, and the rules
// for capturing Set Tempo, Time Signature, Key Signature and End of Track.
#include <gtest/gtest.h>

#include <vector>

#include "midi/byte_reader.h"
#include "midi/track_walk.h"
#include "tests/scan_bytes.h"

namespace {

using namespace midi_bytes;

// One format-0 file around the given events.
MidiSummary ScanTrack(const Bytes& events) { return ScanBytes(Header(0, 1, 96) + Track(events)); }

// Walks events as the body of a chunk that ends at chunkEnd (by default
// where the events do).
void WalkEvents(const Bytes& events, MidiSummary& summary, std::int64_t chunkEnd = -1) {
    MemorySource memory;
    ByteReader reader;
    InitByteReader(reader, MemoryByteSource(memory, events.data(), events.size()));
    ResetMidiSummary(summary);
    WalkTrackEvents(reader, chunkEnd < 0 ? static_cast<std::int64_t>(events.size()) : chunkEnd, summary, nullptr);
}

TEST(VariableQuantityTest, ReadsUpToFourBytes) {
    const Bytes bytes = Raw({0x00, 0x7F, 0x81, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 0x81, 0x82, 0x83, 0x84, 0x05});
    MemorySource memory;
    ByteReader reader;
    InitByteReader(reader, MemoryByteSource(memory, bytes.data(), bytes.size()));
    std::uint32_t value;
    ASSERT_TRUE(ReadVariableQuantity(reader, value));
    EXPECT_EQ(value, 0u);
    ASSERT_TRUE(ReadVariableQuantity(reader, value));
    EXPECT_EQ(value, 0x7Fu);
    ASSERT_TRUE(ReadVariableQuantity(reader, value));
    EXPECT_EQ(value, 0x80u);
    ASSERT_TRUE(ReadVariableQuantity(reader, value));
    EXPECT_EQ(value, 0x0FFFFFFFu);
    // Four bytes that all continue: 28 bits, and the fifth byte stays unread.
    ASSERT_TRUE(ReadVariableQuantity(reader, value));
    EXPECT_EQ(value, (1u << 21) | (2u << 14) | (3u << 7) | 4u);
    EXPECT_EQ(ReadByte(reader), 0x05);
    EXPECT_FALSE(ReadVariableQuantity(reader, value));
}

TEST(VariableQuantityTest, DataEndingInsideAQuantityFails) {
    const Bytes bytes = Raw({0x81, 0x80});
    MemorySource memory;
    ByteReader reader;
    InitByteReader(reader, MemoryByteSource(memory, bytes.data(), bytes.size()));
    std::uint32_t value;
    EXPECT_FALSE(ReadVariableQuantity(reader, value));
}

TEST(VariableQuantityTest, FourthContinuedByteIsFollowedByTheStatus) {
    // Delta 81 82 83 84, then 0xFF read as the status of an End of Track.
    MidiSummary summary;
    WalkEvents(Raw({0x81, 0x82, 0x83, 0x84, 0xFF, 0x2F, 0x00}), summary);
    EXPECT_EQ(summary.lengthTicks, (1u << 21) | (2u << 14) | (3u << 7) | 4u);
}

TEST(RunningStatusTest, DataByteRepeatsTheLastChannelStatus) {
    // 90 3C 40, then delta 0 and 3E 40 under running status; both skipped whole.
    EXPECT_EQ(ScanTrack(Raw({0x00, 0x90, 0x3C, 0x40, 0x00, 0x3E, 0x40}) + EndOfTrack(50)).lengthTicks, 50u);
    // One data byte for program change under running status.
    EXPECT_EQ(ScanTrack(Raw({0x00, 0xC0, 0x05, 0x10, 0x06}) + EndOfTrack(50)).lengthTicks, 66u);
}

TEST(RunningStatusTest, DataByteWithoutStatusEndsTheWalk) {
    MidiSummary summary;
    WalkEvents(Raw({0x00, 0x3C, 0x40}) + EndOfTrack(50), summary);
    EXPECT_EQ(summary.lengthTicks, 0u);
}

TEST(RunningStatusTest, MetaStatusCarriesOverToTheNextEvent) {
    // After a meta event, 00 51 03 07 A1 20 is a Set Tempo of 500000 whose
    // type byte was pushed back.
    MidiSummary summary = ScanTrack(SetTempo(0, 300000) + Raw({0x00, 0x51, 0x03, 0x07, 0xA1, 0x20}) + EndOfTrack(10));
    EXPECT_EQ(summary.tempo, 500000u);
    EXPECT_EQ(summary.lengthTicks, 10u);
    // A running End of Track: delta 0x40, then 2F 00.
    summary = ScanTrack(SetTempo(0, 300000) + Raw({0x40, 0x2F, 0x00}) + NoteOn(0, 1) + EndOfTrack(500));
    EXPECT_EQ(summary.lengthTicks, 64u);
}

TEST(RunningStatusTest, SystemStatusCarriesOverAsALength) {
    // F0 with 2 bytes, then a data byte 01 under running status F0: length 1.
    const MidiSummary summary = ScanTrack(SysEx(0, Raw({0x7E, 0xF7})) + Raw({0x05, 0x01, 0x33}) + EndOfTrack(5));
    EXPECT_EQ(summary.lengthTicks, 10u);
}

TEST(MetaCaptureTest, SetTempoNeedsExactlyThreeBytes) {
    EXPECT_EQ(ScanTrack(SetTempo(0, 600000) + EndOfTrack(0)).tempo, 600000u);
    const MidiSummary summary = ScanTrack(Meta(0, 0x51, Raw({0x09, 0x27, 0xC0, 0x00})) + EndOfTrack(96));
    EXPECT_EQ(summary.tempo, kDefaultTempo);
    EXPECT_EQ(summary.lengthTicks, 96u);  // skipped whole, the walk goes on
    EXPECT_DOUBLE_EQ(summary.durationSeconds, 0.5);
}

TEST(MetaCaptureTest, FirstTimeSignatureWithAtLeastFourBytesCounts) {
    MidiSummary summary = ScanTrack(TimeSignature(0, 6, 3) + TimeSignature(0, 3, 2) + EndOfTrack(0));
    EXPECT_EQ(summary.timeSignatureSeen, 1);
    EXPECT_EQ(summary.timeSignatureNumerator, 6);
    EXPECT_EQ(summary.timeSignatureDenominatorPower, 3);

    summary = ScanTrack(Meta(0, 0x58, Raw({5, 3, 24})) + TimeSignature(0, 7, 3) + EndOfTrack(0));
    EXPECT_EQ(summary.timeSignatureNumerator, 7);

    // Six bytes: the first four are taken, the last two skipped.
    summary = ScanTrack(Meta(0, 0x58, Raw({12, 3, 24, 8, 0x99, 0x99})) + EndOfTrack(33));
    EXPECT_EQ(summary.timeSignatureNumerator, 12);
    EXPECT_EQ(summary.lengthTicks, 33u);
}

TEST(MetaCaptureTest, KeySignatureTakesTheFirstTwoBytes) {
    MidiSummary summary = ScanTrack(Meta(0, 0x59, Raw({0xFD, 1, 0x42})) + KeySignature(0, 4, 0) + EndOfTrack(12));
    EXPECT_EQ(summary.keySignatureSeen, 1);
    EXPECT_EQ(summary.keySignatureSharpsFlats, -3);
    EXPECT_EQ(summary.keySignatureMinor, 1);
    EXPECT_EQ(summary.lengthTicks, 12u);

    summary = ScanTrack(Meta(0, 0x59, Raw({2})) + EndOfTrack(0));
    EXPECT_EQ(summary.keySignatureSeen, 0);
}

TEST(MetaCaptureTest, ShortCaptureAtTheEndOfTheDataLeavesNothingSeen) {
    Bytes events = TimeSignature(0, 6, 3);
    events.resize(events.size() - 2);
    MidiSummary summary;
    WalkEvents(events, summary, 100);
    EXPECT_EQ(summary.timeSignatureSeen, 0);
    events = SetTempo(0, 250000);
    events.resize(events.size() - 1);
    WalkEvents(events, summary, 100);
    EXPECT_EQ(summary.tempo, kDefaultTempo);
}

TEST(MetaCaptureTest, OtherEventsAreSkippedByTheirLengths) {
    const MidiSummary summary = ScanTrack(TrackName(0, "name") + SysEx(10, Bytes(300, 0x11)) + ProgramChange(5, 1) +
                                          Raw({0x00, 0xE0, 0x00, 0x40, 0x00, 0xF8, 0x00}) + NoteOn(5, 60) +
                                          Meta(0, 0x7F, Bytes(200, 0x90)) + KeySignature(0, 1, 0) + EndOfTrack(10));
    EXPECT_EQ(summary.keySignatureSeen, 1);
    EXPECT_EQ(summary.lengthTicks, 30u);
}

TEST(LengthTest, LongestTrackAtItsEndOfTrack) {
    const MidiSummary summary = ScanBytes(Header(1, 3, 96) + Track(EndOfTrack(480)) + Track(EndOfTrack(1920)) +
                                          Track(EndOfTrack(960)));
    EXPECT_EQ(summary.lengthTicks, 1920u);
}

TEST(LengthTest, TrackWithoutEndOfTrackAddsNothing) {
    MidiSummary summary = ScanBytes(Header(1, 2, 96) + Track(EndOfTrack(480)) + Track(NoteOn(5000, 60)));
    EXPECT_EQ(summary.lengthTicks, 480u);
}

TEST(LengthTest, TicksWrapAroundAt32Bits) {
    const MidiSummary summary = ScanTrack(NoteOn(0x0FFFFFFF, 60) + NoteOn(0x0FFFFFFF, 60) + NoteOn(0x0FFFFFFF, 60) +
                                          NoteOn(0x0FFFFFFF, 60) + NoteOn(0x0FFFFFFF, 60) + NoteOn(0x0FFFFFFF, 60) +
                                          NoteOn(0x0FFFFFFF, 60) + NoteOn(0x0FFFFFFF, 60) + NoteOn(0x0FFFFFFF, 60) +
                                          NoteOn(0x0FFFFFFF, 60) + NoteOn(0x0FFFFFFF, 60) + NoteOn(0x0FFFFFFF, 60) +
                                          NoteOn(0x0FFFFFFF, 60) + NoteOn(0x0FFFFFFF, 60) + NoteOn(0x0FFFFFFF, 60) +
                                          NoteOn(0x0FFFFFFF, 60) + EndOfTrack(20));
    // 16 x (2^28 - 1) + 20 = 2^32 - 16 + 20 = 4 modulo 2^32.
    EXPECT_EQ(summary.lengthTicks, 4u);
}

TEST(TempoTest, LastSetTempoOfAnyTrackWins) {
    const MidiSummary summary = ScanBytes(Header(1, 2, 96) + Track(SetTempo(0, 400000) + EndOfTrack(96)) +
                                          Track(SetTempo(0, 700000) + EndOfTrack(96)));
    EXPECT_EQ(summary.tempo, 700000u);
    // Only the first track's tempo counts for the playing time.
    EXPECT_DOUBLE_EQ(summary.durationSeconds, 0.4);
}

// Channel events by the thousand, so that every kind (one to four delta
// bytes, own status or running status, one or two data bytes) meets the edge
// of the reader's buffer at every offset; the meta events after them must
// still be found and the ticks must add up.
TEST(ChannelEventTest, ManyBuffersOfMixedEventsKeepTheirTicks) {
    const std::uint32_t deltas[] = {0, 1, 127, 128, 16383, 16384, 0x1FFFFF, 0x200000};
    Bytes events;
    std::uint32_t ticks = 0;
    for (int i = 0; events.size() < 3 * kReadBufferSize; ++i) {
        const std::uint32_t delta = deltas[i % 8];
        ticks += delta;
        events = std::move(events) + Vlq(delta);
        switch (i % 7) {
            case 0: events = std::move(events) + Raw({0x90 | (i & 15), 60, 100}); break;  // note on
            case 1: events = std::move(events) + Raw({61, 0}); break;                      // running status
            case 2: events = std::move(events) + Raw({0xC0, 5}); break;                    // program change
            case 3: events = std::move(events) + Raw({6}); break;                          // running status, one byte
            case 4: events = std::move(events) + Raw({0xE1, 0x00, 0x40}); break;           // pitch bend
            case 5: events = std::move(events) + Raw({0xD2, 0x33}); break;                 // channel pressure
            default: events = std::move(events) + Raw({0xB3, 7, 90}); break;               // control change
        }
    }
    events = std::move(events) + SetTempo(0, 600000) + TimeSignature(0, 3, 3) + KeySignature(0, -2, 1) +
             EndOfTrack(5);
    // The same events after 0 to 6 bytes of padding move every event along.
    for (int shift = 0; shift < 7; ++shift) {
        const Bytes padding = Meta(0, 0x01, Bytes(static_cast<std::size_t>(shift), 'x'));
        const MidiSummary summary = ScanTrack(padding + events);
        EXPECT_EQ(summary.lengthTicks, ticks + 5) << "shift " << shift;
        EXPECT_EQ(summary.tempo, 600000u) << "shift " << shift;
        EXPECT_EQ(summary.timeSignatureNumerator, 3) << "shift " << shift;
        EXPECT_EQ(summary.keySignatureSharpsFlats, -2) << "shift " << shift;
    }
}

TEST(ChannelEventTest, RunsOfRunningStatusOfEveryLengthAndWhatEndsThemKeepTheirTicks) {
    // Note events that run on their status with one-byte delta times, as
    // sequencers write them, taken several at a time: runs of 0 to 30
    // events, each ended by something else, then the next run, across
    // buffer edges.
    const std::vector<Bytes> enders{
        Vlq(200) + Raw({62, 0}),                // a two-byte delta time
        Vlq(3) + Raw({0x80, 62, 0}),            // a new status
        Vlq(4) + Raw({62, 0xC5}),               // a second data byte with bit 7, skipped as data
        Vlq(5) + Raw({0xC1, 9}) + Vlq(6) + Raw({10}) + Vlq(0) + Raw({0x91, 1, 2}),  // one data byte, running on
        Meta(7, 0x01, Text("lyric")) + Vlq(1) + Raw({0x90, 60, 1}),  // a meta event, then a status again
    };
    const std::uint32_t enderTicks[] = {200, 3, 4, 11, 8};
    Bytes events = Vlq(0) + Raw({0x90, 60, 100});
    std::uint32_t ticks = 0;
    for (std::size_t round = 0; events.size() < 2 * kReadBufferSize + 100; ++round) {
        const int runLength = static_cast<int>(round % 31);
        for (int i = 0; i < runLength; ++i) {
            const std::uint32_t delta = static_cast<std::uint32_t>((round * 31 + static_cast<std::size_t>(i) * 7) % 128);
            events = std::move(events) + Vlq(delta) + Raw({40 + i % 50, i % 2 == 0 ? 0 : 90});
            ticks += delta;
        }
        events = std::move(events) + enders[round % enders.size()];
        ticks += enderTicks[round % enders.size()];
    }
    events = std::move(events) + EndOfTrack(9);
    for (int shift = 0; shift < 3; ++shift) {
        const Bytes file = Header(0, 1, 96) + Track(Meta(0, 0x01, Bytes(static_cast<std::size_t>(shift), 'x')) + events);
        EXPECT_EQ(ScanBytes(file).lengthTicks, ticks + 9) << "shift " << shift;
        MidiSummary inPlace;
        ScanMidiSource(InPlaceByteSource(file.data(), file.size()), inPlace);
        EXPECT_EQ(inPlace.lengthTicks, ticks + 9) << "shift " << shift << ", read in place";
    }
    // A run that the chunk's end cuts: only the events that start before it.
    Bytes run = Vlq(0) + Raw({0x90, 60, 100});
    for (int i = 0; i < 20; ++i) run = std::move(run) + Vlq(1) + Raw({60, 0});
    MidiSummary summary;
    WalkEvents(run + EndOfTrack(0), summary, static_cast<std::int64_t>(run.size()));
    EXPECT_EQ(summary.lengthTicks, 0u);  // the End of Track lies past the end
    WalkEvents(run + EndOfTrack(0), summary, static_cast<std::int64_t>(run.size()) + 1);
    EXPECT_EQ(summary.lengthTicks, 20u);
}

TEST(ChannelEventTest, RunningStatusAfterAMetaOrSystemEventIsNotAChannelOne) {
    // After a text event, 00 3C 40 is a meta event of type 0x3C whose length
    // is 0x40: it swallows the 64 bytes that follow, End of Track included.
    Bytes notes;
    for (int i = 0; i < 40; ++i) notes = std::move(notes) + NoteOn(1, 60);
    const Bytes text = Meta(0, 0x01, Text("a"));
    EXPECT_EQ(ScanTrack(notes + text + Raw({0x00, 0x3C, 0x40}) + EndOfTrack(7) + Bytes(70, 0)).lengthTicks, 0u);
    // After a system-exclusive event the data byte is the length of another.
    EXPECT_EQ(ScanTrack(notes + SysEx(0, Raw({1, 2})) + Raw({0x00, 0x01, 0x55}) + EndOfTrack(7)).lengthTicks, 47u);
}

}  // namespace
