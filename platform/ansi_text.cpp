#include "platform/ansi_text.h"

#ifdef _WIN32

#include <windows.h>

#include "platform/windows_text.h"

void ConvertWideToAnsi(const char16_t* text, char* dest, int destSize) {
    if (dest == nullptr || destSize <= 0) return;
    const wchar_t* wide = AsWindowsText(text);
    // WideCharToMultiByte fails outright, rather than cutting, when the text
    // does not fit. Keep the longest prefix of whole characters (a surrogate
    // pair or a double-byte character is never split) that fits with its
    // terminator, measured one character at a time.
    int characters = 0;
    int bytes = 0;
    while (wide[characters] != L'\0') {
        const bool pair = wide[characters] >= 0xD800 && wide[characters] <= 0xDBFF &&
                          wide[characters + 1] >= 0xDC00 && wide[characters + 1] <= 0xDFFF;
        const int step = pair ? 2 : 1;
        const int size = WideCharToMultiByte(CP_ACP, 0, wide + characters, step, nullptr, 0, nullptr, nullptr);
        if (size <= 0 || bytes + size > destSize - 1) break;
        bytes += size;
        characters += step;
    }
    const int written =
        characters > 0 ? WideCharToMultiByte(CP_ACP, 0, wide, characters, dest, destSize - 1, nullptr, nullptr) : 0;
    dest[written > 0 ? written : 0] = '\0';
}

#else

void ConvertWideToAnsi(const char16_t* text, char* dest, int destSize) {
    if (dest == nullptr || destSize <= 0) return;
    // Without a system code page, ASCII passes through and anything else
    // becomes '?', as a best-fit conversion to a Latin code page would.
    int i = 0;
    for (; i < destSize - 1 && text[i] != 0; ++i) dest[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    dest[i] = '\0';
}

#endif
