#include "tests/memory_source.h"

#include <cstring>

namespace {

std::ptrdiff_t ReadMemory(void* context, std::uint8_t* buffer, std::size_t count) {
    MemorySource& memory = *static_cast<MemorySource*>(context);
    if (memory.position >= static_cast<std::int64_t>(memory.size)) return 0;
    const std::size_t left = memory.size - static_cast<std::size_t>(memory.position);
    const std::size_t got = count < left ? count : left;
    if (memory.failAt >= 0 && memory.position + static_cast<std::int64_t>(got) > memory.failAt) return kSourceFailed;
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
    memory = MemorySource{data, size, 0, -1};
    return ByteSource{ReadMemory, SeekMemory, &memory, static_cast<std::int64_t>(size)};
}
