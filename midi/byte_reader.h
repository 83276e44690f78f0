// The one way the scanner reads a file: bytes, a single pushed-back byte,
// relative skips and the logical position, over a FILE*. Keeping every read
// here means the buffering strategy is decided in one place.
//
// The logical position counts the pushed-back byte as not yet consumed: after
// reading the byte at position p and pushing it back, Tell() is p again, and
// the next read or skip starts from p.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int kEndOfData = -1;

struct ByteReader {
    FILE* stream;
    int pushedBack;  // the pushed-back byte, or kEndOfData when there is none
};

inline ByteReader MakeByteReader(FILE* stream) { return ByteReader{stream, kEndOfData}; }

// Returns the next byte (0 to 255), or kEndOfData at the end of the file or
// on a read error.
int ReadByte(ByteReader& reader);

// Reads up to count bytes into dest; returns how many arrived.
std::size_t ReadBytes(ByteReader& reader, std::uint8_t* dest, std::size_t count);

// Makes byte the next one to be read. Only one byte can be pushed back at a
// time, and only the byte that was just read.
void UnreadByte(ByteReader& reader, int byte);

// Moves the logical position forward by count bytes. Skipping past the end of
// the file is allowed; the next read then fails.
void SkipBytes(ByteReader& reader, std::uint64_t count);

// Moves to an absolute position, dropping any pushed-back byte.
void SeekToPosition(ByteReader& reader, std::int64_t position);

// The logical position: the offset of the next byte to be read.
std::int64_t TellPosition(const ByteReader& reader);
