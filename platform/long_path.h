// Windows opens a path longer than the classic limit of 259 characters only
// in its \\?\ form, unless the program that loaded the plug-in declared
// itself long-path aware, which a plug-in cannot do for its host. The limit
// counts the path as Windows sees it, made absolute: a short relative name
// in a deep current folder is long too. The \\?\ form takes the path as it
// stands, with no making absolute and no clean-up of "." and ".." or
// separators, so the path is first made absolute and normalised as Windows
// would, then prefixed:
//   C:\Music\x.mid            ->  \\?\C:\Music\x.mid
//   \\server\share\x.mid      ->  \\?\UNC\server\share\x.mid
// A short path, and one already in a \\?\ or \\.\ form, is opened as given.
#pragma once

#include <cstddef>

// The longest path Windows accepts anywhere, in UTF-16 code units.
constexpr std::size_t kLongestPath = 32767;

// Whether path must be opened in its long form: made absolute, it is longer
// than the classic limit, and it is not already in a \\?\ or \\.\ form.
bool NeedsLongPathForm(const wchar_t* path);

// Writes the prefixed absolute form of path into buffer and returns it, or
// returns null when that form would not fit.
const wchar_t* LongPathForm(const wchar_t* path, wchar_t (&buffer)[kLongestPath + 1]);
