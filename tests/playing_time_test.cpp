// Playing time: the tempo map of the first track, the cut at the longest
// track's length, SMPTE divisions, and tempo maps longer than the map holds.
#include <gtest/gtest.h>

#include <vector>

#include "tests/scan_bytes.h"

namespace {

using namespace midi_bytes;

TEST(PlayingTimeTest, SumsTheTempoSegmentsOfTheFirstTrack) {
    // 960 x 500000 / 480 + 960 x 250000 / 480 microseconds.
    const MidiSummary summary =
        ScanBytes(Header(1, 1, 480) + Track(SetTempo(0, 500000) + SetTempo(960, 250000) + EndOfTrack(960)));
    EXPECT_EQ(summary.durationSeconds, 1.5);
}

TEST(PlayingTimeTest, DefaultTempoWithoutSetTempo) {
    EXPECT_EQ(ScanBytes(Header(0, 1, 96) + Track(EndOfTrack(384))).durationSeconds, 2.0);
}

TEST(PlayingTimeTest, LastTempoHoldsToTheEndOfTheLongestTrack) {
    // The tempo map comes from track 1, the length from track 2.
    const MidiSummary summary = ScanBytes(Header(1, 2, 100) + Track(SetTempo(100, 1000000) + EndOfTrack(0)) +
                                          Track(EndOfTrack(300)));
    EXPECT_EQ(summary.durationSeconds, 0.5 + 2.0);
}

TEST(PlayingTimeTest, TempoChangesAfterTheLengthAreCutOff) {
    // Track 1 has no End of Track, so its late change lies past the length.
    const MidiSummary summary =
        ScanBytes(Header(1, 2, 100) + Track(SetTempo(1000, 100000)) + Track(EndOfTrack(200)));
    EXPECT_EQ(summary.durationSeconds, 1.0);
    // A change exactly at the length is taken, for an empty remainder.
    EXPECT_EQ(ScanBytes(Header(0, 1, 100) + Track(SetTempo(200, 100000) + EndOfTrack(0))).durationSeconds, 1.0);
}

TEST(PlayingTimeTest, SameTickChangesAndTempoZero) {
    EXPECT_EQ(ScanBytes(Header(0, 1, 100) + Track(SetTempo(0, 2000000) + SetTempo(0, 1000000) + EndOfTrack(100)))
                  .durationSeconds,
              1.0);
    // Tempo 0 makes its segments last no time.
    EXPECT_EQ(ScanBytes(Header(0, 1, 100) + Track(SetTempo(100, 0) + EndOfTrack(500))).durationSeconds, 0.5);
}

TEST(PlayingTimeTest, NoDurationWithoutDivisionOrLength) {
    EXPECT_EQ(ScanBytes(Header(0, 1, 0) + Track(EndOfTrack(100))).durationSeconds, 0.0);
    EXPECT_EQ(ScanBytes(Header(0, 1, 96) + Track(NoteOn(100, 60))).durationSeconds, 0.0);
}

TEST(PlayingTimeTest, SetTempoInLaterTracksDoesNotEnterTheMap) {
    const MidiSummary summary =
        ScanBytes(Header(1, 2, 100) + Track(EndOfTrack(100)) + Track(SetTempo(0, 2000000) + EndOfTrack(100)));
    EXPECT_EQ(summary.tempo, 2000000u);
    EXPECT_EQ(summary.durationSeconds, 0.5);
}

TEST(SmpteTest, TicksPerFrameAndFrameRate) {
    struct Case {
        std::uint16_t division;
        std::uint32_t ticks;
        double seconds;
    };
    const Case cases[] = {
        {0xE728, 1000, 1000.0 / (25.0 * 40.0)},            // -25 fps, 40 ticks per frame
        {0xE850, 960, 960.0 / (24.0 * 80.0)},              // -24
        {0xE204, 600, 600.0 / (30.0 * 4.0)},               // -30
        {0xE364, 3000, 3000.0 / (30000.0 / 1001.0 * 100.0)},  // -29: 29.97 drop-frame
        {0xE700, 1000, 0.0},                               // 0 ticks per frame
        {0xE528, 1000, 0.0},                               // -27 is no frame rate
        {0x8028, 1000, 0.0},
    };
    for (const Case& c : cases) {
        // The tempo map plays no part.
        const MidiSummary summary =
            ScanBytes(Header(0, 1, c.division) + Track(SetTempo(0, 250000) + EndOfTrack(c.ticks)));
        EXPECT_EQ(summary.durationSeconds, c.seconds) << std::hex << c.division;
        EXPECT_EQ(summary.division, c.division);
    }
}

// The playing time of a first track with the given tempo changes, as the
// plain formula computes it over the whole list, in the same order of
// floating-point operations.
double ReferenceSeconds(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& changes, std::uint32_t length,
                        std::uint16_t division) {
    double total = 0.0;
    std::uint32_t previous = 0;
    std::uint32_t tempo = kDefaultTempo;
    for (const auto& [tick, value] : changes) {
        if (tick > length) break;
        total += static_cast<double>(tick - previous) * static_cast<double>(tempo) / static_cast<double>(division);
        tempo = value;
        previous = tick;
    }
    if (length > previous) total += static_cast<double>(length - previous) * static_cast<double>(tempo) / division;
    return total / 1000000.0;
}

TEST(LongTempoMapTest, EveryTempoChangeCounts) {
    for (const std::uint32_t changeCount : {62u, 63u, 64u, 65u, 70u, 500u}) {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> changes;
        Bytes events;
        std::uint32_t tick = 0;
        for (std::uint32_t i = 0; i < changeCount; ++i) {
            const std::uint32_t delta = 7 + i % 13;
            tick += delta;
            const std::uint32_t tempo = 400000 + (i * 7919) % 300000;
            changes.emplace_back(tick, tempo);
            events = events + SetTempo(delta, tempo) + NoteOn(0, 60);
        }
        const std::uint32_t length = tick + 100;
        const MidiSummary summary = ScanBytes(Header(0, 1, 384) + Track(events + EndOfTrack(100)));
        EXPECT_EQ(summary.durationSeconds, ReferenceSeconds(changes, length, 384)) << changeCount << " changes";
        EXPECT_EQ(summary.tempo, changes.back().second);
    }
}

TEST(LongTempoMapTest, CutAtTheLengthAppliesPastTheMapCapacity) {
    // 100 changes in a first track with no End of Track; a second track ends
    // at tick 800, between the 80th and the 81st change.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> changes;
    Bytes events;
    for (std::uint32_t i = 1; i <= 100; ++i) {
        changes.emplace_back(i * 10, 300000 + i * 1000);
        events = events + SetTempo(10, 300000 + i * 1000);
    }
    const MidiSummary summary = ScanBytes(Header(1, 2, 96) + Track(events) + Track(EndOfTrack(805)));
    EXPECT_EQ(summary.lengthTicks, 805u);
    EXPECT_EQ(summary.durationSeconds, ReferenceSeconds(changes, 805, 96));
}

TEST(LongTempoMapTest, TickCountsThatWrapStillCutTheChangesPastTheLength) {
    // 70 changes 2^28 - 1 ticks apart wrap past 2^32 four times, so the
    // first track's End of Track comes at a tick below some of them: those
    // are cut off, as the plain formula has it.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> changes;
    Bytes events;
    std::uint32_t tick = 0;
    for (std::uint32_t i = 0; i < 70; ++i) {
        tick += 0x0FFFFFFF;
        changes.emplace_back(tick, 300000 + i * 1000);
        events = events + SetTempo(0x0FFFFFFF, 300000 + i * 1000);
    }
    const MidiSummary summary = ScanBytes(Header(0, 1, 96) + Track(events + EndOfTrack(5)));
    EXPECT_EQ(summary.lengthTicks, tick + 5);
    EXPECT_EQ(summary.durationSeconds, ReferenceSeconds(changes, tick + 5, 96));
}

TEST(LongTempoMapTest, SecondWalkDoesNotDisturbTheSummary) {
    Bytes events = TimeSignature(0, 5, 3) + KeySignature(0, -2, 1);
    for (int i = 0; i < 80; ++i) events = events + SetTempo(10, 500000 + static_cast<std::uint32_t>(i));
    const MidiSummary summary = ScanBytes(Header(1, 2, 96) + Track(events + EndOfTrack(0)) +
                                          Track(TimeSignature(0, 3, 2) + SetTempo(0, 123456) + EndOfTrack(0)));
    EXPECT_EQ(summary.tempo, 123456u);
    EXPECT_EQ(summary.timeSignatureNumerator, 5);
    EXPECT_EQ(summary.keySignatureSharpsFlats, -2);
    EXPECT_EQ(summary.lengthTicks, 800u);
}

}  // namespace
