// Bytes in memory read like a file, for the tests and the fuzz target: any
// position at or after 0 can be sought, and reads past the end return
// nothing. A source can also be told to fail, as a disk or a network share
// does, once a read reaches a given position, or to hand out no more than
// a few bytes a read, as a pipe or a network share may.
#pragma once

#include <cstddef>
#include <cstdint>

#include "midi/byte_source.h"

struct MemorySource {
    const std::uint8_t* data;
    std::size_t size;
    std::int64_t position;
    std::int64_t failAt;    // reads stop short of this position, then fail; -1: never
    std::size_t readLimit;  // the most one read gives; 0: no limit
};

// Sets memory to the start of data (which must outlive it) and returns a
// source over it, its size known.
ByteSource MemoryByteSource(MemorySource& memory, const std::uint8_t* data, std::size_t size);
