#include "tests/memory_source.h"

#include <cstring>

namespace {

std::ptrdiff_t ReadMemory(void* context, std::uint8_t* buffer, std::size_t count) {
    MemorySource& memory = *static_cast<MemorySource*>(context);
    if (memory.position >= static_cast<std::int64_t>(memory.size)) return 0;
    const std::size_t left = memory.size - static_cast<std::size_t>(memory.position);
    std::size_t got = count < left ? count : left;
    if (memory.readLimit > 0 && got > memory.readLimit) got = memory.readLimit;
    if (memory.failAt >= 0) {
        // Like a disk: the bytes before the bad spot arrive, then reads fail.
        if (memory.position >= memory.failAt) return kSourceFailed;
        const std::size_t good = static_cast<std::size_t>(memory.failAt - memory.position);
        if (got > good) got = good;
    }
    std::memcpy(buffer, memory.data + memory.position, got);
    memory.position += static_cast<std::int64_t>(got);
    return static_cast<std::ptrdiff_t>(got);
}

bool SeekMemory(void* context, std::int64_t position) {
    if (position >= 0) static_cast<MemorySource*>(context)->position = position;
    return position >= 0;
}

}  // namespace

ByteSource MemoryByteSource(MemorySource& memory, const std::uint8_t* data, std::size_t size) {
    memory = MemorySource{data, size, 0, -1, 0};
    return ByteSource{ReadMemory, SeekMemory, &memory, static_cast<std::int64_t>(size), nullptr};
}
