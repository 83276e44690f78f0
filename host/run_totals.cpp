#include "host/run_totals.h"

#include <charconv>
#include <cmath>
#include <cstdio>

void RunTotals::AddNotMidi() {
    ++filesRead;
    ++notMidi;
}

void RunTotals::AddNotMatching() {
    ++filesRead;
    notMatching = notMatching.value_or(0) + 1;
}

void RunTotals::AddShown(const std::optional<std::string>& durationText) {
    ++filesRead;
    if (!durationText) {
        ++withoutPlayingTime;
        return;
    }
    // from_chars reads the plug-in's decimal point whatever the locale says.
    double seconds = 0.0;
    const char* end = durationText->data() + durationText->size();
    const auto parsed = std::from_chars(durationText->data(), end, seconds);
    if (parsed.ec == std::errc() && std::isfinite(seconds) && seconds > 0.0) playingSeconds += seconds;
}

std::string FormatTotals(const RunTotals& totals) {
    const double rounded = std::floor(totals.playingSeconds + 0.5);
    const auto whole = rounded < 1e15 ? static_cast<unsigned long long>(rounded) : 0ULL;
    char notMatching[64] = "";
    if (totals.notMatching) std::snprintf(notMatching, sizeof notMatching, "not matching: %zu\n", *totals.notMatching);
    char text[320];
    std::snprintf(text, sizeof text,
                  "files read: %zu\n%snot MIDI: %zu\nnot readable: %zu\nskipped by extension: %zu\n"
                  "total playing time: %.3f s (%llu:%02llu:%02llu)\nMIDI files without playing time: %zu\n",
                  totals.filesRead, notMatching, totals.notMidi, totals.errors, totals.skipped, totals.playingSeconds,
                  whole / 3600, whole / 60 % 60, whole % 60, totals.withoutPlayingTime);
    return text;
}
