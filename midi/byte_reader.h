// The one way the scanner reads its input: bytes, a single pushed-back byte,
// relative skips and the logical position, over a ByteSource. Keeping every
// read here means the buffering strategy is decided in one place.
//
// The reader keeps its own fixed buffer, filled by the source's read; a file
// source therefore reads with the system's own call (read, ReadFile) into
// it, so no byte is copied twice. A scan is then about one read system call
// per buffer of file:
//   - a skip that stays inside the buffer only moves a pointer;
//   - a skip beyond it drops the buffer and records the target; the one
//     64-bit seek happens only when the next read needs it, so a skip to
//     past the end of the file that is never followed by a read costs
//     nothing, and a 50 MB system-exclusive event is one seek, not a read;
//   - a target within the next buffer-full is not sought at all: the next
//     fill simply reads on, as an event that straddles two buffers needs;
//   - a seek back to a position still in the buffer moves the pointer too.
//
// A failure of the source (a read error, or a seek it could not make) is
// remembered: from then on every read reports the end of the data at once,
// without asking the source again, and readFailed tells the scan that what it
// read is not the whole file.
//
// The logical position counts the pushed-back byte as not yet consumed:
// after reading the byte at position p and pushing it back, TellPosition is
// p again, and the next read or skip starts from p.
//
// The whole reader, buffer included, is one plain record meant to live in the
// caller's frame: nothing is allocated and InitByteReader does not clear the
// buffer, so a request on a small file costs no more than its one read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "midi/byte_source.h"

#if defined(__GNUC__) || defined(__clang__)
#define MIDIFIELDS_LIKELY(condition) __builtin_expect(!!(condition), 1)
#define MIDIFIELDS_UNLIKELY(condition) __builtin_expect(!!(condition), 0)
#else
#define MIDIFIELDS_LIKELY(condition) (condition)
#define MIDIFIELDS_UNLIKELY(condition) (condition)
#endif

constexpr int kEndOfData = -1;

// 32 KiB: 16 KiB costs measurably more read calls on dense files, 64 KiB
// gains nothing and doubles the stack of every request. The build can
// override it to repeat the measurement.
#ifndef MIDIFIELDS_READ_BUFFER_SIZE
#define MIDIFIELDS_READ_BUFFER_SIZE 32768
#endif
constexpr std::size_t kReadBufferSize = MIDIFIELDS_READ_BUFFER_SIZE;
static_assert(kReadBufferSize >= 16, "the walk reads whole channel events from the buffer");

struct ByteReader {
    // Bytes still to be handed out are [next, end). next may stand one byte
    // before start (in storage[0]) when a byte is pushed back at its start.
    const std::uint8_t* next;
    const std::uint8_t* end;
    // The first byte of the buffer: storage + 1, or the source's own bytes
    // when they are read in place (then the whole data is one buffer).
    const std::uint8_t* start;
    std::int64_t endPosition;     // the source position of the byte at end
    std::int64_t sourcePosition;  // where the source is; endPosition unless a seek is pending
    ByteSource source;
    bool seekPending;  // the source is not at endPosition: seek before the next fill
    bool readFailed;   // the source failed; nothing more is read
    std::uint8_t storage[1 + kReadBufferSize];
};

// Prepares reader to read source from its position 0; the reader assumes
// nobody else moves the source. With the size known (source.size >= 0) it
// reads exactly the bytes there are and never seeks or reads at or past the
// end. A source whose bytes are in memory is read where it lies.
void InitByteReader(ByteReader& reader, const ByteSource& source);

// Refills the buffer and returns its first byte; the slow half of ReadByte.
int RefillAndReadByte(ByteReader& reader);

// Drops the buffer and moves the logical position count bytes forward, which
// is beyond the end of the buffer; the slow half of SkipBytes.
void SkipBeyondBuffer(ByteReader& reader, std::uint64_t count);

// Returns the next byte (0 to 255), or kEndOfData at the end of the data or
// once the source has failed.
inline int ReadByte(ByteReader& reader) {
    if (MIDIFIELDS_LIKELY(reader.next != reader.end)) return *reader.next++;
    return RefillAndReadByte(reader);
}

// Reads up to count bytes into dest; returns how many arrived.
std::size_t ReadBytes(ByteReader& reader, std::uint8_t* dest, std::size_t count);

// Makes byte the next one to be read. Only one byte can be pushed back at a
// time, and it must be the byte that was just read (the reader puts it back
// in its buffer; bytes read in place are still there). kEndOfData is ignored.
void UnreadByte(ByteReader& reader, int byte);

// Moves the logical position forward by count bytes. Skipping past the end of
// the data is allowed; the next read then fails.
inline void SkipBytes(ByteReader& reader, std::uint64_t count) {
    if (MIDIFIELDS_LIKELY(count <= static_cast<std::uint64_t>(reader.end - reader.next))) {
        reader.next += count;
        return;
    }
    SkipBeyondBuffer(reader, count);
}

// Moves to an absolute position, dropping any pushed-back byte. A negative
// position makes every later read fail.
void SeekToPosition(ByteReader& reader, std::int64_t position);

// The logical position: the offset of the next byte to be read.
inline std::int64_t TellPosition(const ByteReader& reader) { return reader.endPosition - (reader.end - reader.next); }
