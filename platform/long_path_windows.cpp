#include "platform/long_path.h"

#include <windows.h>

#include <cwchar>

namespace {

constexpr std::size_t kClassicLimit = MAX_PATH - 1;  // characters, without the terminator

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

// C:\... or \\server\...: a path Windows takes as it stands. Anything else
// (x.mid, ..\x.mid, \x.mid, C:x.mid) is resolved against a current folder.
bool IsFullyQualified(const wchar_t* path) {
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (separator(path[0])) return separator(path[1]);
    return path[0] != L'\0' && path[1] == L':' && separator(path[2]);
}

}  // namespace

bool NeedsLongPathForm(const wchar_t* path) {
    if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\")) return false;
    if (IsFullyQualified(path)) return std::wcslen(path) > kClassicLimit;
    // A short name in a deep current folder is a long path to Windows.
    // Asked for no buffer, GetFullPathNameW tells the length with its
    // terminator, or 0 when the path cannot be made absolute.
    const DWORD fullLength = GetFullPathNameW(path, 0, nullptr, nullptr);
    return fullLength > kClassicLimit + 1;
}

const wchar_t* LongPathForm(const wchar_t* path, wchar_t (&buffer)[kLongestPath + 1]) {
    // The absolute form goes in after room for the longest prefix, which is
    // then written in front of it.
    constexpr std::size_t kRoom = 8;  // \\?\UNC\ ...
    wchar_t* const full = buffer + kRoom;
    const DWORD capacity = static_cast<DWORD>(kLongestPath + 1 - kRoom);
    const DWORD length = GetFullPathNameW(path, capacity, full, nullptr);
    if (length == 0 || length >= capacity) return nullptr;

    const bool network = full[0] == L'\\' && full[1] == L'\\';
    // A network path keeps one of its two leading backslashes, after UNC.
    const wchar_t* const prefix = network ? L"\\\\?\\UNC" : L"\\\\?\\";
    const std::size_t prefixLength = std::wcslen(prefix);
    wchar_t* const start = (network ? full + 1 : full) - prefixLength;
    std::wmemcpy(start, prefix, prefixLength);
    return start;
}
