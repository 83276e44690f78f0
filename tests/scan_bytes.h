// Scanning bytes built in a test straight from memory, with the scanner
// itself (in tests linked with the plug-in's code).
#pragma once

#include "midi/midi_summary.h"
#include "samples/midi_bytes.h"

namespace midi_bytes {

inline MidiSummary ScanBytes(const Bytes& bytes) {
    MemorySource memory;
    MidiSummary summary;
    ScanMidiSource(MemoryByteSource(memory, bytes.data(), bytes.size()), summary);
    return summary;
}

}  // namespace midi_bytes
