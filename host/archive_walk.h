// One archive walked as if it were a folder: each member its filter takes,
// in the archive's order, read from memory into a record, with the path
// "ARCHIVE/MEMBER" (the member's name as the archive stores it). That path
// is only shown; nothing is ever opened by it. An archive inside the
// archive is not opened: it is a member like any other, and not MIDI.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "host/archive_reader.h"
#include "host/file_walk.h"

class ArchiveWalk {
public:
    // accept decides on a member's last name component (unset: every
    // member); without recurse only the members at the archive's top are
    // taken, as only a folder's first level would be.
    ArchiveWalk(const std::filesystem::path& archive, std::function<bool(const std::filesystem::path&)> accept,
                bool recurse);

    // Whether the file turned out to hold no archive after all: the walk
    // then gives nothing, and the file is read as a file.
    bool IsNotAnArchive() const { return reader_.IsNotAnArchive(); }

    // The next member taken, or at the end a problem of the archive itself
    // (damaged, or unreadable here); false when it has given everything.
    bool Next(WalkEntry& entry);

    // Members the filter refused.
    std::size_t Skipped() const { return skipped_; }

private:
    std::filesystem::path MemberPath(const std::string& name) const;

    std::filesystem::path archive_;
    std::function<bool(const std::filesystem::path&)> accept_;
    bool recurse_;
    ArchiveReader reader_;
    bool ended_ = false;
    std::size_t skipped_ = 0;
};
