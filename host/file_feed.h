// The files of one run as a stream: each path named on the command line,
// then each path of a --files-from list as it is read, every one turned into
// files by the folder walk. The list is read only as the run asks for more,
// so a list of any length costs no more memory than one folder's files.
#pragma once

#include <cstddef>
#include <deque>
#include <istream>
#include <string>
#include <utility>
#include <vector>

#include "host/file_walk.h"

class FileFeed {
public:
    // list may be null; its paths end in separator ('\n' or '\0').
    FileFeed(WalkOptions options, std::vector<std::string> named, std::istream* list, char separator);

    // The next file to read (or a path that cannot be read); false at the end.
    bool Next(WalkEntry& entry);

    // Files to read known before the run starts; 0 when a list follows.
    std::size_t KnownTotal() const;
    std::size_t Skipped() const { return skipped_; }  // files in folders the filter turned away
    std::size_t Listed() const { return listed_; }    // paths read from the list
    // Paths that gave nothing to read, with the files turned away in each.
    const std::vector<std::pair<std::string, std::size_t>>& EmptyPaths() const { return emptyPaths_; }

private:
    void Expand(const std::string& path);

    FileWalk walk_;
    std::istream* list_;
    char separator_;
    std::deque<WalkEntry> pending_;
    std::size_t skipped_ = 0;
    std::size_t listed_ = 0;
    std::vector<std::pair<std::string, std::size_t>> emptyPaths_;
};
