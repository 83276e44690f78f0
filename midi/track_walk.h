// The event walk over one track chunk: steps over every event (delta time,
// status with running status, data) and captures the four meta events the
// summary needs: Set Tempo, Time Signature, Key Signature and End of Track.
#pragma once

#include <cstdint>

#include "midi/byte_reader.h"
#include "midi/midi_summary.h"
#include "midi/tempo_map.h"

// Reads a variable-length quantity of at most four bytes (28 bits). A fourth
// byte with its continuation bit set still ends the quantity; the byte after
// it is left unread. Fails only when the data ends first.
bool ReadVariableQuantity(ByteReader& reader, std::uint32_t& value);

// Walks the events from the reader's position while it is below chunkEnd,
// until End of Track, the end of the data, or a data byte where a status
// belongs with no running status to take. Every Set Tempo sets
// summary.tempo; tempoSink, when not null (the first track chunk), takes
// them too. Nothing is reported: whatever ends the walk, what was captured
// before stays, and the caller goes on at the chunk's declared end.
void WalkTrackEvents(ByteReader& reader, std::int64_t chunkEnd, MidiSummary& summary, const TempoSink* tempoSink);
