#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "host/system.h"
#include "host/text_encoding.h"

namespace fs = std::filesystem;

const char kPluginFileName[] = "libmidifields.so";

void* OpenLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* FindSymbol(void* library, const char* name) { return dlsym(library, name); }

std::string LibraryErrorText() {
    const char* reason = dlerror();
    return reason != nullptr ? reason : "unknown error";
}

std::string ExecutableFolder() {
    char exe[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0) return "";
    const std::string path(exe, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

// A file name is bytes: taken and given as they are.
fs::path PathFromUtf8(const std::string& text) { return fs::path(text); }

bool PathToUtf8(const fs::path& path, std::string& out) {
    out = path.native();
    std::u16string ignored;
    return Utf8ToUtf16(out, ignored);
}

bool PathToUtf16(const fs::path& path, std::u16string& out) { return Utf8ToUtf16(path.native(), out); }

fs::path FullPath(const fs::path& path) {
    std::error_code error;
    fs::path full = fs::absolute(path, error);
    return error ? path : full;
}

fs::path PathForPlugin(const fs::path& path) { return path; }

std::string PathForRecords(const fs::path& path) { return path.native(); }

fs::path SystemPath(const fs::path& path) { return path; }

fs::file_status PathStatus(const fs::path& path, std::error_code& error) { return fs::status(path, error); }

bool IsSymbolicLink(const fs::path& path) {
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(path, error));
}

void ListFolder(const fs::path& folder, std::vector<ListedName>& names, std::error_code& error) {
    names.clear();
    // A folder that can be listed but not entered (no x) lists names whose
    // every look fails: those are looked at, and said to be unreadable.
    const bool searchable = access(folder.c_str(), X_OK) == 0;
    fs::directory_iterator it(folder, error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
        // The type the listing gave (d_type), without a look at the entry;
        // a link is looked at by the walk.
        fs::file_type type = fs::file_type::unknown;
        std::error_code unknown;
        if (searchable && !it->is_symlink(unknown) && !unknown) {
            if (it->is_regular_file(unknown) && !unknown) type = fs::file_type::regular;
            else if (it->is_directory(unknown) && !unknown) type = fs::file_type::directory;
        }
        names.push_back(ListedName{it->path().filename(), type});
    }
}

bool IdentifyFolder(const fs::path& folder, std::string& identity) {
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0) return false;
    identity = std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
    return true;
}

bool CanOpenForReading(const fs::path& path, std::error_code& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    close(fd);
    return true;
}

std::string UnopenableNameReason(const fs::path&) { return ""; }

// The bytes go out as they are.
void PrepareStandardStreams() {}
void RestoreConsole() {}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

std::size_t TerminalWidth(std::FILE* stream) {
    winsize size{};
    return ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}
