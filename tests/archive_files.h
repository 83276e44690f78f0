// Archives for tests, written with libarchive: members named and filled
// byte by byte, in a format ("zip", "gnutar") and a filter ("none",
// "gzip", "bzip2", "xz").
#pragma once

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "samples/midi_bytes.h"

namespace archive_files {

struct Member {
    std::string name;
    midi_bytes::Bytes bytes;
};

inline void WriteArchive(const std::filesystem::path& path, const char* format, const char* filter,
                         const std::vector<Member>& members) {
    struct archive* writer = archive_write_new();
    ASSERT_EQ(archive_write_set_format_by_name(writer, format), ARCHIVE_OK);
    if (std::string(filter) != "none") {
        ASSERT_EQ(archive_write_add_filter_by_name(writer, filter), ARCHIVE_OK);
    }
    ASSERT_EQ(archive_write_open_filename(writer, path.c_str()), ARCHIVE_OK);
    for (const Member& member : members) {
        struct archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, member.name.c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(member.bytes.size()));
        ASSERT_EQ(archive_write_header(writer, entry), ARCHIVE_OK) << archive_error_string(writer);
        ASSERT_EQ(archive_write_data(writer, member.bytes.data(), member.bytes.size()),
                  static_cast<la_ssize_t>(member.bytes.size()));
        archive_entry_free(entry);
    }
    ASSERT_EQ(archive_write_close(writer), ARCHIVE_OK);
    archive_write_free(writer);
}

}  // namespace archive_files
