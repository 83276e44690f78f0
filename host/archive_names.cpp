// What makes a file an archive the program opens: its first bytes, and for
// a file met in a folder also its name.
#include <cstring>
#include <fstream>
#include <string>

#include "host/archive_reader.h"
#include "host/system.h"
#include "host/text_encoding.h"

namespace {

bool StartsWith(const std::uint8_t* bytes, std::size_t size, const char* magic, std::size_t length,
                std::size_t at = 0) {
    return size >= at + length && std::memcmp(bytes + at, magic, length) == 0;
}

bool EndsWith(const std::string& text, const char* suffix) {
    const std::size_t length = std::strlen(suffix);
    return text.size() > length && text.compare(text.size() - length, length, suffix) == 0;
}

}  // namespace

bool LooksLikeArchive(const std::uint8_t* bytes, std::size_t size) {
    return StartsWith(bytes, size, "PK\x03\x04", 4) ||      // a zip's first local header
           StartsWith(bytes, size, "PK\x05\x06", 4) ||      // an empty zip: its end record alone
           StartsWith(bytes, size, "ustar", 5, 257) ||      // a tar header's magic (POSIX and GNU)
           StartsWith(bytes, size, "\x1f\x8b", 2) ||        // gzip
           StartsWith(bytes, size, "BZh", 3) ||             // bzip2
           StartsWith(bytes, size, "\xfd" "7zXZ\x00", 6);  // xz
}

bool HasArchiveName(const std::string& name) {
    const std::string lower = AsciiLower(name);
    for (const char* suffix : {".zip", ".tar", ".tgz", ".tar.gz", ".tbz2", ".tar.bz2", ".txz", ".tar.xz"})
        if (EndsWith(lower, suffix)) return true;
    return false;
}

bool StartsAsArchive(const std::filesystem::path& path) {
    std::ifstream file(SystemPath(path), std::ios::binary);
    char head[kArchiveSniffSize];
    file.read(head, sizeof head);
    return LooksLikeArchive(reinterpret_cast<const std::uint8_t*>(head), static_cast<std::size_t>(file.gcount()));
}
