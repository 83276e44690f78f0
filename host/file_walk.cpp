#include "host/file_walk.h"

#include <algorithm>
#include <system_error>

#include "host/archive_walk.h"
#include "host/file_expression.h"

#include "host/path_text.h"
#include "host/reason_text.h"
#include "host/system.h"
#include "host/text_encoding.h"

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

// What the walk does with a path.
enum class Kind { kFolder, kFile, kProblem, kPassOver };

// The one look at a path, named (by the user or a list) or found in a
// folder: what the listing said of it when it said enough (listedType not
// unknown), else its status with links followed.
Kind Classify(const fs::path& path, fs::file_type listedType, bool named, std::string& problem) {
    fs::file_status status(listedType);
    if (listedType == fs::file_type::unknown) {
        std::error_code error;
        status = PathStatus(path, error);
        if (status.type() == fs::file_type::not_found) problem = MissingPathReason(path);
        else if (error) problem = ReasonText(error);
        if (!problem.empty()) return Kind::kProblem;
    }
    if (fs::is_directory(status)) return Kind::kFolder;
    if (fs::is_regular_file(status)) return Kind::kFile;  // whether it opens is found out when it is read
    // A pipe or a device named by the user is said to be one (opening it
    // could wait forever); one found in a folder is passed over, unless its
    // name is a file Windows takes for a device.
    problem = named ? NotAFileReason(status.type()) : UnopenableNameReason(path);
    return problem.empty() ? Kind::kPassOver : Kind::kProblem;
}

}  // namespace

std::function<bool(const fs::path&)> MidiNameTest(const FileExpression& detect, std::vector<std::string> extensions) {
    for (std::string& extension : extensions) extension = AsciiLower(extension);
    return [&detect, extensions = std::move(extensions)](const fs::path& name) {
        std::string text;
        PathToUtf8(name, text);
        const std::string extension = AsciiLower(FileExtension(text));
        return detect.Accepts(text) || std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
    };
}

bool IsNamedArchive(const fs::path& path, const WalkOptions& options) {
    // A file named as a MIDI file is one; any other may be an archive.
    return (!options.midiName || !options.midiName(path.filename())) && StartsAsArchive(path);
}

FileWalk::FileWalk(WalkOptions options) : options_(std::move(options)) {}

FileWalk::~FileWalk() = default;

void FileWalk::Start(const fs::path& path) {
    levels_.clear();
    ready_.reset();
    archive_.reset();
    skipped_ = 0;
    std::string problem;
    switch (Classify(path, fs::file_type::unknown, true, problem)) {
        case Kind::kFolder: Enter(path, options_.recurse); break;
        case Kind::kFile:
            if (IsNamedArchive(path, options_)) {
                if (!options_.openArchives) ready_ = WalkEntry{path, options_.archiveProblem, nullptr};
                else if (OpenArchive(path, options_.recurse)) break;
            }
            if (!ready_) ready_ = WalkEntry{path, "", nullptr};
            break;
        case Kind::kProblem: ready_ = WalkEntry{path, problem, nullptr}; break;
        case Kind::kPassOver: break;
    }
}

bool FileWalk::OpenArchive(const fs::path& path, bool recurse) {
    archive_ = std::make_unique<ArchiveWalk>(path, options_.accept, recurse);
    if (!archive_->IsNotAnArchive()) return true;
    archive_.reset();
    return false;
}

void FileWalk::Enter(const fs::path& folder, bool recurse) {
    std::string identity;
    if (IdentifyFolder(folder, identity) && !visited_.insert(identity).second) return;

    Level level;
    std::error_code error;
    ListFolder(folder, level.entries, error);
    // A folder that could not be read, or only in part: said first, then
    // what was read.
    if (error) ready_ = WalkEntry{folder, ReasonText(error), nullptr};
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
        if (archive_) {
            if (archive_->Next(entry)) return true;
            skipped_ += archive_->Skipped();
            archive_.reset();
            continue;
        }
        if (levels_.empty()) return false;
        Level& level = levels_.back();
        if (level.next == level.entries.size()) {
            levels_.pop_back();
            continue;
        }
        const ListedName listed = std::move(level.entries[level.next++]);
        const fs::path& path = listed.name;
        std::string problem;
        switch (Classify(path, listed.type, false, problem)) {
            case Kind::kFolder:
                if (level.recurse) Enter(path, true);  // may end the reference to level
                break;
            case Kind::kFile:
                if (!options_.accept || options_.accept(path.filename())) {
                    ready_ = WalkEntry{path, "", nullptr};
                } else if (options_.openArchives && level.recurse && HasArchiveName(PathText(path.filename())) &&
                           StartsAsArchive(path)) {
                    // An archive in a folder is walked as a subfolder is.
                    if (!OpenArchive(path, true)) ++skipped_;
                } else {
                    ++skipped_;
                }
                break;
            case Kind::kProblem: ready_ = WalkEntry{path, problem, nullptr}; break;
            case Kind::kPassOver: break;
        }
    }
}
