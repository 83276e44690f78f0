// Turns each path named on the command line or in a list into the files to
// read.
//
// A named file is always taken. A named folder is walked recursively (or
// only its first level), in a stable order: the entries of each folder
// sorted by name, a subfolder's files at the subfolder's place. Files in
// folders are taken when the filter accepts their name. Symbolic links are
// followed, but each folder (by device and inode) is entered once in a
// run, so a link loop ends instead of hanging the walk.
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

struct WalkOptions {
    bool recurse = true;
    // Decides on the last component of a file found in a folder; unset
    // takes every file.
    std::function<bool(const std::filesystem::path& fileName)> accept;
};

// A file to read, or a path that cannot be read and why.
struct WalkEntry {
    std::filesystem::path path;
    std::string problem;  // empty for a file to read
};

struct WalkResult {
    std::vector<WalkEntry> entries;  // in walk order, problems at their place
    std::size_t skipped = 0;         // files in folders that the filter refused
};

class FileWalk {
public:
    explicit FileWalk(WalkOptions options) : options_(std::move(options)) {}
    // What one named path gives.
    WalkResult Expand(const std::filesystem::path& path);

private:
    void WalkFolder(const std::filesystem::path& folder, bool recurse, WalkResult& result);

    WalkOptions options_;
    std::set<std::string> visited_;
};
