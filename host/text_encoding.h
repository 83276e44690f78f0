// UTF-8 <-> UTF-16 for paths and values crossing the plug-in boundary.
#pragma once

#include <string>

// Fails on malformed UTF-8 (the output is then incomplete).
bool Utf8ToUtf16(const std::string& text, std::u16string& out);

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const char16_t* text);
