// Names handed to the host as narrow text are in the system's ANSI code page.
#pragma once

// Converts NUL-terminated UTF-16 to the ANSI code page, into a buffer of
// destSize bytes that is always terminated; text that does not fit is cut
// after the last whole character that does. Writes nothing when dest is null
// or destSize <= 0.
void ConvertWideToAnsi(const char16_t* text, char* dest, int destSize);
