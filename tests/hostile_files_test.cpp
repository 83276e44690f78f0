// Big and hostile files: lengths near 2^32, files past the 2 GiB and 4 GiB
// marks, endless quantities. Each must finish promptly with the values any
// small file of the same shape would give. (Lengths of all ones and the
// largest chunk count are with the chunk loop's tests.) The multi-gigabyte files are sparse: only the few bytes that
// carry events are written, the rest is a hole that uses no disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "plugin/midi_file_scan.h"
#include "tests/scan_bytes.h"
#include "tests/test_files.h"

namespace {

using namespace midi_bytes;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// A file of `size` bytes that is a hole except for the pieces written at
// their offsets. Removed again when the test ends.
class SparseFile {
public:
    SparseFile(std::uint64_t size, const std::vector<std::pair<std::uint64_t, Bytes>>& pieces) {
        static int counter = 0;
        path_ = test_files::TempFolder() + "/sparse" + std::to_string(counter++) + ".mid";
        const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return;
        bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
        for (const auto& [offset, bytes] : pieces)
            ok = ok && pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                           static_cast<ssize_t>(bytes.size());
        created_ = close(fd) == 0 && ok;
    }
    ~SparseFile() { unlink(path_.c_str()); }
    bool created() const { return created_; }
    MidiSummary Scan() const {
        MidiSummary summary;
        ScanMidiFile(test_files::Utf16Path(path_).c_str(), summary);
        return summary;
    }

private:
    std::string path_;
    bool created_ = false;
};

#define SKIP_UNLESS_CREATED(file) \
    if (!(file).created()) GTEST_SKIP() << "the file system refused a sparse file this big"

// A system exclusive event declaring the largest length a quantity holds,
// 2^28 - 1 bytes, left as a hole: delta, F0, four length bytes, then data.
constexpr std::uint32_t kHopLength = 0x0FFFFFFF;
Bytes Hop() { return Raw({0x00, 0xF0}) + Vlq(kHopLength); }
constexpr std::uint64_t kHopSize = 6 + std::uint64_t{kHopLength};

TEST(HostileFilesTest, ChunkOfThreeGibibytesLeadsToTheNextChunk) {
    // The first chunk declares almost 3 GiB; the second sits at its declared
    // end, a position no 32-bit offset reaches.
    const std::uint32_t firstLength = static_cast<std::uint32_t>(3 * kGiB - 64);
    const Bytes first = Header(1, 2, 96) + TrackWithLength(firstLength, SetTempo(0, 600000) + EndOfTrack(480));
    const std::uint64_t secondAt = 14 + 8 + std::uint64_t{firstLength};
    const Bytes second = Track(KeySignature(0, 2, 0) + EndOfTrack(960));
    const SparseFile file(secondAt + second.size(), {{0, first}, {secondAt, second}});
    SKIP_UNLESS_CREATED(file);

    const MidiSummary summary = file.Scan();
    ASSERT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.lengthTicks, 960u);
    EXPECT_TRUE(summary.keySignatureSeen);
    EXPECT_EQ(summary.keySignatureSharpsFlats, 2);
    // 480 ticks at 600000 us and then the rest of the longest track too.
    EXPECT_DOUBLE_EQ(summary.durationSeconds, 960.0 * 600000.0 / 96.0 / 1e6);
}

TEST(HostileFilesTest, EventsPastTheTwoAndFourGibibyteMarks) {
    // The first chunk hops over 9 x 256 MiB of skipped system exclusive data
    // to meta events beyond 2 GiB; it declares 2^32 - 1 bytes, so the second
    // chunk starts just beyond 4 GiB.
    std::vector<std::pair<std::uint64_t, Bytes>> pieces{
        {0, Header(1, 2, 96) + TrackWithLength(0xFFFFFFFFu, {}) + SetTempo(0, 600000)}};
    std::uint64_t at = 14 + 8 + SetTempo(0, 600000).size();
    for (int i = 0; i < 9; ++i, at += kHopSize) pieces.push_back({at, Hop()});
    ASSERT_GT(at, 2 * kGiB);
    pieces.push_back({at, KeySignature(0, -2, 1) + SetTempo(96, 300000) + EndOfTrack(192)});

    const std::uint64_t secondAt = 14 + 8 + std::uint64_t{0xFFFFFFFFu};
    ASSERT_GT(secondAt, 4 * kGiB);
    const Bytes second = Track(TimeSignature(0, 5, 3) + SetTempo(0, 400000) + EndOfTrack(1000));
    pieces.push_back({secondAt, second});
    const SparseFile file(secondAt + second.size(), pieces);
    SKIP_UNLESS_CREATED(file);

    const MidiSummary summary = file.Scan();
    ASSERT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.keySignatureSharpsFlats, -2);
    EXPECT_EQ(summary.keySignatureMinor, 1);
    EXPECT_EQ(summary.timeSignatureNumerator, 5);
    EXPECT_EQ(summary.tempo, 400000u);  // the last Set Tempo, read beyond 4 GiB
    EXPECT_EQ(summary.lengthTicks, 1000u);
    // First track's map: 600000 up to tick 96, then 300000 to tick 1000.
    EXPECT_DOUBLE_EQ(summary.durationSeconds, (96.0 * 600000.0 + 904.0 * 300000.0) / 96.0 / 1e6);
}

TEST(HostileFilesTest, EndlessFFBytes) {
    // A megabyte of 0xFF in a chunk that declares 4 GiB: quantities stop
    // after four bytes, meta events of type 0xFF skip 2^28 - 1 bytes, and the
    // walk soon runs off the end of the file.
    const MidiSummary summary = ScanBytes(Header(0, 1, 96) + TrackWithLength(0xFFFFFFFFu, Bytes(1 << 20, 0xFF)));
    ASSERT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.lengthTicks, 0u);
    EXPECT_EQ(summary.tempo, 500000u);
}

TEST(HostileFilesTest, SingleSysExOf200Megabytes) {
    constexpr std::uint32_t kLength = 200000000;
    const Bytes sysex = Raw({0x00, 0xF0}) + Vlq(kLength);
    // Declared, but the file ends right after the length.
    MidiSummary summary = ScanBytes(Header(0, 1, 96) + TrackWithLength(kLength + 10, sysex));
    ASSERT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.lengthTicks, 0u);

    // All there (as a hole), with End of Track after it.
    const Bytes start = Header(0, 1, 96) + TrackWithLength(static_cast<std::uint32_t>(sysex.size()) + kLength + 4, sysex);
    const SparseFile file(start.size() + kLength + 4, {{0, start}, {start.size() + kLength, EndOfTrack(42)}});
    SKIP_UNLESS_CREATED(file);
    summary = file.Scan();
    ASSERT_EQ(summary.valid, 1);
    EXPECT_EQ(summary.lengthTicks, 42u);
}

}  // namespace
