// Where the scanner's bytes come from: a plain record of two functions over
// a context, so the same scan reads a file (opened by the plug-in) or bytes
// in memory (the tests, the fuzz target) with nothing else between them. The
// reader calls read once per buffer-full and seek only when a skip leaves its
// buffer far behind. Bytes that are all in memory already (a record read
// from memory) can instead be handed over whole, in bytes: the reader then
// reads them where they are, copies nothing and calls neither function.
//
// A source tells the end of its data apart from a failure to read it: a
// file that simply ends is a truncated file and still gives what its first
// bytes hold, while a disk or network error in the middle must not pass for
// the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>

// What read returns when the source could not be read.
constexpr std::ptrdiff_t kSourceFailed = -1;

struct ByteSource {
    // Reads up to count bytes at the current position into buffer and moves
    // past them; returns how many arrived (0 at the end of the data), or
    // kSourceFailed.
    std::ptrdiff_t (*read)(void* context, std::uint8_t* buffer, std::size_t count);
    // Moves to an absolute position at or after 0, which may lie past the
    // end; returns false when the source could not be moved.
    bool (*seek)(void* context, std::int64_t position);
    void* context;
    std::int64_t size;  // bytes in all, -1 when unknown; a scan starts at position 0
    // When not null: all size bytes, read in place and never written; read,
    // seek and context are then not used.
    const std::uint8_t* bytes;
};

// A source over size bytes at data, which must outlive every read of it.
inline ByteSource InPlaceByteSource(const std::uint8_t* data, std::size_t size) {
    return ByteSource{nullptr, nullptr, nullptr, static_cast<std::int64_t>(size), data};
}
