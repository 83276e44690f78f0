// The reader's contract: logical positions around a pushed-back byte, skips
// that count from it, and reads and skips past the end of the data; then the
// same contract where the reader's own buffer ends and is refilled, and the
// few calls it makes of its source.
#include "midi/byte_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "samples/midi_bytes.h"
#include "tests/memory_source.h"

namespace {

class ByteReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ByteSource source = MemoryByteSource(memory_, bytes_.data(), bytes_.size());
        source.size = -1;  // as from a stream that cannot tell
        InitByteReader(reader_, source);
    }
    const midi_bytes::Bytes bytes_ = midi_bytes::Raw({10, 11, 12, 13, 14, 15, 16, 17});
    MemorySource memory_{};
    ByteReader reader_{};
};

TEST_F(ByteReaderTest, PushedBackByteIsReadAgainFromTheSamePosition) {
    EXPECT_EQ(ReadByte(reader_), 10);
    EXPECT_EQ(ReadByte(reader_), 11);
    EXPECT_EQ(TellPosition(reader_), 2);
    UnreadByte(reader_, 11);
    EXPECT_EQ(TellPosition(reader_), 1);
    EXPECT_EQ(ReadByte(reader_), 11);
    EXPECT_EQ(TellPosition(reader_), 2);
    EXPECT_EQ(ReadByte(reader_), 12);
}

TEST_F(ByteReaderTest, SkipCountsFromThePushedBackByte) {
    ReadByte(reader_);
    const int byte = ReadByte(reader_);  // position 1
    UnreadByte(reader_, byte);
    SkipBytes(reader_, 2);  // passes over positions 1 and 2
    EXPECT_EQ(TellPosition(reader_), 3);
    EXPECT_EQ(ReadByte(reader_), 13);

    UnreadByte(reader_, 13);
    SkipBytes(reader_, 1);  // only the pushed-back byte
    EXPECT_EQ(ReadByte(reader_), 14);

    UnreadByte(reader_, 14);
    SkipBytes(reader_, 0);  // nothing: the byte is still next
    EXPECT_EQ(ReadByte(reader_), 14);
}

TEST_F(ByteReaderTest, ReadBytesStartsWithThePushedBackByte) {
    const int byte = ReadByte(reader_);
    UnreadByte(reader_, byte);
    std::uint8_t data[3];
    ASSERT_EQ(ReadBytes(reader_, data, 3), 3u);
    EXPECT_EQ(data[0], 10);
    EXPECT_EQ(data[1], 11);
    EXPECT_EQ(data[2], 12);
    EXPECT_EQ(TellPosition(reader_), 3);
}

TEST_F(ByteReaderTest, ShortReadAtTheEnd) {
    SkipBytes(reader_, 6);
    std::uint8_t data[4];
    EXPECT_EQ(ReadBytes(reader_, data, 4), 2u);
    EXPECT_EQ(ReadByte(reader_), kEndOfData);
}

TEST_F(ByteReaderTest, SkipPastTheEndIsAllowedAndTheNextReadFails) {
    SkipBytes(reader_, 100);
    EXPECT_EQ(TellPosition(reader_), 100);
    EXPECT_EQ(ReadByte(reader_), kEndOfData);
    std::uint8_t data[2];
    EXPECT_EQ(ReadBytes(reader_, data, 2), 0u);

    SkipBytes(reader_, 0xFFFFFFFFull);  // far past 4 GiB
    EXPECT_EQ(TellPosition(reader_), 100 + 0xFFFFFFFFll);
    EXPECT_EQ(ReadByte(reader_), kEndOfData);
}

TEST_F(ByteReaderTest, SeekToPositionDropsThePushedBackByte) {
    ReadByte(reader_);
    UnreadByte(reader_, 10);
    SeekToPosition(reader_, 5);
    EXPECT_EQ(TellPosition(reader_), 5);
    EXPECT_EQ(ReadByte(reader_), 15);
}

constexpr std::int64_t kBuffer = static_cast<std::int64_t>(kReadBufferSize);
constexpr std::int64_t kSize = 3 * kBuffer + 100;

int ByteAt(std::int64_t position) { return static_cast<int>(position % 251); }

// Three and a bit buffers whose byte at position p is p % 251, so every byte
// tells where it came from and buffer edges fall mid-pattern.
midi_bytes::Bytes PatternBytes() {
    midi_bytes::Bytes bytes(static_cast<std::size_t>(kSize));
    for (std::int64_t p = 0; p < kSize; ++p) bytes[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(ByteAt(p));
    return bytes;
}

// The reader's three ways with its source: read into its buffer with the
// size of the data unknown or known, and bytes in memory read in place.
enum class SourceKind { kSizeUnknown, kSizeKnown, kInPlace };

// Each case runs with every kind of source.
class BufferEdgeTest : public ::testing::TestWithParam<SourceKind> {
protected:
    void SetUp() override {
        ByteSource source = MemoryByteSource(memory_, bytes_.data(), bytes_.size());
        if (GetParam() == SourceKind::kSizeUnknown) source.size = -1;
        if (GetParam() == SourceKind::kInPlace) source = InPlaceByteSource(bytes_.data(), bytes_.size());
        InitByteReader(reader_, source);
    }
    // Reads one byte and checks it is the one at the reader's position.
    void ExpectNextByteIsFromItsPosition() {
        const std::int64_t position = TellPosition(reader_);
        EXPECT_EQ(ReadByte(reader_), ByteAt(position)) << "at " << position;
        EXPECT_EQ(TellPosition(reader_), position + 1);
    }
    const midi_bytes::Bytes bytes_ = PatternBytes();
    MemorySource memory_{};
    ByteReader reader_{};
};

TEST_P(BufferEdgeTest, SkipsWithinAcrossAndFarBeyondTheBuffer) {
    ExpectNextByteIsFromItsPosition();
    SkipBytes(reader_, 1000);  // inside the first buffer
    ExpectNextByteIsFromItsPosition();
    SkipBytes(reader_, static_cast<std::uint64_t>(kBuffer - 1003));  // to the last byte of the buffer
    EXPECT_EQ(TellPosition(reader_), kBuffer - 1);
    ExpectNextByteIsFromItsPosition();
    ExpectNextByteIsFromItsPosition();  // first byte of the second fill
    SkipBytes(reader_, static_cast<std::uint64_t>(kBuffer - 2));  // one byte into the third buffer-full
    EXPECT_EQ(TellPosition(reader_), 2 * kBuffer - 1);
    ExpectNextByteIsFromItsPosition();
    SkipBytes(reader_, static_cast<std::uint64_t>(kBuffer + 50));  // well beyond: a seek
    EXPECT_EQ(TellPosition(reader_), 3 * kBuffer + 50);
    ExpectNextByteIsFromItsPosition();
}

TEST_P(BufferEdgeTest, SkipToExactlyOneBufferFullAheadOfTheSource) {
    // After the first fill the source stands at kBuffer. A target a whole
    // buffer-full or more ahead is sought; one nearer is read on to.
    ExpectNextByteIsFromItsPosition();
    SkipBytes(reader_, static_cast<std::uint64_t>(2 * kBuffer - 1));
    EXPECT_EQ(TellPosition(reader_), 2 * kBuffer);
    ExpectNextByteIsFromItsPosition();
    SeekToPosition(reader_, 0);
    ExpectNextByteIsFromItsPosition();
    SkipBytes(reader_, static_cast<std::uint64_t>(2 * kBuffer - 2));
    ExpectNextByteIsFromItsPosition();
}

TEST_P(BufferEdgeTest, ASourceThatGivesLittleAtATimeIsReadOn) {
    // Like a pipe or a network share: a short read during a skip is not the
    // end of the data, and the byte skipped to is the one read.
    memory_.readLimit = 1000;
    SkipBytes(reader_, 5001);
    ExpectNextByteIsFromItsPosition();
    SkipBytes(reader_, static_cast<std::uint64_t>(kBuffer + 7));
    ExpectNextByteIsFromItsPosition();
}

TEST_P(BufferEdgeTest, ReadsStraddleRefills) {
    SkipBytes(reader_, static_cast<std::uint64_t>(kBuffer - 2));
    std::uint8_t four[4];
    ASSERT_EQ(ReadBytes(reader_, four, 4), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(four[i], ByteAt(kBuffer - 2 + i));

    // One read larger than two buffers, up to the end of the file and past it.
    SeekToPosition(reader_, 7);
    std::vector<std::uint8_t> all(static_cast<std::size_t>(kSize));
    ASSERT_EQ(ReadBytes(reader_, all.data(), all.size()), static_cast<std::size_t>(kSize - 7));
    for (std::int64_t p = 7; p < kSize; ++p) ASSERT_EQ(all[static_cast<std::size_t>(p - 7)], ByteAt(p)) << "at " << p;
    EXPECT_EQ(TellPosition(reader_), kSize);
    EXPECT_EQ(ReadByte(reader_), kEndOfData);
    EXPECT_EQ(TellPosition(reader_), kSize);
}

TEST_P(BufferEdgeTest, PushbackAtTheBufferEdge) {
    SkipBytes(reader_, static_cast<std::uint64_t>(kBuffer - 1));
    const int last = ReadByte(reader_);   // last byte of the first fill
    const int first = ReadByte(reader_);  // first byte of the second
    EXPECT_EQ(last, ByteAt(kBuffer - 1));
    UnreadByte(reader_, first);
    EXPECT_EQ(TellPosition(reader_), kBuffer);
    EXPECT_EQ(ReadByte(reader_), ByteAt(kBuffer));

    // A byte pushed back when the buffer was just dropped is still read first
    // and counted one before the position (bytes read in place are never
    // dropped).
    if (GetParam() != SourceKind::kInPlace) {
        SkipBytes(reader_, static_cast<std::uint64_t>(kBuffer) * 2);
        const std::int64_t target = TellPosition(reader_);
        UnreadByte(reader_, 0xAB);
        EXPECT_EQ(TellPosition(reader_), target - 1);
        EXPECT_EQ(ReadByte(reader_), 0xAB);
        ExpectNextByteIsFromItsPosition();
        EXPECT_EQ(TellPosition(reader_), target + 1);
    }

    // A skip counts from the pushed-back byte across the edge too.
    SeekToPosition(reader_, kBuffer - 1);
    const int byte = ReadByte(reader_);
    UnreadByte(reader_, byte);
    SkipBytes(reader_, 3);
    EXPECT_EQ(TellPosition(reader_), kBuffer + 2);
    ExpectNextByteIsFromItsPosition();
}

TEST_P(BufferEdgeTest, SeeksBackIntoAndBeforeTheBuffer) {
    SkipBytes(reader_, static_cast<std::uint64_t>(kBuffer + 10));
    ExpectNextByteIsFromItsPosition();
    SeekToPosition(reader_, kBuffer + 3);  // still buffered
    ExpectNextByteIsFromItsPosition();
    SeekToPosition(reader_, 5);  // long gone from the buffer
    ExpectNextByteIsFromItsPosition();
    SkipBytes(reader_, static_cast<std::uint64_t>(2 * kBuffer));
    SeekToPosition(reader_, 0);  // the very start, as a replay of the data would
    ExpectNextByteIsFromItsPosition();
    SeekToPosition(reader_, kSize - 1);
    ExpectNextByteIsFromItsPosition();
    EXPECT_EQ(ReadByte(reader_), kEndOfData);
}

TEST_P(BufferEdgeTest, PositionPastTheEndAndBackAgain) {
    SkipBytes(reader_, static_cast<std::uint64_t>(kSize + 5));  // a few bytes past the end
    EXPECT_EQ(TellPosition(reader_), kSize + 5);
    EXPECT_EQ(ReadByte(reader_), kEndOfData);
    EXPECT_EQ(TellPosition(reader_), kSize + 5);
    SkipBytes(reader_, 10);
    EXPECT_EQ(TellPosition(reader_), kSize + 15);

    SeekToPosition(reader_, kSize - 10);  // an end just short of the buffer-full ahead
    ExpectNextByteIsFromItsPosition();
    SkipBytes(reader_, 20);  // over the end by less than a buffer
    EXPECT_EQ(TellPosition(reader_), kSize + 11);
    std::uint8_t data[2];
    EXPECT_EQ(ReadBytes(reader_, data, 2), 0u);
    EXPECT_EQ(TellPosition(reader_), kSize + 11);

    SeekToPosition(reader_, -4);  // never a valid position: reads fail, nothing breaks
    EXPECT_EQ(ReadByte(reader_), kEndOfData);
    SeekToPosition(reader_, 100);
    ExpectNextByteIsFromItsPosition();
}

INSTANTIATE_TEST_SUITE_P(EveryKindOfSource, BufferEdgeTest,
                         ::testing::Values(SourceKind::kSizeUnknown, SourceKind::kSizeKnown, SourceKind::kInPlace));

TEST(InPlaceReadingTest, TheBytesAreReadWhereTheyLieAndNeverWritten) {
    const midi_bytes::Bytes bytes = midi_bytes::Raw({10, 11, 12});
    ByteReader reader;
    InitByteReader(reader, InPlaceByteSource(bytes.data(), bytes.size()));
    EXPECT_EQ(reader.next, bytes.data());
    EXPECT_EQ(ReadByte(reader), 10);
    UnreadByte(reader, 10);
    EXPECT_EQ(reader.next, bytes.data());
    SkipBytes(reader, 3);
    EXPECT_EQ(ReadByte(reader), kEndOfData);
    EXPECT_EQ(bytes, midi_bytes::Raw({10, 11, 12}));

    // No bytes at all.
    InitByteReader(reader, InPlaceByteSource(bytes.data(), 0));
    EXPECT_EQ(ReadByte(reader), kEndOfData);
    EXPECT_EQ(TellPosition(reader), 0);
}

// A memory source that counts the reader's calls, which are the read and
// seek system calls of a file source.
struct CountingSource {
    ByteSource memorySource;
    int reads;
    int seeks;
};

std::ptrdiff_t CountRead(void* context, std::uint8_t* buffer, std::size_t count) {
    auto& counting = *static_cast<CountingSource*>(context);
    ++counting.reads;
    return counting.memorySource.read(counting.memorySource.context, buffer, count);
}

bool CountSeek(void* context, std::int64_t position) {
    auto& counting = *static_cast<CountingSource*>(context);
    ++counting.seeks;
    return counting.memorySource.seek(counting.memorySource.context, position);
}

TEST(ByteReaderCallsTest, OneReadPerBufferFullAndSeeksOnlyWhenNeeded) {
    const midi_bytes::Bytes bytes = PatternBytes();
    for (const bool sizeKnown : {true, false}) {
        MemorySource memory;
        CountingSource counting{MemoryByteSource(memory, bytes.data(), bytes.size()), 0, 0};
        ByteReader reader;
        InitByteReader(reader, ByteSource{CountRead, CountSeek, &counting, sizeKnown ? kSize : -1, nullptr});
        ReadByte(reader);
        SkipBytes(reader, static_cast<std::uint64_t>(kBuffer + 10));  // within the next buffer-full: read on
        EXPECT_EQ(ReadByte(reader), ByteAt(kBuffer + 11));
        EXPECT_EQ(counting.reads, 2);
        EXPECT_EQ(counting.seeks, 0);
        SkipBytes(reader, static_cast<std::uint64_t>(2 * kBuffer));  // beyond it: one seek
        SkipBytes(reader, 5);                                          // while it is pending: no more
        EXPECT_EQ(ReadByte(reader), ByteAt(3 * kBuffer + 17));
        EXPECT_EQ(counting.reads, 3);
        EXPECT_EQ(counting.seeks, 1);
        while (ReadByte(reader) != kEndOfData) {
        }
        // Past a known end nothing is read or sought at all.
        SkipBytes(reader, static_cast<std::uint64_t>(4 * kBuffer));
        EXPECT_EQ(ReadByte(reader), kEndOfData);
        EXPECT_EQ(counting.reads, sizeKnown ? 3 : 5) << sizeKnown;
        EXPECT_EQ(counting.seeks, sizeKnown ? 1 : 2) << sizeKnown;
    }
}

TEST(ByteReaderCallsTest, ATargetOneBufferFullAheadCostsOneSeekAndOneRead) {
    const midi_bytes::Bytes bytes = PatternBytes();
    MemorySource memory;
    CountingSource counting{MemoryByteSource(memory, bytes.data(), bytes.size()), 0, 0};
    ByteReader reader;
    InitByteReader(reader, ByteSource{CountRead, CountSeek, &counting, kSize, nullptr});
    ReadByte(reader);  // the first fill leaves the source at kBuffer
    SkipBytes(reader, static_cast<std::uint64_t>(2 * kBuffer - 1));
    EXPECT_EQ(ReadByte(reader), ByteAt(2 * kBuffer));
    EXPECT_EQ(counting.reads, 2);
    EXPECT_EQ(counting.seeks, 1);
}

TEST(ByteReaderCallsTest, AFailedReadIsRememberedAndEndsAllReading) {
    const midi_bytes::Bytes bytes = PatternBytes();
    MemorySource memory;
    CountingSource counting{MemoryByteSource(memory, bytes.data(), bytes.size()), 0, 0};
    memory.failAt = kBuffer;  // the second buffer-full cannot be read
    ByteReader reader;
    InitByteReader(reader, ByteSource{CountRead, CountSeek, &counting, kSize, nullptr});
    SkipBytes(reader, static_cast<std::uint64_t>(kBuffer - 1));
    EXPECT_EQ(ReadByte(reader), ByteAt(kBuffer - 1));
    EXPECT_FALSE(reader.readFailed);  // the data so far is whole
    EXPECT_EQ(ReadByte(reader), kEndOfData);
    EXPECT_TRUE(reader.readFailed);
    // Not even the bytes already read once come back, and the source is not
    // asked again.
    SeekToPosition(reader, 0);
    EXPECT_EQ(ReadByte(reader), kEndOfData);
    EXPECT_EQ(counting.reads, 2);
    EXPECT_EQ(counting.seeks, 0);
}

}  // namespace
