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

// A file's name as the system itself has it: UTF-16 on Windows; bytes on
// POSIX, by convention UTF-8 but any bytes but NUL (a name unpacked from an
// old Latin-1 zip is not UTF-8 at all).
#ifdef _WIN32
using SystemNameChar = char16_t;
#else
using SystemNameChar = char;
#endif

// Opens the file at path (NUL-terminated UTF-16) for reading. Returns false,
// and leaves nothing open, when the path is null, cannot be opened, or names
// anything but a regular file whose data is on this machine; on POSIX also
// when it is not valid UTF-16, since it must become UTF-8 there.
bool OpenFileForReading(const char16_t* path, ReadableFile& file);

// The same for a name in the system's own form (NUL-terminated), taken as
// it is: on POSIX any bytes open, UTF-8 or not.
bool OpenFileBySystemName(const SystemNameChar* name, ReadableFile& file);

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

// Whether attributes refuse a file: a folder, or data held elsewhere.
// Windows is asked about the name before the open, and what its attributes
// refuse is never opened, since even the open would fetch data held
// elsewhere.
bool RefusedByAttributes(std::uint32_t attributes);

// What the handle of an opened name tells, each asked only when
// SizeOfOpened needs it: whether it is a file on a disk (a device or a pipe
// opens like one), its size, and the attributes of what the open reached.
class OpenedFile {
public:
    virtual bool IsDiskFile() const = 0;
    virtual bool Size(std::int64_t& size) const = 0;
    virtual bool Attributes(std::uint32_t& attributes) const = 0;

protected:
    ~OpenedFile() = default;
};

// The size to read of what an open reached, or -1 when it is not to be
// read. The size is always the handle's: the look at the name before the
// open describes a symbolic link itself (size 0), and a file that grew
// since is read whole. What the open reached is judged by the name's
// attributes, nameAttributes; but a link's (a reparse point's) say nothing
// of its target, so for a link alone the handle is asked.
std::int64_t SizeOfOpened(const OpenedFile& opened, std::uint32_t nameAttributes);
#endif
