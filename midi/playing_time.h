// Playing time: the longest track's length in ticks turned into seconds.
//
// With ticks per quarter note, the time is the sum over the first track's
// tempo segments of ticks x tempo / division microseconds, the last tempo
// holding to the end. Tempo changes after the length are cut off. The sum is
// a fold over the changes in file order, so changes that did not fit in the
// tempo map can be folded in later, in the same order, giving exactly the
// result a map of unlimited size would give.
#pragma once

#include <cstdint>

#include "midi/midi_summary.h"

struct PlayingTimeFold {
    double totalMicroseconds;
    std::uint32_t previousTick;
    std::uint32_t currentTempo;
    std::uint32_t lengthTicks;
    std::uint16_t division;  // ticks per quarter note, not 0
    bool cut;                // a change past lengthTicks was met; later ones are ignored
};

// Starts the fold and folds in the stored entries of the map.
PlayingTimeFold StartPlayingTime(const MidiSummary& summary, const TempoMap& tempoMap);

// Folds in the next tempo change of the first track.
void FoldTempoChange(PlayingTimeFold& fold, std::uint32_t tick, std::uint32_t tempo);

// Adds the segment up to lengthTicks and converts to seconds.
double FinishPlayingTime(const PlayingTimeFold& fold);

// Playing time for an SMPTE division (top bit set): the upper byte is minus
// the frame rate (24, 25, 29 for 30000/1001, 30), the lower byte the ticks
// per frame. Any other rate, or 0 ticks per frame, gives 0.0.
double SmpteDurationSeconds(std::uint16_t division, std::uint32_t lengthTicks);
