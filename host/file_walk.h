// Turns each path named on the command line or in a list into the files to
// read, one at a time, so a tree of any size is read while it is walked.
//
// A named file is always taken. A named folder is walked recursively (or
// only its first level), in a stable order: the entries of each folder
// sorted by name, a subfolder's files at the subfolder's place. Only the
// sorted entries of the folders on the way down are held, never the whole
// tree.
// Files in folders are taken when the filter accepts their name. Symbolic
// links are followed, but each folder (by its identity on the system) is
// entered once in a run, so a link loop ends instead of hanging the walk.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/system.h"

struct WalkOptions {
    bool recurse = true;
    // Decides on the last component of a file found in a folder; unset
    // takes every file.
    std::function<bool(const std::filesystem::path& fileName)> accept;
};

// A file to read, or a path that cannot be read and its problem.
//
// A problem is why a path cannot be read, in the words of every message and
// of the status column: lower case, no final stop ("no such file or
// folder", "permission denied", "a pipe, not a regular file"). The walk
// finds some, the open and the reader the others (FileOutcome); nothing in
// it depends on where the bytes would have come from.
struct WalkEntry {
    std::filesystem::path path;
    std::string problem;  // empty for a file to read
};

class FileWalk {
public:
    explicit FileWalk(WalkOptions options) : options_(std::move(options)) {}
    // Starts on one named path, dropping what is left of the last one.
    void Start(const std::filesystem::path& path);
    // The next file of the started path in walk order, or a problem at its
    // place; false when the path has given everything.
    bool Next(WalkEntry& entry);
    // Files the filter refused since Start.
    std::size_t Skipped() const { return skipped_; }

private:
    // A folder being read: its entries sorted, and how far the walk is.
    struct Level {
        std::vector<ListedName> entries;  // names made paths
        std::size_t next = 0;
        bool recurse = true;
    };
    void Enter(const std::filesystem::path& folder, bool recurse);

    WalkOptions options_;
    std::set<std::string> visited_;  // folders entered in this run
    std::vector<Level> levels_;
    std::optional<WalkEntry> ready_;  // the next entry when it is not a level's
    std::size_t skipped_ = 0;
};
