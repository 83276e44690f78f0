// The header chunk and the chunk loop: which files are accepted, and which
// chunks are walked.
#include <gtest/gtest.h>

#include "plugin/midi_file_scan.h"
#include "tests/scan_bytes.h"
#include "tests/test_files.h"

namespace {

using namespace midi_bytes;

TEST(HeaderTest, AcceptsAPlainHeaderAndKeepsItsWords) {
    const MidiSummary summary = ScanBytes(Header(1, 0, 0xE728));
    EXPECT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.format, 1);
    EXPECT_EQ(summary.trackCount, 0);
    EXPECT_EQ(summary.division, 0xE728);
    EXPECT_EQ(summary.lengthTicks, 0u);
    EXPECT_EQ(summary.durationSeconds, 0.0);
    EXPECT_EQ(summary.tempo, kDefaultTempo);
}

TEST(HeaderTest, RejectsWhatIsNotAHeader) {
    const Bytes track = Track(EndOfTrack(10));
    EXPECT_EQ(ScanBytes(HeaderWithLength(5, 0, 1, 96) + track).valid, 0);
    EXPECT_EQ(ScanBytes(Text("MThd") + Be32(6) + Raw({0, 0, 0, 1, 0})).valid, 0);  // 13 bytes
    EXPECT_EQ(ScanBytes(Text("MThD") + Be32(6) + Be16(0) + Be16(1) + Be16(96) + track).valid, 0);
    EXPECT_EQ(ScanBytes(Text("RIFF....RMIDdata")).valid, 0);
    EXPECT_EQ(ScanBytes({}).valid, 0);
}

TEST(HeaderTest, RejectedFileLeavesTheInitialState) {
    MidiSummary summary = ScanBytes(HeaderWithLength(5, 1, 2, 96));
    EXPECT_EQ(summary.valid, 0);
    EXPECT_EQ(summary.format, 0);
    EXPECT_EQ(summary.tempo, kDefaultTempo);
    EXPECT_EQ(summary.timeSignatureNumerator, 4);
    EXPECT_EQ(summary.timeSignatureDenominatorPower, 2);
}

TEST(HeaderTest, LongerHeaderIsSkippedToTheFirstChunk) {
    const MidiSummary summary = ScanBytes(HeaderWithLength(10, 0, 1, 96) + Raw({1, 2, 3, 4}) + Track(EndOfTrack(384)));
    EXPECT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.lengthTicks, 384u);
}

TEST(HeaderTest, HugeHeaderLengthSkipsPastTheEndWithoutWrapping) {
    // 0xFFFFFFFF - 6 bytes forward: past the end, so no chunk is found.
    const MidiSummary summary = ScanBytes(HeaderWithLength(0xFFFFFFFF, 0, 1, 96) + Track(EndOfTrack(384)));
    EXPECT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.lengthTicks, 0u);
}

TEST(OpenTest, MissingFileDirectoryAndNullPathAreNotValid) {
    MidiSummary summary;
    const std::u16string missing = test_files::Utf16Path(test_files::TempFolder() + "/no-such-file.mid");
    ScanMidiFile(missing.c_str(), summary);
    EXPECT_EQ(summary.valid, 0);
    const std::u16string folder = test_files::Utf16Path(test_files::TempFolder());
    ScanMidiFile(folder.c_str(), summary);
    EXPECT_EQ(summary.valid, 0);
    ScanMidiFile(nullptr, summary);
    EXPECT_EQ(summary.valid, 0);
}

TEST(ReadFailureTest, AFailedReadIsNotTheEndOfTheFile) {
    // A key signature behind a system-exclusive event longer than the
    // reader's buffer, so the scan has read the header and the time
    // signature before it must read again.
    const Bytes events = TimeSignature(0, 3, 2) + SysEx(0, Bytes(40000, 0x11));
    const Bytes file = Header(1, 1, 96) + Track(events + KeySignature(0, 2, 0) + EndOfTrack(384));
    const std::int64_t keySignature = 14 + 8 + static_cast<std::int64_t>(events.size());

    // Data that simply ends there: a truncated file, whose values stand.
    const MidiSummary truncated = ScanBytes(Bytes(file.begin(), file.begin() + keySignature));
    EXPECT_EQ(truncated.valid, 1);
    EXPECT_EQ(truncated.timeSignatureNumerator, 3);
    EXPECT_EQ(truncated.keySignatureSeen, 0);

    // A read error there: nothing of the file is known, every field empty.
    const MidiSummary failed = ScanBytes(file, keySignature);
    EXPECT_EQ(failed.valid, 0);
    EXPECT_EQ(failed.timeSignatureSeen, 0);
    EXPECT_EQ(failed.format, 0);
}

TEST(ChunkLoopTest, MissingSecondChunkKeepsTheFirstAndTheDeclaredCount) {
    const MidiSummary summary = ScanBytes(Header(1, 2, 96) + Track(EndOfTrack(100)));
    EXPECT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.trackCount, 2);
    EXPECT_EQ(summary.lengthTicks, 100u);
}

TEST(ChunkLoopTest, ChunksBeyondTheDeclaredCountAreNeverRead) {
    const MidiSummary summary = ScanBytes(Header(1, 1, 96) + Track(EndOfTrack(100)) + Track(EndOfTrack(999)));
    EXPECT_EQ(summary.lengthTicks, 100u);
}

TEST(ChunkLoopTest, ForeignChunkEndsTheChunkLoop) {
    const MidiSummary summary = ScanBytes(Header(1, 3, 96) + Track(EndOfTrack(100)) +
                                          Text("XFIH") + Be32(2) + Raw({0, 0}) + Track(EndOfTrack(999)));
    EXPECT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.lengthTicks, 100u);
}

TEST(ChunkLoopTest, EmptyChunkIsNotWalked) {
    // Its declared length is 0, so the End of Track bytes after it are read
    // as the next chunk header, which is not "MTrk".
    EXPECT_EQ(ScanBytes(Header(1, 2, 96) + TrackWithLength(0, EndOfTrack(100))).lengthTicks, 0u);
    EXPECT_EQ(ScanBytes(Header(1, 2, 96) + TrackWithLength(0, {}) + Track(EndOfTrack(100))).lengthTicks, 100u);
}

TEST(ChunkLoopTest, NextChunkIsReadAtTheDeclaredEnd) {
    // The first chunk declares 4 more bytes than its events; the walk stops
    // at End of Track and the padding is passed over.
    const Bytes first = EndOfTrack(100);
    const MidiSummary summary =
        ScanBytes(Header(1, 2, 96) + TrackWithLength(static_cast<std::uint32_t>(first.size() + 4), first) +
                  Raw({0x90, 1, 2, 3}) + Track(EndOfTrack(200)));
    EXPECT_EQ(summary.lengthTicks, 200u);
}

TEST(ChunkLoopTest, EventRunningPastTheChunkEndIsNotCarriedIntoTheNextChunk) {
    // A note-on whose data lies beyond the declared end: the walk stops, and
    // the second chunk header is read at the declared end.
    const MidiSummary summary =
        ScanBytes(Header(1, 2, 96) + TrackWithLength(2, Raw({0x00, 0x90})) + Track(EndOfTrack(300)));
    EXPECT_EQ(summary.lengthTicks, 300u);
}

TEST(ChunkLoopTest, HugeChunkLengthWalksToEndOfTrackAndEndsTheLoop) {
    const MidiSummary summary =
        ScanBytes(Header(1, 2, 96) + TrackWithLength(0xFFFFFFFF, EndOfTrack(100)) + Track(EndOfTrack(300)));
    EXPECT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.lengthTicks, 100u);
}

TEST(ChunkLoopTest, ManyEmptyChunksUpToTheDeclaredCount) {
    Bytes file = Header(1, 0xFFFF, 96);
    const Bytes empty = TrackWithLength(0, {});
    for (int i = 0; i < 0xFFFE; ++i) file.insert(file.end(), empty.begin(), empty.end());
    file = file + Track(EndOfTrack(7)) + Track(EndOfTrack(9));
    const MidiSummary summary = ScanBytes(file);
    EXPECT_EQ(summary.trackCount, 0xFFFF);
    EXPECT_EQ(summary.lengthTicks, 7u);  // the 65535th chunk; the one after is never read
}

}  // namespace
