#include "midi/byte_reader.h"

#include <cstring>
#include <limits>

#include "platform/platform.h"

namespace {

// Fills the buffer from the logical position, seeking there first when a
// skip or seek left the stream elsewhere. Returns false when nothing arrived.
bool Refill(ByteReader& reader) {
    std::uint8_t* const data = reader.data();
    reader.next = reader.end = data;
    if (reader.seekPending) {
        // A failed seek (a negative position) leaves it pending: every read fails.
        if (reader.endPosition < 0 || SeekFile(reader.stream, reader.endPosition, SEEK_SET) != 0) return false;
        reader.seekPending = false;
    }
    const std::size_t got = std::fread(data, 1, kReadBufferSize, reader.stream);
    reader.end = data + got;
    reader.endPosition += static_cast<std::int64_t>(got);
    return got > 0;
}

}  // namespace

void InitByteReader(ByteReader& reader, FILE* stream, std::int64_t startPosition) {
    reader.stream = stream;
    reader.next = reader.end = reader.data();
    reader.endPosition = startPosition;
    reader.seekPending = false;
}

int RefillAndReadByte(ByteReader& reader) {
    if (!Refill(reader)) return kEndOfData;
    return *reader.next++;
}

std::size_t ReadBytes(ByteReader& reader, std::uint8_t* dest, std::size_t count) {
    std::size_t got = 0;
    for (;;) {
        const std::size_t available = static_cast<std::size_t>(reader.end - reader.next);
        const std::size_t take = available < count - got ? available : count - got;
        if (take > 0) std::memcpy(dest + got, reader.next, take);
        reader.next += take;
        got += take;
        if (got == count || !Refill(reader)) return got;
    }
}

void UnreadByte(ByteReader& reader, int byte) {
    if (byte == kEndOfData) return;
    // next is past data[0] after any read from the buffer; storage[0] holds a
    // byte pushed back when the buffer was just refilled or dropped.
    if (reader.next > reader.storage) --reader.next;
    *reader.next = static_cast<std::uint8_t>(byte);
}

void SkipBeyondBuffer(ByteReader& reader, std::uint64_t count) {
    const std::int64_t position = TellPosition(reader);
    constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
    // Saturates rather than overflows; a read there fails either way.
    const bool overflows = count > static_cast<std::uint64_t>(kLargest) ||
                           (position > 0 && count > static_cast<std::uint64_t>(kLargest - position));
    const std::int64_t target = overflows ? kLargest : position + static_cast<std::int64_t>(count);
    SeekToPosition(reader, target);
}

void SeekToPosition(ByteReader& reader, std::int64_t position) {
    std::uint8_t* const data = reader.data();
    const std::int64_t dataPosition = reader.endPosition - (reader.end - data);
    if (!reader.seekPending && position >= dataPosition && position <= reader.endPosition) {
        reader.next = data + (position - dataPosition);
        return;
    }
    reader.next = reader.end = data;
    reader.endPosition = position;
    reader.seekPending = true;
}
