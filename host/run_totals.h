// --summary: totals over the files of a run.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct RunTotals {
    std::size_t filesRead = 0;
    // Read, but every field came back empty.
    std::size_t notMidi = 0;
    // Named or found, but could not be read.
    std::size_t errors = 0;
    // Found in folders, but not named as the plug-in's files are.
    std::size_t skipped = 0;
    double playingSeconds = 0.0;
    // MIDI files whose playing time is empty (no End of Track, say): the
    // total leaves them out.
    std::size_t withoutPlayingTime = 0;
    // Read, but left out by --where (counted only when it is given); the
    // lines after "files read" are over the files shown.
    std::optional<std::size_t> notMatching;

    // One file's values; durationText is its playing time in seconds, if any.
    void AddFile(bool allFieldsEmpty, const std::optional<std::string>& durationText);
    void AddNotMatching();
};

// The totals as lines of text, each ending in a newline.
std::string FormatTotals(const RunTotals& totals);
