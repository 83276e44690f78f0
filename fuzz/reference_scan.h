// A second, deliberately plain reading of a Standard MIDI File held in
// memory, written apart from the scanner so the fuzzer can compare the two.
// It favours obviousness over speed: a byte array, a 64-bit position that may
// run past the end (reads there fail, as on a file), and an unbounded list of
// the first track's tempo changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct ReferenceSummary {
    bool valid = false;
    std::uint16_t format = 0;
    std::uint16_t trackCount = 0;
    std::uint16_t division = 0;
    std::uint32_t tempo = 500000;
    std::uint32_t lengthTicks = 0;
    double durationSeconds = 0.0;
    bool timeSignatureSeen = false;
    std::uint8_t timeSignatureNumerator = 4;
    std::uint8_t timeSignatureDenominatorPower = 2;
    bool keySignatureSeen = false;
    std::int8_t keySignatureSharpsFlats = 0;
    std::uint8_t keySignatureMinor = 0;
};

// True when the first 14 bytes are an acceptable header chunk: "MThd" and a
// length of at least 6.
bool ReferenceHeaderAccepted(const std::uint8_t* data, std::size_t size);

ReferenceSummary ReferenceScan(const std::uint8_t* data, std::size_t size);
