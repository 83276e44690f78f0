// The members of a zip or tar archive (plain, or compressed with gzip,
// bzip2 or xz), read one after another in the order the archive stores
// them, each into memory: collections are read as they are shipped,
// without unpacking them to disk. Members are only read; their names are
// shown and never used to touch the file system.
//
// A member that cannot be read has a status of its own, in the words of
// the program's messages: "encrypted, not read", "larger than 256 MiB, not
// read", "a link within the archive, not read". An archive that is
// truncated or corrupt gives the members before the damage, then ends with
// "damaged archive: REASON". The Windows program reads no archive: opening
// one says what to use instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Whether this build reads archives at all (the Windows program does not),
// and when not, the words of the message for an archive named to it.
bool ArchivesAreRead();
const char* ArchivesNotReadReason();

// The largest member read into memory; larger ones (as stated, or as they
// turn out when read) are not read.
constexpr std::uint64_t kLargestMember = std::uint64_t{256} << 20;

// Whether the first bytes of a file are those of an archive this program
// opens: a zip (local or empty end header), a tar (its "ustar" magic at
// offset 257), or gzip, bzip2 or xz data, which may hold a tar.
bool LooksLikeArchive(const std::uint8_t* bytes, std::size_t size);

// The bytes LooksLikeArchive needs at most.
constexpr std::size_t kArchiveSniffSize = 512;

// Whether the file at path starts as an archive does; false when it cannot
// be read (reading it then says why).
bool StartsAsArchive(const std::filesystem::path& path);

// Whether a name says archive: .zip, .tar, .tgz, .tar.gz, .tbz2, .tar.bz2,
// .txz or .tar.xz, in any case. A folder's files are opened as archives
// only when their name says so and their content agrees.
bool HasArchiveName(const std::string& name);

struct ArchiveMember {
    enum class Kind {
        kFile,    // a regular file: its data can be read
        kFolder,  // a folder: its files are members of their own
        kLink,    // a symbolic or hard link to another member
        kOther,   // devices, pipes and the like
    };
    std::string name;  // as the archive stores it: bytes, UTF-8 or not
    Kind kind = Kind::kFile;
    std::vector<std::uint8_t> bytes;  // after ReadData, when problem is empty
    std::string problem;              // why the data was not read, or ""
};

class ArchiveReader {
public:
    // Opens the archive at path; OpenProblem says when that failed.
    explicit ArchiveReader(const std::filesystem::path& path);
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // Why the archive cannot be read at all ("" when it can). On Windows,
    // always the words on what to use instead.
    const std::string& OpenProblem() const;

    // Whether the file, opened, turned out to be no archive of a kind this
    // program reads (gzip data that holds no tar, say): it is then a file
    // like any other.
    bool IsNotAnArchive() const;

    // Moves to the next member and fills its name and kind; false at the
    // end of the archive or where it is damaged (EndProblem tells).
    bool NextMember(ArchiveMember& member);

    // Reads the data of the member NextMember gave into member.bytes, or
    // says in member.problem why not.
    void ReadData(ArchiveMember& member);

    // After NextMember returned false: "" at the archive's proper end,
    // else "damaged archive: REASON".
    const std::string& EndProblem() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
