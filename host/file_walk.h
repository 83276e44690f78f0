// Turns each path named on the command line or in a list into the files to
// read, one at a time, so a tree of any size is read while it is walked.
//
// A named file is always taken. A named folder is walked recursively (or
// only its first level), in a stable order: the entries of each folder
// sorted by name, a subfolder's files at the subfolder's place. Only the
// sorted entries of the folders on the way down are held, never the whole
// tree.
// Files in folders are taken when the filter accepts their name. Symbolic
// links are followed, but each folder (by its identity on the system) is
// entered once in a run, so a link loop ends instead of hanging the walk.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/system.h"
#include "records/midi_record.h"

struct WalkOptions {
    bool recurse = true;
    // Decides on the last component of a file found in a folder; unset
    // takes every file.
    std::function<bool(const std::filesystem::path& fileName)> accept;
    // The names read as MIDI files whatever their content (the detection
    // expression's and --ext's): any other file named by the user is looked
    // into, and opened as an archive when it is one. Unset: every name.
    std::function<bool(const std::filesystem::path& fileName)> midiName;
    // Whether archives are opened: a file the user names that is one, or
    // one met in a folder whose name and content say so (which is then
    // walked as a subfolder would be). Otherwise a named archive has
    // archiveProblem, and one in a folder is a file like any other.
    bool openArchives = true;
    std::string archiveProblem;
};

// A file to read, or a path that cannot be read and its problem.
//
// A problem is why a path cannot be read, in the words of every message and
// of the status column: lower case, no final stop ("no such file or
// folder", "permission denied", "a pipe, not a regular file"). The walk
// finds some, the open and the reader the others (FileOutcome); nothing in
// it depends on where the bytes would have come from.
struct WalkEntry {
    std::filesystem::path path;
    std::string problem;  // empty for a file to read
    // A member of an archive, read already from memory: path is only shown.
    std::shared_ptr<const MidiRecord> record;
};

class ArchiveWalk;

class FileExpression;

// The names read as MIDI files: those the detection expression accepts,
// and those whose extension is one of extensions (--ext), in any case. A
// name that is not UTF-8 is taken when its extension is wanted, so it is
// read like any other. detect must outlive the test.
std::function<bool(const std::filesystem::path& fileName)> MidiNameTest(const FileExpression& detect,
                                                                         std::vector<std::string> extensions);

// Whether a regular file named by the user is walked as an archive (or has
// archiveProblem): its name is no MIDI file's and its first bytes are an
// archive's.
bool IsNamedArchive(const std::filesystem::path& path, const WalkOptions& options);

class FileWalk {
public:
    explicit FileWalk(WalkOptions options);
    ~FileWalk();
    // Starts on one named path, dropping what is left of the last one.
    void Start(const std::filesystem::path& path);
    // The next file of the started path in walk order, or a problem at its
    // place; false when the path has given everything.
    bool Next(WalkEntry& entry);
    // Files the filter refused since Start.
    std::size_t Skipped() const { return skipped_; }

private:
    // A folder being read: its entries sorted, and how far the walk is.
    struct Level {
        std::vector<ListedName> entries;  // names made paths
        std::size_t next = 0;
        bool recurse = true;
    };
    void Enter(const std::filesystem::path& folder, bool recurse);
    // Starts walking the archive at path when it is one; false when it is
    // a file to read as it is.
    bool OpenArchive(const std::filesystem::path& path, bool recurse);

    WalkOptions options_;
    std::unique_ptr<ArchiveWalk> archive_;  // the archive being walked, if any
    std::set<std::string> visited_;  // folders entered in this run
    std::vector<Level> levels_;
    std::optional<WalkEntry> ready_;  // the next entry when it is not a level's
    std::size_t skipped_ = 0;
};
