// Turns the paths named on the command line into the list of files to read.
//
// A named file is always taken. A named folder is walked recursively (or
// only its first level), in a stable order: the entries of each folder
// sorted by name, a subfolder's files at the subfolder's place. Files in
// folders are taken when the filter accepts their name. Symbolic links are
// followed, but each folder (by device and inode) is entered once, so a
// link loop ends instead of hanging the walk.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct WalkOptions {
    bool recurse = true;
    // Decides on the last component of a file found in a folder.
    std::function<bool(const std::filesystem::path& fileName)> accept;
};

struct WalkProblem {
    std::filesystem::path path;
    std::string reason;
};

struct WalkResult {
    std::vector<std::filesystem::path> files;
    std::vector<WalkProblem> problems;
};

WalkResult WalkPaths(const std::vector<std::filesystem::path>& paths, const WalkOptions& options);
