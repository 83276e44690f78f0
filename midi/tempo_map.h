// Building the tempo map of the first track chunk.
#pragma once

#include <cstdint>

#include "midi/midi_summary.h"

// Entry 0 at tick 0 with the initial tempo; nothing recorded yet.
void InitTempoMap(TempoMap& tempoMap, std::uint32_t initialTempo);

// Records a Set Tempo event of the first track chunk. On the first walk the
// first kTempoMapCapacity - 1 changes are stored and later ones only counted;
// on a replay walk the changes past the stored ones are folded into the
// playing time instead.
void RecordTempoChange(TempoMap& tempoMap, std::uint32_t tick, std::uint32_t tempo);
