#include "host/file_walk.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "host/system.h"

namespace fs = std::filesystem;

namespace {

class Walker {
public:
    Walker(const WalkOptions& options, WalkResult& result) : options_(options), result_(result) {}

    void WalkFolder(const fs::path& folder, bool recurse) {
        std::string identity;
        if (IdentifyFolder(folder, identity) && !visited_.insert(identity).second) return;

        std::error_code error;
        fs::directory_iterator it(folder, error);
        if (error) {
            result_.problems.push_back({folder, error.message()});
            return;
        }
        std::vector<fs::path> entries;
        for (const fs::directory_iterator end; it != end; it.increment(error)) {
            entries.push_back(it->path());
        }
        if (error) result_.problems.push_back({folder, error.message()});
        std::sort(entries.begin(), entries.end(),
                  [](const fs::path& a, const fs::path& b) { return a.filename().native() < b.filename().native(); });

        for (const fs::path& entry : entries) {
            // Follows symbolic links; a dangling one is reported.
            const fs::file_status status = fs::status(entry, error);
            if (error && status.type() != fs::file_type::not_found) {
                result_.problems.push_back({entry, error.message()});
            } else if (status.type() == fs::file_type::not_found) {
                result_.problems.push_back({entry, "broken symbolic link"});
            } else if (fs::is_directory(status)) {
                if (recurse) WalkFolder(entry, true);
            } else if (fs::is_regular_file(status)) {
                if (!options_.accept || options_.accept(entry.filename())) result_.files.push_back(entry);
            }
            // Other kinds (devices, pipes, sockets) are never read from a folder.
        }
    }

private:
    const WalkOptions& options_;
    WalkResult& result_;
    std::set<std::string> visited_;
};

}  // namespace

WalkResult WalkPaths(const std::vector<fs::path>& paths, const WalkOptions& options) {
    WalkResult result;
    Walker walker(options, result);
    for (const fs::path& path : paths) {
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (status.type() == fs::file_type::not_found) {
            result.problems.push_back({path, "no such file or folder"});
        } else if (error) {
            result.problems.push_back({path, error.message()});
        } else if (fs::is_directory(status)) {
            walker.WalkFolder(path, options.recurse);
        } else if (fs::is_regular_file(status)) {
            // Whether it can be read is found out when it is read.
            result.files.push_back(path);
        } else {
            // Opening a pipe or a device could wait forever.
            result.problems.push_back({path, "not a regular file"});
        }
    }
    return result;
}
