#include "midi/byte_reader.h"

#include <cstring>
#include <limits>

namespace {

// Bytes read in place are one buffer of the whole data, so there is never
// more to read; only a seek that left them (past the end, or before the
// start) and then came back finds them again.
bool RefillInPlace(ByteReader& reader) {
    const std::int64_t position = reader.endPosition;
    const std::int64_t size = reader.source.size;
    reader.next = reader.end = reader.start;
    if (!reader.seekPending || position < 0 || position >= size) return false;
    reader.seekPending = false;
    reader.next = reader.start + position;
    reader.end = reader.start + size;
    reader.endPosition = size;
    return true;
}

// Fills the buffer from the logical position. When a skip or seek left the
// source elsewhere, a target a little ahead is reached by reading on and
// dropping the bytes before it; any other target costs one seek first.
// Returns false when nothing arrived at the logical position.
bool Refill(ByteReader& reader) {
    if (reader.source.bytes != nullptr) return RefillInPlace(reader);
    std::uint8_t* const data = reader.storage + 1;
    reader.next = reader.end = data;
    if (reader.readFailed) return false;
    // Nothing to read at or past a known end: no seek, no read.
    const std::int64_t size = reader.source.size;
    if (size >= 0 && reader.endPosition >= size) return false;
    std::int64_t ahead = 0;  // bytes to drop from the start of this fill
    if (reader.seekPending) {
        ahead = reader.endPosition - reader.sourcePosition;
        if (ahead < 0 || ahead >= static_cast<std::int64_t>(kReadBufferSize)) {
            // A negative position stays pending and every read there fails;
            // a seek the source cannot make is a failure of the source.
            if (reader.endPosition < 0) return false;
            if (!reader.source.seek(reader.source.context, reader.endPosition)) {
                reader.readFailed = true;
                return false;
            }
            reader.sourcePosition = reader.endPosition;
            ahead = 0;
        }
    }
    std::ptrdiff_t got;
    for (;;) {
        std::size_t request = kReadBufferSize;
        if (size >= 0 && size - reader.sourcePosition < static_cast<std::int64_t>(request)) {
            request = static_cast<std::size_t>(size - reader.sourcePosition);  // > ahead >= 0 here
        }
        got = reader.source.read(reader.source.context, data, request);
        if (got < 0) {
            reader.readFailed = true;
            return false;
        }
        if (got > ahead) break;
        reader.sourcePosition += got;
        // Nothing more: the data ends before the target. Stay there, with
        // the seek pending.
        if (got == 0) return false;
        // A short read that stops before the target says nothing of what
        // follows: drop it and read on, to the target, the end of the data
        // or an error.
        ahead -= got;
    }
    const std::int64_t filled = got;
    reader.seekPending = false;
    reader.sourcePosition += filled;
    reader.endPosition = reader.sourcePosition;
    reader.next = data + ahead;
    reader.end = data + got;
    return true;
}

}  // namespace

void InitByteReader(ByteReader& reader, const ByteSource& source) {
    reader.source = source;
    reader.seekPending = false;
    reader.readFailed = false;
    if (source.bytes != nullptr) {
        reader.start = reader.next = source.bytes;
        reader.end = source.bytes + source.size;
        reader.endPosition = reader.sourcePosition = source.size;
        return;
    }
    reader.start = reader.next = reader.end = reader.storage + 1;
    reader.endPosition = reader.sourcePosition = 0;
}

int RefillAndReadByte(ByteReader& reader) { return Refill(reader) ? *reader.next++ : kEndOfData; }

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
    if (reader.source.bytes != nullptr) {
        // Read in place: the byte just read is still before next.
        --reader.next;
        return;
    }
    // next is past storage[1] after any read from the buffer; storage[0]
    // holds a byte pushed back when the buffer was just refilled or dropped.
    std::size_t at = static_cast<std::size_t>(reader.next - reader.storage);
    if (at > 0) --at;
    reader.storage[at] = static_cast<std::uint8_t>(byte);
    reader.next = reader.storage + at;
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
    const std::uint8_t* const data = reader.start;
    const std::int64_t dataPosition = reader.endPosition - (reader.end - data);
    if (!reader.seekPending && position >= dataPosition && position <= reader.endPosition) {
        reader.next = data + (position - dataPosition);
        return;
    }
    reader.next = reader.end = data;
    reader.endPosition = position;
    reader.seekPending = true;
}
