#include "midi/byte_reader.h"

#include <cstring>
#include <limits>

#include "platform/platform.h"

namespace {

// Fills the buffer from the logical position. When a skip or seek left the
// stream elsewhere, a target a little ahead is reached by reading on and
// dropping the bytes before it; any other target costs one seek first.
// Returns false when nothing arrived at the logical position.
bool Refill(ByteReader& reader) {
    std::uint8_t* const data = reader.data();
    reader.next = reader.end = data;
    // Nothing to read at or past a known end: no seek, no read.
    if (reader.fileSize >= 0 && reader.endPosition >= reader.fileSize) return false;
    std::int64_t ahead = 0;  // bytes to drop from the start of this fill
    if (reader.seekPending) {
        ahead = reader.endPosition - reader.streamPosition;
        if (ahead < 0 || ahead >= static_cast<std::int64_t>(kReadBufferSize)) {
            // A failed seek (a negative position) stays pending: every read fails.
            if (reader.endPosition < 0 || SeekFile(reader.stream, reader.endPosition, SEEK_SET) != 0) return false;
            reader.streamPosition = reader.endPosition;
            ahead = 0;
        }
    }
    std::size_t request = kReadBufferSize;
    if (reader.fileSize >= 0 && reader.fileSize - reader.streamPosition < static_cast<std::int64_t>(request)) {
        request = static_cast<std::size_t>(reader.fileSize - reader.streamPosition);  // > ahead >= 0 here
    }
    const std::size_t got = std::fread(data, 1, request, reader.stream);
    const std::int64_t filled = static_cast<std::int64_t>(got);
    if (filled <= ahead) {
        // The file ends before the target: stay there, with the seek pending.
        reader.streamPosition += filled;
        return false;
    }
    reader.seekPending = false;
    reader.streamPosition += filled;
    reader.endPosition = reader.streamPosition;
    reader.next = data + ahead;
    reader.end = data + got;
    return true;
}

}  // namespace

void InitByteReader(ByteReader& reader, FILE* stream, std::int64_t startPosition, std::int64_t fileSize) {
    reader.stream = stream;
    reader.fileSize = fileSize;
    reader.next = reader.end = reader.data();
    reader.endPosition = startPosition;
    reader.streamPosition = startPosition;
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
