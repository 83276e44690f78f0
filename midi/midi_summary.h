// What one scan of a Standard MIDI File learns, and the scan itself.
//
// A scan reads the 14-byte header chunk, walks the events of up to
// trackCount "MTrk" chunks, and computes the playing time. Everything lives
// in the caller's frame: no heap, no state between scans. The scan reads
// from a ByteSource; ScanMidiFile, which opens a file by its path, is the
// plug-in's (plugin/midi_file_scan.h).
#pragma once

#include <cstdint>

#include "midi/byte_source.h"

constexpr std::uint32_t kDefaultTempo = 500000;  // microseconds per quarter note (120 BPM)

struct MidiSummary {
    std::uint8_t valid;  // 1 once the header was accepted and the scan ran to its end
    std::uint16_t format;
    std::uint16_t trackCount;       // as the header says, not as many chunks as were found
    std::uint16_t division;         // raw header word
    std::uint32_t tempo;            // last Set Tempo of any track
    std::uint32_t lengthTicks;      // longest track, counted at its End of Track
    double durationSeconds;         // 0.0 when unknown
    std::uint8_t timeSignatureSeen;
    std::uint8_t timeSignatureNumerator;
    std::uint8_t timeSignatureDenominatorPower;
    std::uint8_t keySignatureSeen;
    std::int8_t keySignatureSharpsFlats;
    std::uint8_t keySignatureMinor;  // 0 major, anything else minor
};

// Puts a summary in its initial state: all zero except tempo 500000 and a
// 4/4 time signature (numerator 4, denominator power 2), not yet seen.
void ResetMidiSummary(MidiSummary& summary);

// Scans source into summary. Success is summary.valid == 1; a source whose
// data has no acceptable header, or that failed to read, leaves the summary
// in its initial state.
void ScanMidiSource(const ByteSource& source, MidiSummary& summary);
