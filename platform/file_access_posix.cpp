#include "platform/file_access.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__) && defined(__x86_64__)
#include <sys/syscall.h>
#endif

#include "platform/utf8_text.h"

namespace {

// The file's type and size. On x86-64 Linux the kernel's fstat is called
// directly: its result has the layout of the C library's struct stat there,
// and glibc 2.33 gave fstat a new symbol version, which would make the
// library refuse to load on the older systems it is built for (the oldest:
// glibc 2.17). Elsewhere the C library's fstat.
int StatusOfOpenFile(int fd, struct stat& status) {
#if defined(__linux__) && defined(__x86_64__)
    return static_cast<int>(syscall(SYS_fstat, fd, &status));
#else
    return fstat(fd, &status);
#endif
}

}  // namespace

bool OpenFileForReading(const char16_t* path, ReadableFile& file) {
    file = ReadableFile{-1, -1};
    if (path == nullptr) return false;
    char utf8Path[PATH_MAX];
    if (!ConvertUtf16ToUtf8(path, utf8Path, sizeof utf8Path)) return false;
    return OpenFileBySystemName(utf8Path, file);
}

bool OpenFileBySystemName(const char* name, ReadableFile& file) {
    file = ReadableFile{-1, -1};
    if (name == nullptr) return false;
    // O_NONBLOCK keeps a FIFO from blocking the open; anything but a regular
    // file (folder, FIFO, device) is then refused, so no read can hang.
    const int fd = open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat status;
    if (StatusOfOpenFile(fd, status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return false;
    }
    file.handle = fd;
    // Some regular files (those in /proc) say 0 and still have content.
    if (status.st_size > 0) file.size = static_cast<std::int64_t>(status.st_size);
    return true;
}

std::ptrdiff_t ReadFileBytes(ReadableFile& file, std::uint8_t* buffer, std::size_t count) {
    for (;;) {
        const ssize_t got = read(static_cast<int>(file.handle), buffer, count);
        if (got >= 0) return got;
        if (errno != EINTR) return -1;  // EIO from a failing disk, a dropped network mount
    }
}

bool SeekFileTo(ReadableFile& file, std::int64_t position) {
    return lseek(static_cast<int>(file.handle), static_cast<off_t>(position), SEEK_SET) == position;
}

void CloseFile(ReadableFile& file) {
    close(static_cast<int>(file.handle));
    file.handle = -1;
}
