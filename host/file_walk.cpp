#include "host/file_walk.h"

#include <algorithm>
#include <system_error>

#include "host/path_text.h"
#include "host/system.h"

namespace fs = std::filesystem;

void FileWalk::WalkFolder(const fs::path& folder, bool recurse, WalkResult& result) {
    std::string identity;
    if (IdentifyFolder(folder, identity) && !visited_.insert(identity).second) return;

    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        result.entries.push_back({folder, ReasonText(error)});
        return;
    }
    std::vector<fs::path> names;
    for (const fs::directory_iterator end; it != end; it.increment(error)) names.push_back(it->path());
    if (error) result.entries.push_back({folder, ReasonText(error)});
    std::sort(names.begin(), names.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename().native() < b.filename().native(); });

    for (const fs::path& entry : names) {
        // Follows symbolic links; a dangling one is reported.
        const fs::file_status status = fs::status(entry, error);
        if (status.type() == fs::file_type::not_found) {
            result.entries.push_back({entry, "broken symbolic link"});
        } else if (error) {
            result.entries.push_back({entry, ReasonText(error)});
        } else if (fs::is_directory(status)) {
            if (recurse) WalkFolder(entry, true, result);
        } else if (fs::is_regular_file(status)) {
            if (!options_.accept || options_.accept(entry.filename())) result.entries.push_back({entry, ""});
            else ++result.skipped;
        }
        // Other kinds (devices, pipes, sockets) are never read from a folder.
    }
}

WalkResult FileWalk::Expand(const fs::path& path) {
    WalkResult result;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        result.entries.push_back({path, "no such file or folder"});
    } else if (error) {
        result.entries.push_back({path, ReasonText(error)});
    } else if (fs::is_directory(status)) {
        WalkFolder(path, options_.recurse, result);
    } else if (fs::is_regular_file(status)) {
        // Whether it can be read is found out when it is read.
        result.entries.push_back({path, ""});
    } else {
        // Opening a pipe or a device could wait forever.
        result.entries.push_back({path, "not a regular file"});
    }
    return result;
}
