#include "host/file_walk.h"

#include <algorithm>
#include <system_error>

#include "host/reason_text.h"
#include "host/system.h"

namespace fs = std::filesystem;

namespace {

// What a path that is neither a file nor a folder is, in a message.
std::string NotAFileReason(fs::file_type type) {
    switch (type) {
        case fs::file_type::character:
        case fs::file_type::block: return "a device, not a regular file";
        case fs::file_type::fifo: return "a pipe, not a regular file";
        case fs::file_type::socket: return "a socket, not a regular file";
        default: return "not a regular file";
    }
}

// Why a path that should name a file or folder does not: a name the
// system cannot open as written, a dangling symbolic link, or one that is gone.
std::string MissingPathReason(const fs::path& path) {
    std::string reason = UnopenableNameReason(path);
    if (!reason.empty()) return reason;
    return IsSymbolicLink(path) ? "broken symbolic link" : "no such file or folder";
}

// The path's status, symbolic links followed; false with the reason when
// it has none.
bool StatusOf(const fs::path& path, fs::file_status& status, std::string& problem) {
    std::error_code error;
    status = PathStatus(path, error);
    if (status.type() == fs::file_type::not_found) problem = MissingPathReason(path);
    else if (error) problem = ReasonText(error);
    return problem.empty();
}

}  // namespace

void FileWalk::Start(const fs::path& path) {
    levels_.clear();
    ready_.reset();
    skipped_ = 0;
    fs::file_status status;
    std::string problem;
    if (!StatusOf(path, status, problem)) {
        ready_ = WalkEntry{path, problem};
    } else if (fs::is_directory(status)) {
        Enter(path, options_.recurse);
    } else if (fs::is_regular_file(status)) {
        // Whether it can be read is found out when it is read.
        ready_ = WalkEntry{path, ""};
    } else {
        // Opening a pipe or a device could wait forever.
        ready_ = WalkEntry{path, NotAFileReason(status.type())};
    }
}

void FileWalk::Enter(const fs::path& folder, bool recurse) {
    std::string identity;
    if (IdentifyFolder(folder, identity) && !visited_.insert(identity).second) return;

    Level level;
    std::error_code error;
    ListFolder(folder, level.entries, error);
    // A folder that could not be read, or only in part: said first, then
    // what was read.
    if (error) ready_ = WalkEntry{folder, ReasonText(error)};
    std::sort(level.entries.begin(), level.entries.end(),
              [](const ListedName& a, const ListedName& b) { return a.name.native() < b.name.native(); });
    level.recurse = recurse;
    for (ListedName& entry : level.entries) entry.name = folder / entry.name;
    levels_.push_back(std::move(level));
}

bool FileWalk::Next(WalkEntry& entry) {
    for (;;) {
        if (ready_) {
            entry = std::move(*ready_);
            ready_.reset();
            return true;
        }
        if (levels_.empty()) return false;
        Level& level = levels_.back();
        if (level.next == level.entries.size()) {
            levels_.pop_back();
            continue;
        }
        const ListedName listed = std::move(level.entries[level.next++]);
        const fs::path& path = listed.name;
        fs::file_status status(listed.type);
        std::string problem;
        if (listed.type == fs::file_type::unknown && !StatusOf(path, status, problem)) {
            ready_ = WalkEntry{path, problem};
        } else if (fs::is_directory(status)) {
            if (level.recurse) Enter(path, true);  // may end the reference to level
        } else if (fs::is_regular_file(status)) {
            if (!options_.accept || options_.accept(path.filename())) ready_ = WalkEntry{path, ""};
            else ++skipped_;
        } else if (std::string reason = UnopenableNameReason(path); !reason.empty()) {
            // A file whose name the system takes for a device.
            ready_ = WalkEntry{path, reason};
        }
        // Other kinds (devices, pipes, sockets) are never read from a folder.
    }
}
