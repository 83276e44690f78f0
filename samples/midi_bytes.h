// Tiny builders for Standard MIDI File bytes, so that a file written here
// (the samples, the tests' inputs, the benchmark and fuzz seed files) reads
// like the file it describes:
//
//   Header(1, 2, 480) + Track(SetTempo(0, 500000) + NoteOn(0, 60) + EndOfTrack(480))
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace midi_bytes {

using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes left, const Bytes& right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

inline Bytes& operator+=(Bytes& left, const Bytes& right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

inline Bytes Raw(std::initializer_list<int> bytes) {
    Bytes out;
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes Be16(std::uint32_t value) { return Raw({int(value >> 8 & 0xFF), int(value & 0xFF)}); }

inline Bytes Be32(std::uint32_t value) {
    return Raw({int(value >> 24 & 0xFF), int(value >> 16 & 0xFF), int(value >> 8 & 0xFF), int(value & 0xFF)});
}

// Variable-length quantity, 7 bits a byte, most significant first.
inline Bytes Vlq(std::uint32_t value) {
    Bytes out{static_cast<std::uint8_t>(value & 0x7F)};
    for (value >>= 7; value != 0; value >>= 7) out.insert(out.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    return out;
}

inline Bytes HeaderWithLength(std::uint32_t length, std::uint16_t format, std::uint16_t tracks, std::uint16_t division) {
    return Text("MThd") + Be32(length) + Be16(format) + Be16(tracks) + Be16(division);
}

inline Bytes Header(std::uint16_t format, std::uint16_t tracks, std::uint16_t division) {
    return HeaderWithLength(6, format, tracks, division);
}

inline Bytes TrackWithLength(std::uint32_t length, const Bytes& events) { return Text("MTrk") + Be32(length) + events; }

inline Bytes Track(const Bytes& events) { return TrackWithLength(static_cast<std::uint32_t>(events.size()), events); }

// Events. Each starts with its delta time.
inline Bytes NoteOn(std::uint32_t delta, int key, int velocity = 100, int channel = 0) {
    return Vlq(delta) + Raw({0x90 | channel, key, velocity});
}

inline Bytes NoteOff(std::uint32_t delta, int key, int channel = 0) {
    return Vlq(delta) + Raw({0x80 | channel, key, 0});
}

inline Bytes ProgramChange(std::uint32_t delta, int program, int channel = 0) {
    return Vlq(delta) + Raw({0xC0 | channel, program});
}

inline Bytes SysEx(std::uint32_t delta, const Bytes& data) { return Vlq(delta) + Raw({0xF0}) + Vlq(static_cast<std::uint32_t>(data.size())) + data; }

inline Bytes Meta(std::uint32_t delta, int type, const Bytes& data) {
    return Vlq(delta) + Raw({0xFF, type}) + Vlq(static_cast<std::uint32_t>(data.size())) + data;
}

inline Bytes SetTempo(std::uint32_t delta, std::uint32_t microseconds) {
    return Meta(delta, 0x51, Raw({int(microseconds >> 16 & 0xFF), int(microseconds >> 8 & 0xFF), int(microseconds & 0xFF)}));
}

inline Bytes TimeSignature(std::uint32_t delta, int numerator, int denominatorPower, int clocks = 24, int notated32nds = 8) {
    return Meta(delta, 0x58, Raw({numerator, denominatorPower, clocks, notated32nds}));
}

inline Bytes KeySignature(std::uint32_t delta, int sharpsFlats, int minor) {
    return Meta(delta, 0x59, Raw({sharpsFlats & 0xFF, minor}));
}

inline Bytes TrackName(std::uint32_t delta, const std::string& name) { return Meta(delta, 0x03, Text(name)); }

inline Bytes EndOfTrack(std::uint32_t delta) { return Meta(delta, 0x2F, {}); }

}  // namespace midi_bytes
