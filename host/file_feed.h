// The files of one run as a stream: each path named on the command line,
// then each path of a --files-from list as it is read, every one turned into
// files by the folder walk as the run asks for them. Neither the list nor a
// folder tree is ever held whole.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <utility>
#include <vector>

#include "host/file_walk.h"

class FileFeed {
public:
    // list may be null; its paths end in separator ('\n' or '\0').
    FileFeed(const WalkOptions& options, std::vector<std::string> named, std::istream* list, char separator);

    // The next file to read (or a path that cannot be read); false at the end.
    bool Next(WalkEntry& entry);

    // Files to read known before the run starts: the named paths when each
    // is a file and no list follows, else 0 (not known).
    std::size_t KnownTotal() const { return knownTotal_; }
    std::size_t Skipped() const { return skipped_; }  // files in folders the filter turned away
    std::size_t Listed() const { return listed_; }    // paths read from the list
    // Paths that gave nothing to read, with the files turned away in each.
    const std::vector<std::pair<std::string, std::size_t>>& EmptyPaths() const { return emptyPaths_; }
    // Set when a line-separated list holds NUL bytes: it was written for
    // -0, and reading it by lines would give cut paths. The list is then
    // read no further.
    bool ListHoldsNul() const { return listHoldsNul_; }

private:
    bool NextPath(std::string& path);
    void FinishPath();

    FileWalk walk_;
    std::vector<std::string> named_;
    std::size_t nextNamed_ = 0;
    std::istream* list_;
    char separator_;
    std::string current_;  // the path being walked, for messages
    bool walking_ = false;
    bool gaveFile_ = false;
    std::size_t knownTotal_ = 0;
    std::size_t skipped_ = 0;
    std::size_t listed_ = 0;
    bool listHoldsNul_ = false;
    std::vector<std::pair<std::string, std::size_t>> emptyPaths_;
};
