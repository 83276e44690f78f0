// What became of a path in a run, as the status column shows it: "ok" (a
// MIDI file, read), "not MIDI" (read, but no field has a value), or the
// path's problem, why it could not be read (see WalkEntry), in the words of
// its message on stderr. The Python package gives its records the same
// words.
#pragma once

#include <string>

// The column's name: --fields, --where and --sort take it as they take a
// field's, and every format heads the column with it.
inline constexpr const char* kStatusColumn = "status";

inline constexpr const char* kStatusOk = "ok";
inline constexpr const char* kStatusNotMidi = "not MIDI";

// problem when there is one; else "ok" for a file that gave any value and
// "not MIDI" for one that gave none.
std::string StatusText(const std::string& problem, bool anyValue);
