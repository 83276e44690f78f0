// The event walk over one track chunk: steps over every event (delta time,
// status with running status, data) and captures the four meta events the
// summary needs: Set Tempo, Time Signature, Key Signature and End of Track.
#pragma once

#include <cstdint>

#include "midi/byte_reader.h"
#include "midi/midi_summary.h"
#include "midi/tempo_map.h"

// Why the walk of a chunk ended: at its End of Track event; at (or past) the
// declared end of the chunk without one; because the data ran out inside an
// event; or at a malformed event, a data byte where a status belongs with no
// running status to take.
enum class WalkEnd { kEndOfTrack, kChunkEnd, kDataEnded, kMalformedEvent };

// Reads a variable-length quantity of at most four bytes (28 bits). A fourth
// byte with its continuation bit set still ends the quantity; the byte after
// it is left unread. Fails only when the data ends first.
bool ReadVariableQuantity(ByteReader& reader, std::uint32_t& value);

// Walks the events from the reader's position while it is below chunkEnd,
// until End of Track, the end of the data or an event it cannot read, and
// says which. Every Set Tempo sets summary.tempo; tempoSink, when not null
// (the first track chunk), takes them too. Nothing else is reported: a
// malformed event ends this chunk's walk and keeps what was captured before.
WalkEnd WalkTrackEvents(ByteReader& reader, std::int64_t chunkEnd, MidiSummary& summary, const TempoSink* tempoSink);
