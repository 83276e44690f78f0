// The files the scan benchmarks measure, written byte by byte:
//
//   tiny         header and one short track, under 1 KB
//   typical      format 1, 16 tracks of mixed events with running status, ~60 KB
//   dense        format 0, 300,000 note events with their own status bytes, ~1.2 MB
//   huge-sysex   one 50 MB system-exclusive event between a few meta events
//   many-tracks  format 1, 2,000 short tracks
//
// Shared by the Google Benchmark program and the self-timed one that runs
// under Wine, so both measure the same bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bench_files {

using Bytes = std::vector<std::uint8_t>;

inline void Put(Bytes& out, std::initializer_list<int> bytes) {
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
}

inline void PutBe32(Bytes& out, std::uint32_t value) {
    Put(out, {int(value >> 24 & 0xFF), int(value >> 16 & 0xFF), int(value >> 8 & 0xFF), int(value & 0xFF)});
}

inline void PutVlq(Bytes& out, std::uint32_t value) {
    std::uint8_t bytes[5];
    int count = 0;
    bytes[count++] = static_cast<std::uint8_t>(value & 0x7F);
    for (value >>= 7; value != 0; value >>= 7) bytes[count++] = static_cast<std::uint8_t>(0x80 | (value & 0x7F));
    while (count > 0) out.push_back(bytes[--count]);
}

inline void PutHeader(Bytes& out, int format, int tracks, int division) {
    Put(out, {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, format, tracks >> 8, tracks & 0xFF, division >> 8, division & 0xFF});
}

// Appends an "MTrk" chunk around events.
inline void PutTrack(Bytes& out, const Bytes& events) {
    Put(out, {'M', 'T', 'r', 'k'});
    PutBe32(out, static_cast<std::uint32_t>(events.size()));
    out.insert(out.end(), events.begin(), events.end());
}

inline void PutTempo(Bytes& events, std::uint32_t delta, std::uint32_t tempo) {
    PutVlq(events, delta);
    Put(events, {0xFF, 0x51, 0x03, int(tempo >> 16 & 0xFF), int(tempo >> 8 & 0xFF), int(tempo & 0xFF)});
}

inline void PutConductorMeta(Bytes& events) {
    PutVlq(events, 0);
    Put(events, {0xFF, 0x03, 0x05, 'T', 'i', 't', 'l', 'e'});  // track name
    PutTempo(events, 0, 500000);
    PutVlq(events, 0);
    Put(events, {0xFF, 0x58, 0x04, 6, 3, 24, 8});  // 6/8
    PutVlq(events, 0);
    Put(events, {0xFF, 0x59, 0x02, 0xFD, 0x00});  // three flats
}

inline void PutEndOfTrack(Bytes& events, std::uint32_t delta) {
    PutVlq(events, delta);
    Put(events, {0xFF, 0x2F, 0x00});
}

inline Bytes Tiny() {
    Bytes events;
    PutConductorMeta(events);
    for (int i = 0; i < 40; ++i) {
        PutVlq(events, 0);
        Put(events, {0x90, 60 + i % 12, 100});
        PutVlq(events, 120);
        Put(events, {0x80, 60 + i % 12, 0});
    }
    PutEndOfTrack(events, 0);
    Bytes file;
    PutHeader(file, 0, 1, 480);
    PutTrack(file, events);
    return file;
}

// Note on/off pairs under running status, with controllers, program changes,
// pitch bends and the odd text event, as a sequencer writes them.
inline Bytes Typical() {
    Bytes file;
    PutHeader(file, 1, 16, 480);
    Bytes conductor;
    PutConductorMeta(conductor);
    for (std::uint32_t bar = 1; bar < 64; ++bar) PutTempo(conductor, 1920, 400000 + bar * 1000);
    PutEndOfTrack(conductor, 0);
    PutTrack(file, conductor);
    for (int track = 1; track < 16; ++track) {
        Bytes events;
        const int channel = track % 16;
        PutVlq(events, 0);
        Put(events, {0xC0 | channel, track * 5});
        PutVlq(events, 0);
        Put(events, {0xB0 | channel, 7, 100});
        for (int i = 0; i < 600; ++i) {
            PutVlq(events, i % 4 == 0 ? 240 : 0);
            if (i == 0) Put(events, {0x90 | channel});  // the rest run on this status
            Put(events, {40 + (i * 7 + track) % 40, 80 + i % 40});
            PutVlq(events, 120);
            Put(events, {40 + (i * 7 + track) % 40, 0});  // velocity 0: note off
        }
        PutVlq(events, 10);
        Put(events, {0xE0 | channel, 0x00, 0x40});
        PutVlq(events, 0);
        Put(events, {0xFF, 0x01, 0x04, 'e', 'n', 'd', '.'});
        PutEndOfTrack(events, 480);
        PutTrack(file, events);
    }
    return file;
}

inline Bytes Dense() {
    Bytes events;
    events.reserve(1200100);
    PutConductorMeta(events);
    for (int i = 0; i < 150000; ++i) {
        const int key = 36 + i % 60;
        Put(events, {0x00, 0x90 | (i & 15), key, 100});
        Put(events, {0x01, 0x80 | (i & 15), key, 0});
    }
    PutEndOfTrack(events, 0);
    Bytes file;
    PutHeader(file, 0, 1, 480);
    PutTrack(file, events);
    return file;
}

inline Bytes HugeSysEx() {
    constexpr std::uint32_t kSysExLength = 50u * 1000 * 1000;
    Bytes events;
    events.reserve(kSysExLength + 100);
    PutConductorMeta(events);
    PutVlq(events, 0);
    Put(events, {0xF0});
    PutVlq(events, kSysExLength);
    events.resize(events.size() + kSysExLength - 1, 0x11);
    Put(events, {0xF7});
    PutEndOfTrack(events, 960);
    Bytes file;
    PutHeader(file, 0, 1, 480);
    PutTrack(file, events);
    return file;
}

inline Bytes ManyTracks() {
    constexpr int kTracks = 2000;
    Bytes file;
    PutHeader(file, 1, kTracks, 480);
    for (int track = 0; track < kTracks; ++track) {
        Bytes events;
        if (track == 0) PutConductorMeta(events);
        for (int i = 0; i < 25; ++i) {
            PutVlq(events, 60);
            Put(events, {0x90 | (track & 15), 60 + i, 90});
            PutVlq(events, 60);
            Put(events, {0x80 | (track & 15), 60 + i, 0});
        }
        PutEndOfTrack(events, static_cast<std::uint32_t>(track % 7));
        PutTrack(file, events);
    }
    return file;
}

struct NamedFile {
    const char* name;
    Bytes (*make)();
    long events;  // events in all its tracks, meta events included
};

inline const std::vector<NamedFile>& AllFiles() {
    static const std::vector<NamedFile> files = {
        {"tiny", Tiny, 85},
        {"typical", Typical, 68 + 15 * 1205},
        {"dense", Dense, 300005},
        {"huge-sysex", HugeSysEx, 6},
        {"many-tracks", ManyTracks, 2000 * 51 + 4},
    };
    return files;
}

// Writes the file unless one of the same size is already there.
inline bool WriteFileOnce(const std::string& path, const Bytes& bytes) {
    if (FILE* existing = std::fopen(path.c_str(), "rb")) {
        std::fseek(existing, 0, SEEK_END);
        const long size = std::ftell(existing);
        std::fclose(existing);
        if (size == static_cast<long>(bytes.size())) return true;
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace bench_files
