#include "host/file_feed.h"

#include <algorithm>
#include <iterator>

#include "host/path_text.h"
#include "host/system.h"

FileFeed::FileFeed(WalkOptions options, std::vector<std::string> named, std::istream* list, char separator)
    : walk_(std::move(options)), list_(list), separator_(separator) {
    for (const std::string& path : named) Expand(path);
}

void FileFeed::Expand(const std::string& path) {
    const std::filesystem::path fsPath = PathFromUtf8(path);
    WalkResult result = walk_.Expand(fsPath);
    skipped_ += result.skipped;
    if (result.entries.empty()) emptyPaths_.emplace_back(PathForMessage(fsPath), result.skipped);
    std::move(result.entries.begin(), result.entries.end(), std::back_inserter(pending_));
}

bool FileFeed::Next(WalkEntry& entry) {
    while (pending_.empty()) {
        std::string line;
        if (list_ == nullptr || !std::getline(*list_, line, separator_)) return false;
        // A list written on Windows ends its lines in CR LF.
        if (separator_ == '\n' && !line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        ++listed_;
        Expand(line);
    }
    entry = std::move(pending_.front());
    pending_.pop_front();
    return true;
}

std::size_t FileFeed::KnownTotal() const {
    if (list_ != nullptr) return 0;
    return static_cast<std::size_t>(
        std::count_if(pending_.begin(), pending_.end(), [](const WalkEntry& entry) { return entry.problem.empty(); }));
}
