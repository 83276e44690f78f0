// Screen columns of UTF-8 text, for lining up a table in a terminal.
#pragma once

#include <string>

// Columns one code point takes: 2 for East Asian Wide and Fullwidth
// characters, 0 for combining marks, format controls (zero-width joiner,
// variation selectors, ...) and conjoining Hangul vowels and final
// consonants, 1 for the rest.
int CodePointWidth(char32_t codePoint);

// Columns the UTF-8 text takes (a stray byte that is not UTF-8 counts one).
std::size_t DisplayWidth(const std::string& text);
