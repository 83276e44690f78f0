// Text as a terminal shows it: the screen columns UTF-8 text takes, for
// lining up a table, and text made safe to print there.
#pragma once

#include <cstddef>
#include <string>

// Columns one code point takes: 2 for East Asian Wide and Fullwidth
// characters, 0 for combining marks, format controls (zero-width joiner,
// variation selectors, ...) and conjoining Hangul vowels and final
// consonants, 1 for the rest.
int CodePointWidth(char32_t codePoint);

// Columns the UTF-8 text takes (a stray byte that is not UTF-8 counts one).
std::size_t DisplayWidth(const std::string& text);

// The text with every control character (C0, DEL and the C1 range
// U+0080-U+009F, which some terminals obey as escape sequences) and every
// byte that is not UTF-8 replaced by '?', so a file name can neither break
// the layout nor drive the terminal.
std::string PrintableText(const std::string& text);
