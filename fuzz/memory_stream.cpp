#include "fuzz/memory_stream.h"

#include <sys/types.h>

#include <cerrno>
#include <cstring>

namespace {

ssize_t ReadMemory(void* cookie, char* buffer, std::size_t count) {
    auto& memory = *static_cast<MemoryStream*>(cookie);
    if (memory.position >= static_cast<std::int64_t>(memory.size)) return 0;
    const std::size_t offset = static_cast<std::size_t>(memory.position);
    const std::size_t available = memory.size - offset;
    const std::size_t n = count < available ? count : available;
    std::memcpy(buffer, memory.data + offset, n);
    memory.position += static_cast<std::int64_t>(n);
    return static_cast<ssize_t>(n);
}

int SeekMemory(void* cookie, off64_t* offset, int whence) {
    auto& memory = *static_cast<MemoryStream*>(cookie);
    std::int64_t base = 0;
    if (whence == SEEK_CUR) base = memory.position;
    if (whence == SEEK_END) base = static_cast<std::int64_t>(memory.size);
    // Offsets in a scan are at most a few times 2^32: no overflow here.
    const std::int64_t target = base + static_cast<std::int64_t>(*offset);
    if (target < 0) {
        errno = EINVAL;
        return -1;
    }
    memory.position = target;
    *offset = static_cast<off64_t>(target);
    return 0;
}

}  // namespace

FILE* OpenMemoryStream(MemoryStream& memory, const std::uint8_t* data, std::size_t size) {
    memory = MemoryStream{data, size, 0};
    cookie_io_functions_t functions{};
    functions.read = ReadMemory;
    functions.seek = SeekMemory;
    return fopencookie(&memory, "rb", functions);
}
