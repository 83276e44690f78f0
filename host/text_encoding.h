// Text as the host handles it: UTF-8 inside, UTF-16 across the plug-in
// boundary. The one UTF-8 decoder and the one case folding of the host.
#pragma once

#include <cstddef>
#include <string>

// The bytes of the valid UTF-8 sequence at text[at], with its code point in
// codePoint; 0 when the bytes there are not UTF-8 (a stray or missing
// continuation byte, an overlong form such as C0 AF for '/', a surrogate,
// or a value past U+10FFFF).
std::size_t DecodeUtf8(const std::string& text, std::size_t at, char32_t& codePoint);

// Whether all of text is well-formed UTF-8.
bool IsUtf8(const std::string& text);

// Fails on malformed UTF-8 (the output is then incomplete).
bool Utf8ToUtf16(const std::string& text, std::u16string& out);

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const char16_t* text);

// A-Z to a-z, every other byte as it is: names and keywords people type in
// any case, compared the same in every locale.
std::string AsciiLower(std::string text);
