#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cwctype>
#include <memory>

#include "host/system.h"
#include "host/text_encoding.h"
#include "platform/long_path.h"

namespace fs = std::filesystem;

namespace {

std::string Utf8(const std::wstring& wide) { return Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide.c_str())); }

// The console's code page at the start, 0 when unchanged.
UINT savedConsoleCodePage = 0;

// CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, in any case, alone or before
// an extension: Windows opens the device whatever folder the name is in.
bool IsDeviceName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(c));
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The last error of the system, and the status std::filesystem gives for it.
fs::file_status Failure(std::error_code& error) {
    error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
    // A name Windows refuses as written (wildcards, a colon) names nothing.
    const bool missing = error == std::errc::no_such_file_or_directory || error.value() == ERROR_INVALID_NAME;
    return fs::file_status(missing ? fs::file_type::not_found : fs::file_type::none);
}

// What the system says of a file or folder once it is open: a link's
// target, since the open follows it.
bool OpenedFileInformation(const fs::path& systemPath, BY_HANDLE_FILE_INFORMATION& information) {
    // No access asked for, and backup semantics, which a folder needs to open.
    const HANDLE handle =
        CreateFileW(systemPath.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    const DWORD lastError = GetLastError();
    CloseHandle(handle);
    SetLastError(lastError);
    return known;
}

}  // namespace

const char kPluginFileName[] = "midifields.dll";

// The full UTF-16 name, whatever the ANSI code page is. The DLL's own
// imports are looked for in the system folder only (and beside the DLL),
// never in the current folder or along PATH, where anyone may put a
// KERNEL32.dll of their own.
void* OpenLibrary(const std::string& path) {
    std::u16string widePath;
    if (!Utf8ToUtf16(path, widePath)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return nullptr;
    }
    return LoadLibraryExW(reinterpret_cast<const wchar_t*>(widePath.c_str()), nullptr,
                          LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// GetProcAddress hands back a generic function pointer; the exports' real
// types are known only from the host interface.
void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

std::string LibraryErrorText() {
    const DWORD code = GetLastError();
    wchar_t message[512];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        message, sizeof message / sizeof message[0], nullptr);
    if (length == 0) return "error " + std::to_string(code);
    DWORD end = length;
    while (end > 0 && (message[end - 1] == L'\r' || message[end - 1] == L'\n' || message[end - 1] == L' ')) --end;
    return Utf8(std::wstring(message, end));
}

std::string ExecutableFolder() {
    // Long paths: grow the buffer until the whole name fits.
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (length == 0) return "";
        if (length < exe.size()) {
            exe.resize(length);
            break;
        }
        exe.resize(exe.size() * 2);
    }
    const std::size_t slash = exe.find_last_of(L"\\/");
    return slash == std::wstring::npos ? "" : Utf8(exe.substr(0, slash + 1));
}

fs::path PathFromUtf8(const std::string& text) {
    std::u16string wide;
    Utf8ToUtf16(text, wide);
    return fs::path(std::wstring(wide.begin(), wide.end()));
}

// Unpaired surrogates become U+FFFD.
bool PathToUtf8(const fs::path& path, std::string& out) {
    out = Utf8(path.native());
    return true;
}

bool PathToUtf16(const fs::path& path, std::u16string& out) {
    out.assign(path.native().begin(), path.native().end());
    return true;
}

fs::path FullPath(const fs::path& path) {
    std::error_code error;
    fs::path full = fs::absolute(path, error);  // GetFullPathNameW, no length limit
    return error ? path : full;
}

fs::path PathForPlugin(const fs::path& path) { return FullPath(path); }

std::u16string PathForRecords(const fs::path& path) {
    std::u16string name;
    PathToUtf16(PathForPlugin(path), name);
    return name;
}

fs::path SystemPath(const fs::path& path) {
    if (!NeedsLongPathForm(path.c_str())) return path;
    struct Buffer {
        wchar_t text[kLongestPath + 1];
    };
    const auto buffer = std::make_unique<Buffer>();
    const wchar_t* longForm = LongPathForm(path.c_str(), buffer->text);
    return longForm != nullptr ? fs::path(longForm) : path;
}

fs::file_status PathStatus(const fs::path& path, std::error_code& error) {
    error.clear();
    // Such a name opens the device, in whatever folder it is.
    if (IsDeviceName(path.filename().native())) return fs::file_status(fs::file_type::character);
    const fs::path name = SystemPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) return Failure(error);
    DWORD attributes = data.dwFileAttributes;
    // A symbolic link or a junction describes itself; what it leads to, if
    // anything, is what counts.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        BY_HANDLE_FILE_INFORMATION target;
        if (!OpenedFileInformation(name, target)) return Failure(error);
        attributes = target.dwFileAttributes;
    }
    return fs::file_status((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? fs::file_type::directory
                                                                         : fs::file_type::regular);
}

bool IsSymbolicLink(const fs::path& path) {
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void ListFolder(const fs::path& folder, std::vector<ListedName>& names, std::error_code& error) {
    names.clear();
    error.clear();
    WIN32_FIND_DATAW found;
    // The pattern's own length counts towards the limit.
    const HANDLE search = FindFirstFileExW(SystemPath(folder / L"*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) Failure(error);  // else an empty folder
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(ListedName{name});
    } while (FindNextFileW(search, &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) Failure(error);
    FindClose(search);
}

bool IdentifyFolder(const fs::path& folder, std::string& identity) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!OpenedFileInformation(SystemPath(folder), information)) return false;
    const std::uint64_t index = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    identity = std::to_string(information.dwVolumeSerialNumber) + ":" + std::to_string(index);
    return true;
}

// Pipes and devices are never listed as files in a Windows folder; the C
// runtime's open keeps its errno reasons, as every other message has them.
bool CanOpenForReading(const fs::path& path, std::error_code& error) {
    std::FILE* file = _wfopen(SystemPath(path).c_str(), L"rb");
    if (file == nullptr) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    std::fclose(file);
    return true;
}

std::string UnopenableNameReason(const fs::path& path) {
    const std::wstring name = path.filename().native();
    if (!name.empty() && (name.back() == L'.' || name.back() == L' '))
        return "the name ends in a dot or a blank, which Windows drops, so the file cannot be opened by it";
    if (IsDeviceName(name)) return "the name is a Windows device (NUL, CON, COM1, ...), not a file";
    // Listed in its folder, yet the name reaches nothing: not a file or a
    // folder at all (a pipe or a device of a shared POSIX file system, for
    // one), which Windows cannot open. The name itself must be listed, not
    // some other that it matches as a pattern (*.mid from cmd.exe).
    const fs::path systemPath = SystemPath(path);
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(systemPath.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    FindClose(search);
    if (name.find_first_of(L"*?") != std::wstring::npos || _wcsicmp(found.cFileName, name.c_str()) != 0) return "";
    if (GetFileAttributesW(systemPath.c_str()) != INVALID_FILE_ATTRIBUTES) return "";
    return "Windows lists the name but cannot open it: not a file or folder (a pipe or a device)";
}

void PrepareStandardStreams() {
    // Binary mode: the output is UTF-8 bytes with "\n" line ends, exactly
    // what the POSIX host prints, rather than "\r\n" from text mode; a path
    // list on stdin arrives byte for byte (NULs and Ctrl-Z included).
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // A console shows those bytes as UTF-8 only in its UTF-8 code page; the
    // user's own code page comes back in RestoreConsole.
    const UINT codePage = GetConsoleOutputCP();
    if (codePage != 0 && codePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) savedConsoleCodePage = codePage;
}

void RestoreConsole() {
    std::fflush(stdout);
    if (savedConsoleCodePage != 0) SetConsoleOutputCP(savedConsoleCodePage);
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

// The visible window, not the (often far wider) screen buffer.
std::size_t TerminalWidth(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (!GetConsoleScreenBufferInfo(console, &info)) return 0;
    return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}
