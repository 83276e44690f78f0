// --summary: totals over the files of a run.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Every path given or found counts once: as not readable, or as a file read,
// which is not MIDI, not matching (a MIDI file that --where left out) or
// shown. The playing time adds up the MIDI files shown.
struct RunTotals {
    std::size_t filesRead = 0;
    // Read, but every field came back empty, whatever --where says.
    std::size_t notMidi = 0;
    // Named or found, but could not be read.
    std::size_t errors = 0;
    // Found in folders, but not named as the plug-in's files are.
    std::size_t skipped = 0;
    double playingSeconds = 0.0;
    // MIDI files shown whose playing time is empty (no End of Track, say):
    // the total leaves them out.
    std::size_t withoutPlayingTime = 0;
    // MIDI files read but left out by --where (counted only when it is given).
    std::optional<std::size_t> notMatching;

    void AddNotMidi();
    void AddNotMatching();
    // A MIDI file shown; durationText is its playing time in seconds, if any.
    void AddShown(const std::optional<std::string>& durationText);
};

// The totals as lines of text, each ending in a newline.
std::string FormatTotals(const RunTotals& totals);
