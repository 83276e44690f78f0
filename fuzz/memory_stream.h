// A read-only FILE* over bytes in memory, for feeding the scanner without a
// file on disk.
//
// fmemopen refuses to seek past the end of its buffer, so a skip over a
// declared length would fail and leave the position where it was, while on a
// real file the seek succeeds and the next read fails. This stream behaves
// like a file: any non-negative position may be sought, and reads from past
// the end return nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct MemoryStream {
    const std::uint8_t* data;
    std::size_t size;
    std::int64_t position;
};

// Opens a stream over memory (which must outlive the stream); the state
// lives in the caller's MemoryStream. Close with fclose.
FILE* OpenMemoryStream(MemoryStream& memory, const std::uint8_t* data, std::size_t size);
