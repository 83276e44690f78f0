// Where the scanner's bytes come from: a plain record of two functions over
// a context, so the same scan reads a file (through the platform layer's
// stream) or bytes in memory (tests, the fuzz target) with nothing else
// between them. The reader calls read once per buffer-full and seek only
// when a skip leaves its buffer far behind.
#pragma once

#include <cstddef>
#include <cstdint>

struct ByteSource {
    // Reads up to count bytes at the current position into buffer and moves
    // past them; returns how many arrived, 0 at the end or on an error.
    std::size_t (*read)(void* context, std::uint8_t* buffer, std::size_t count);
    // Moves to an absolute position, which may lie past the end; returns
    // false when it cannot.
    bool (*seek)(void* context, std::int64_t position);
    void* context;
    std::int64_t size;  // bytes in all, -1 when unknown; a scan starts at position 0
};

// Bytes in memory read like a file: any position at or after 0 can be
// sought, and reads past the end return nothing.
struct MemorySource {
    const std::uint8_t* data;
    std::size_t size;
    std::int64_t position;
};

// Sets memory to the start of data (which must outlive it) and returns a
// source over it, its size known.
ByteSource MemoryByteSource(MemorySource& memory, const std::uint8_t* data, std::size_t size);
