#include "platform/bounded_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

void CopyNarrowText(char* dest, const char* text, int count) {
    if (dest == nullptr || count <= 0) return;
#ifdef _WIN32
    lstrcpynA(dest, text, count);
#else
    int i = 0;
    for (; i < count - 1 && text[i] != '\0'; ++i) dest[i] = text[i];
    dest[i] = '\0';
#endif
}

void CopyWideText(char16_t* dest, const char16_t* text, int capacity) {
    if (dest == nullptr || capacity <= 0) return;
    int i = 0;
    for (; i < capacity - 1 && text[i] != 0; ++i) dest[i] = text[i];
    dest[i] = 0;
}
