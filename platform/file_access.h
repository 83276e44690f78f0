// Reading a file named by its UTF-16 path: the plug-in's only use of the
// file system. Only regular files on this machine are opened, so a device, a
// pipe or a folder can never make a read wait, and the file is shared with
// every other program: they may read, write, rename or delete it meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>

struct ReadableFile {
    std::intptr_t handle;  // the system's handle or descriptor
    std::int64_t size;     // bytes in the file, -1 when the system did not say
};

// Opens the file at path (NUL-terminated UTF-16) for reading. Returns false,
// and leaves nothing open, when the path is null, cannot be opened, or names
// anything but a regular file whose data is on this machine; on POSIX also
// when it is not valid UTF-16, since it must become UTF-8 there.
bool OpenFileForReading(const char16_t* path, ReadableFile& file);

// Reads up to count bytes at the file's position and moves past them.
// Returns how many arrived, 0 at the end of the file, -1 on a read error.
std::ptrdiff_t ReadFileBytes(ReadableFile& file, std::uint8_t* buffer, std::size_t count);

// Moves to an absolute position (0 or more; past the end is allowed). Returns
// false when the system refused.
bool SeekFileTo(ReadableFile& file, std::int64_t position);

void CloseFile(ReadableFile& file);

#ifdef _WIN32
// Whether file attributes say the data is not on this machine: offline
// (hierarchical storage) or fetched when opened or read (a cloud drive's
// placeholder). Opening such a file would download it.
bool DataIsElsewhere(std::uint32_t attributes);
#endif
