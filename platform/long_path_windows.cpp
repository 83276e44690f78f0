#include "platform/long_path.h"

#include <windows.h>

#include <cwchar>

namespace {

constexpr std::size_t kClassicLimit = MAX_PATH - 1;  // characters, without the terminator

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

}  // namespace

bool NeedsLongPathForm(const wchar_t* path) {
    return std::wcslen(path) > kClassicLimit && !StartsWith(path, L"\\\\?\\") && !StartsWith(path, L"\\\\.\\");
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
