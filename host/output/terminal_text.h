// Text as a terminal shows it: the screen columns UTF-8 text takes, for
// lining up a table, and text made safe to print there (rows and messages
// alike).
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

// The text as it is when it takes no more than columns; else cut to fit
// them, an ellipsis taking the last one.
std::string CutToColumns(const std::string& text, std::size_t columns);

// What a terminal must not be given as it is: a control character (C0, DEL
// and the C1 range U+0080-U+009F, which some terminals obey as escape
// sequences) or a byte that is not UTF-8. PrintableText shows each in one
// of two ways.
enum class StandIn {
    kQuestionMark,  // one '?' for each, so the text keeps its columns: the table and the list
    kEscapedBytes,  // \xNN for each byte, so a name is still told apart and found: messages
};

// The text with everything a terminal must not get replaced, so a file name
// can neither break the layout nor drive the terminal.
std::string PrintableText(const std::string& text, StandIn standIn = StandIn::kQuestionMark);
