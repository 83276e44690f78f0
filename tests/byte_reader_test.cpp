// The reader's contract: logical positions around a pushed-back byte, skips
// that count from it, and reads and skips past the end of the data.
#include "midi/byte_reader.h"

#include <gtest/gtest.h>

#include "tests/test_files.h"

namespace {

class ByteReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = test_files::WriteTempFile(midi_bytes::Raw({10, 11, 12, 13, 14, 15, 16, 17}));
        file_ = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file_, nullptr);
        InitByteReader(reader_, file_);
    }
    void TearDown() override {
        if (file_ != nullptr) std::fclose(file_);
    }
    FILE* file_ = nullptr;
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

}  // namespace
