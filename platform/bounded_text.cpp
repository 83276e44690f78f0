#include "platform/bounded_text.h"

// Plain bounded loops on every system. Windows' lstrcpynA would copy the
// same, but it catches an access violation and returns as if all were well,
// hiding a bad buffer instead of failing where the fault is.
void CopyNarrowText(char* dest, const char* text, int count) {
    if (dest == nullptr || count <= 0) return;
    int i = 0;
    for (; i < count - 1 && text[i] != '\0'; ++i) dest[i] = text[i];
    dest[i] = '\0';
}

void CopyWideText(char16_t* dest, const char16_t* text, int capacity) {
    if (dest == nullptr || capacity <= 0) return;
    int i = 0;
    for (; i < capacity - 1 && text[i] != 0; ++i) dest[i] = text[i];
    dest[i] = 0;
}
