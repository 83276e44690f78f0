#include "host/file_feed.h"

#include <algorithm>

#include "host/path_text.h"
#include "host/system.h"

FileFeed::FileFeed(const WalkOptions& options, std::vector<std::string> named, std::istream* list, char separator)
    : walk_(options), named_(std::move(named)), list_(list), separator_(separator) {
    // Each named path one file to read, none of them an archive of many.
    const bool allFiles = std::all_of(named_.begin(), named_.end(), [&options](const std::string& path) {
        std::error_code error;
        const std::filesystem::path file = PathFromUtf8(path);
        return std::filesystem::is_regular_file(PathStatus(file, error)) && !IsNamedArchive(file, options);
    });
    if (list_ == nullptr && allFiles) knownTotal_ = named_.size();
}

bool FileFeed::NextPath(std::string& path) {
    if (nextNamed_ < named_.size()) {
        path = named_[nextNamed_++];
        return true;
    }
    while (list_ != nullptr && !listHoldsNul_ && std::getline(*list_, path, separator_)) {
        // A list written on Windows ends its lines in CR LF.
        if (separator_ == '\n' && !path.empty() && path.back() == '\r') path.pop_back();
        if (separator_ == '\n' && path.find('\0') != std::string::npos) listHoldsNul_ = true;
        else if (!path.empty()) {  // a blank line names nothing
            ++listed_;
            return true;
        }
    }
    return false;
}

void FileFeed::FinishPath() {
    skipped_ += walk_.Skipped();
    if (!gaveFile_) emptyPaths_.emplace_back(PathForMessage(PathFromUtf8(current_)), walk_.Skipped());
    walking_ = false;
}

bool FileFeed::Next(WalkEntry& entry) {
    for (;;) {
        if (walking_ && walk_.Next(entry)) {
            gaveFile_ = true;
            return true;
        }
        if (walking_) FinishPath();
        if (!NextPath(current_)) return false;
        walk_.Start(PathFromUtf8(current_));
        walking_ = true;
        gaveFile_ = false;
    }
}
