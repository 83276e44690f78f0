// The tempo map of the first track chunk, and the playing time it gives.
//
// With ticks per quarter note, the playing time is the sum over the first
// track's tempo segments of ticks x tempo / division microseconds, the last
// tempo holding to the end of the longest track; tempo changes after that
// length are cut off. The sum is a fold over the changes in file order. The
// map stores the first kTempoChangesStored of them and counts the rest; for
// a first track with more, the rest must be folded in as well, in the same
// order, which gives exactly the result a map of unlimited size would give.
//
// Usually that needs no second look: the walk folds every change as it
// comes, as if none were cut off, and none is when the first track ends
// with its End of Track at or after its last change, since the longest
// track is at least that long. Only otherwise (no End of Track there, or
// tick counts that wrapped) is the first track walked a second time, the
// rest folded in as they are met.
#pragma once

#include <cstdint>

#include "midi/midi_summary.h"

constexpr std::uint32_t kTempoMapCapacity = 64;
// Entry 0 holds the initial tempo, so the map has room for one change less.
constexpr std::uint32_t kTempoChangesStored = kTempoMapCapacity - 1;

struct TempoMapEntry {
    std::uint32_t tick;
    std::uint32_t tempo;
};

struct PlayingTimeFold {
    double totalMicroseconds;
    std::uint32_t previousTick;
    std::uint32_t currentTempo;
    std::uint32_t lengthTicks;
    std::uint16_t division;    // ticks per quarter note, not 0
    bool cut;                  // a change past lengthTicks was met; later ones are ignored
    std::uint32_t changesMet;  // changes handed to the replay sink so far
};

// Entry 0 is the initial tempo at tick 0; then the tempo changes of the
// first track chunk, in file order.
struct TempoMap {
    TempoMapEntry entries[kTempoMapCapacity];
    std::uint32_t count;        // entries in use, 1 to kTempoMapCapacity
    std::uint32_t changesSeen;  // Set Tempo events met in the first chunk, stored or not
    // Every change folded as it is met, none cut off; only with ticks per
    // quarter note (a division above 0 with its top bit clear).
    PlayingTimeFold everyChange;
    std::uint32_t latestChangeTick;  // the highest tick of a change
};

// Where the walk of the first track chunk hands each Set Tempo event.
struct TempoSink {
    void (*take)(void* context, std::uint32_t tick, std::uint32_t tempo);
    void* context;
};

// Entry 0 at tick 0 with the initial tempo; nothing recorded yet. division
// is the header's.
void InitTempoMap(TempoMap& tempoMap, std::uint32_t initialTempo, std::uint16_t division);

// The first walk's sink: stores the changes in tempoMap while there is room
// and counts them all.
TempoSink TempoMapSink(TempoMap& tempoMap);

// Whether the first chunk had changes the map had no room for.
inline bool TempoMapMissedChanges(const TempoMap& tempoMap) { return tempoMap.changesSeen > kTempoChangesStored; }

// Starts the fold and folds in the stored entries of the map.
PlayingTimeFold StartPlayingTime(const MidiSummary& summary, const TempoMap& tempoMap);

// The fold of every change of the first chunk, made as the walk met them,
// when it is the whole fold: no change can be cut off, since the first
// chunk reached its End of Track at firstChunkLength (above 0), at or
// after every change. Null otherwise: the first chunk must be walked again.
const PlayingTimeFold* FoldOfEveryChange(TempoMap& tempoMap, const MidiSummary& summary,
                                         std::uint32_t firstChunkLength);

// The sink of the second walk of the first chunk, which is needed when the
// map had no room for some changes and they can still count (the fold is not
// cut yet): passes over the changes the map stored and folds in the rest.
TempoSink ReplaySink(PlayingTimeFold& fold);

// Adds the segment up to lengthTicks and converts to seconds.
double FinishPlayingTime(const PlayingTimeFold& fold);

// Playing time for an SMPTE division (top bit set): the upper byte is minus
// the frame rate (24, 25, 29 for 30000/1001, 30), the lower byte the ticks
// per frame. Any other rate, or 0 ticks per frame, gives 0.0.
double SmpteDurationSeconds(std::uint16_t division, std::uint32_t lengthTicks);
