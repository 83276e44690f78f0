// POSIX names files in bytes, by convention UTF-8; the host passes UTF-16.
#pragma once

#include <cstddef>

// Encodes NUL-terminated UTF-16 as UTF-8 into out (outSize bytes, terminator
// included). Fails on an unpaired surrogate or when out is too small, and
// never writes past out.
bool ConvertUtf16ToUtf8(const char16_t* text, char* out, std::size_t outSize);
