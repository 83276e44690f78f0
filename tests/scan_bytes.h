// Scanning bytes built in a test straight from memory, with the scanner
// itself (in tests linked with the plug-in's code).
#pragma once

#include "midi/midi_summary.h"
#include "samples/midi_bytes.h"
#include "tests/memory_source.h"

namespace midi_bytes {

// failAt: the position at which reading the bytes fails, as a disk can;
// -1 reads them all.
inline MidiSummary ScanBytes(const Bytes& bytes, std::int64_t failAt = -1) {
    MemorySource memory;
    const ByteSource source = MemoryByteSource(memory, bytes.data(), bytes.size());
    memory.failAt = failAt;
    MidiSummary summary;
    ScanMidiSource(source, summary);
    return summary;
}

}  // namespace midi_bytes
