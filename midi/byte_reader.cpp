#include "midi/byte_reader.h"

#include "platform/platform.h"

int ReadByte(ByteReader& reader) {
    if (reader.pushedBack != kEndOfData) {
        const int byte = reader.pushedBack;
        reader.pushedBack = kEndOfData;
        return byte;
    }
    const int byte = std::fgetc(reader.stream);
    return byte == EOF ? kEndOfData : byte;
}

std::size_t ReadBytes(ByteReader& reader, std::uint8_t* dest, std::size_t count) {
    std::size_t got = 0;
    if (count > 0 && reader.pushedBack != kEndOfData) {
        dest[got++] = static_cast<std::uint8_t>(reader.pushedBack);
        reader.pushedBack = kEndOfData;
    }
    return got + std::fread(dest + got, 1, count - got, reader.stream);
}

void UnreadByte(ByteReader& reader, int byte) { reader.pushedBack = byte; }

void SkipBytes(ByteReader& reader, std::uint64_t count) {
    if (count == 0) return;
    if (reader.pushedBack != kEndOfData) {
        // The pushed-back byte is the first one skipped.
        reader.pushedBack = kEndOfData;
        --count;
    }
    // count is at most 2^32, well inside a signed 64-bit offset.
    if (count > 0) SeekFile(reader.stream, static_cast<std::int64_t>(count), SEEK_CUR);
}

void SeekToPosition(ByteReader& reader, std::int64_t position) {
    reader.pushedBack = kEndOfData;
    SeekFile(reader.stream, position, SEEK_SET);
}

std::int64_t TellPosition(const ByteReader& reader) {
    const std::int64_t position = TellFile(reader.stream);
    return reader.pushedBack != kEndOfData ? position - 1 : position;
}
