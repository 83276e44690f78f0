// Text into buffers the host owns, never past the length the host gave.
#pragma once

// Copies at most count - 1 characters of text and a terminator into dest;
// writes nothing when dest is null or count <= 0.
void CopyNarrowText(char* dest, const char* text, int count);

// The same for wide text: at most capacity - 1 code units and a terminator.
void CopyWideText(char16_t* dest, const char16_t* text, int capacity);
