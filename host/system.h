// What the host needs from the operating system, in one interface:
// system_posix.cpp and system_windows.cpp implement it, and the build
// compiles the one for the target. Text is UTF-8 throughout; only the
// plug-in gets UTF-16.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "records/midi_record.h"

// The plug-in library's file name (libmidifields.so, midifields.dll).
extern const char kPluginFileName[];

// Loads a shared library by its full path, never searched for along the
// system's library path (on Windows its own imports come from the system
// folder only); null on failure, when LibraryErrorText says why.
void* OpenLibrary(const std::string& path);
// The address of an exported function, or null.
void* FindSymbol(void* library, const char* name);
std::string LibraryErrorText();

// The running program's folder with its trailing separator, or "" when the
// system does not tell.
std::string ExecutableFolder();

// A path from UTF-8 text (a command-line argument).
std::filesystem::path PathFromUtf8(const std::string& text);

// The path's UTF-8 text; false when the name is not valid UTF-8 (POSIX,
// where a file name is any bytes: out then holds them as they are). A
// Windows name is UTF-16 and always converts.
bool PathToUtf8(const std::filesystem::path& path, std::string& out);

// The path's UTF-16 text for the plug-in; false when that is impossible.
bool PathToUtf16(const std::filesystem::path& path, std::u16string& out);

// The host's own look at files and folders. On Windows these are the
// system's calls on the \\?\ form of a long path: the C runtime this build
// links (and so std::filesystem) refuses that form and stops at 259
// characters. Elsewhere they are std::filesystem's and POSIX's.

// The full path of path, resolved against the current folder (on Windows
// also normalised, as the system does); path itself when that fails.
std::filesystem::path FullPath(const std::filesystem::path& path);

// The path to hand the plug-in for a file the host found: on Windows its
// full path, as host programs pass them; elsewhere the path as named, which
// the system resolves without a limit of its own.
std::filesystem::path PathForPlugin(const std::filesystem::path& path);

// The path to hand the records code: on Windows the full path in UTF-16,
// as for the plug-in; elsewhere the name's bytes as they are, so a name
// that is not UTF-8 is read like any other.
std::basic_string<MidiRecordPathChar> PathForRecords(const std::filesystem::path& path);

// The form of path for the system's calls: on Windows a path whose full
// form is longer than 259 characters in its \\?\ form (see platform/
// long_path.h); otherwise, and elsewhere, path itself.
std::filesystem::path SystemPath(const std::filesystem::path& path);

// What path names, symbolic links followed: as std::filesystem::status
// tells it, file_type::not_found (with error set) when nothing is there.
std::filesystem::file_status PathStatus(const std::filesystem::path& path, std::error_code& error);

// Whether path itself is a symbolic link (on Windows any reparse point: a
// link or a junction), which PathStatus followed.
bool IsSymbolicLink(const std::filesystem::path& path);

// An entry of a folder: its name, and what it is when the listing itself
// says so for sure (a regular file or a folder that is no link, from the
// listing's file types on POSIX); file_type::unknown when the walk must
// look at it (links, other kinds, and every entry on Windows, whose names
// need a look of their own: see UnopenableNameReason).
struct ListedName {
    std::filesystem::path name;
    std::filesystem::file_type type = std::filesystem::file_type::unknown;
};

// The entries of folder, in no particular order; when the folder cannot be
// read, or only in part, error says why and names holds what was read.
void ListFolder(const std::filesystem::path& folder, std::vector<ListedName>& names, std::error_code& error);

// Equal for two paths exactly when they name the same folder (device and
// inode on POSIX, volume and file index on Windows); false when unknown.
bool IdentifyFolder(const std::filesystem::path& folder, std::string& identity);

// Whether the file opens for reading, found out without waiting (a pipe
// put where a file was listed opens at once, never waiting for a writer)
// and closed again; error says why not.
bool CanOpenForReading(const std::filesystem::path& path, std::error_code& error);

// Why the system cannot open a file by this name although a folder lists
// it, or "" when nothing in the name stands in the way. On Windows: a name
// ending in a dot or a blank (the system drops them, so the name reaches
// another file or none), a device name such as NUL or COM1 (with any
// extension), which opens the device, or a listed name that reaches
// nothing (a pipe on a shared POSIX file system). On POSIX every listed
// name opens.
std::string UnopenableNameReason(const std::filesystem::path& path);

// Sets up the standard streams for the program's UTF-8 output with "\n"
// line ends (Windows: binary mode, a console in its UTF-8 code page), once
// at the start; RestoreConsole gives the console back as it was, at the end.
void PrepareStandardStreams();
void RestoreConsole();

bool IsTerminal(std::FILE* stream);

// The width in columns of the terminal the stream writes to, or 0 when it
// is not a terminal or the system does not tell.
std::size_t TerminalWidth(std::FILE* stream);
