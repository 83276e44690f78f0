// The files the scan benchmarks measure, written byte by byte:
//
//   tiny         header and one short track, under 1 KB
//   typical      format 1, 16 tracks of mixed events with running status, ~60 KB
//   dense        format 0, 300,000 note events with their own status bytes, ~1.2 MB
//   huge-sysex   one 50 MB system-exclusive event between a few meta events
//   many-tracks  format 1, 2,000 short tracks
//
// Shared by the Google Benchmark program and the self-timed one that runs
// under Wine, so both measure the same bytes, the same request and the same
// plain-read baseline, and time them alike (SecondsPerCall).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "samples/midi_bytes.h"

namespace bench_files {

using namespace midi_bytes;

inline Bytes ConductorMeta() {
    return TrackName(0, "Title") + SetTempo(0, 500000) + TimeSignature(0, 6, 3) + KeySignature(0, -3, 0);  // 6/8, three flats
}

inline Bytes Tiny() {
    Bytes events = ConductorMeta();
    for (int i = 0; i < 40; ++i) events += NoteOn(0, 60 + i % 12) + NoteOff(120, 60 + i % 12);
    return Header(0, 1, 480) + Track(events + EndOfTrack(0));
}

// Note on/off pairs under running status, with controllers, program changes,
// pitch bends and the odd text event, as a sequencer writes them.
inline Bytes Typical() {
    Bytes conductor = ConductorMeta();
    for (std::uint32_t bar = 1; bar < 64; ++bar) conductor += SetTempo(1920, 400000 + bar * 1000);
    Bytes file = Header(1, 16, 480) + Track(conductor + EndOfTrack(0));
    for (int track = 1; track < 16; ++track) {
        const int channel = track % 16;
        Bytes events = ProgramChange(0, track * 5, channel) + Vlq(0) + Raw({0xB0 | channel, 7, 100});
        for (int i = 0; i < 600; ++i) {
            const int key = 40 + (i * 7 + track) % 40;
            events += Vlq(i % 4 == 0 ? 240 : 0);
            if (i == 0) events += Raw({0x90 | channel});  // the rest run on this status
            events += Raw({key, 80 + i % 40}) + Vlq(120) + Raw({key, 0});  // velocity 0: note off
        }
        events += Vlq(10) + Raw({0xE0 | channel, 0x00, 0x40}) + Meta(0, 0x01, Text("end.")) + EndOfTrack(480);
        file += Track(events);
    }
    return file;
}

inline Bytes Dense() {
    Bytes events = ConductorMeta();
    events.reserve(1200100);
    for (int i = 0; i < 150000; ++i) {
        const int key = 36 + i % 60;
        events += NoteOn(0, key, 100, i & 15) + NoteOff(1, key, i & 15);
    }
    return Header(0, 1, 480) + Track(events + EndOfTrack(0));
}

inline Bytes HugeSysEx() {
    constexpr std::uint32_t kSysExLength = 50u * 1000 * 1000;
    Bytes data(kSysExLength - 1, 0x11);
    data.push_back(0xF7);
    return Header(0, 1, 480) + Track(ConductorMeta() + SysEx(0, data) + EndOfTrack(960));
}

inline Bytes ManyTracks() {
    constexpr int kTracks = 2000;
    Bytes file = Header(1, kTracks, 480);
    for (int track = 0; track < kTracks; ++track) {
        Bytes events = track == 0 ? ConductorMeta() : Bytes{};
        for (int i = 0; i < 25; ++i) events += NoteOn(60, 60 + i, 90, track & 15) + NoteOff(60, 60 + i, track & 15);
        file += Track(events + EndOfTrack(static_cast<std::uint32_t>(track % 7)));
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

constexpr int kLengthTicksField = 8;  // the field every request asks for

struct WrittenFile {
    const NamedFile* named;
    std::string path;
    std::size_t size;
};

// Writes every file into folder, unless one of the same size is already
// there; names one it cannot write on stderr and then returns none.
inline std::vector<WrittenFile> WriteAllFiles(const std::string& folder) {
    std::vector<WrittenFile> written;
    for (const NamedFile& named : AllFiles()) {
        const std::string path = folder + "/" + named.name + ".mid";
        const Bytes bytes = named.make();
        std::error_code error;
        if (std::filesystem::file_size(path, error) != bytes.size() &&
            !std::ofstream(path, std::ios::binary)
                 .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return {};
        }
        written.push_back({&named, path, bytes.size()});
    }
    return written;
}

// The baseline a request is measured against: open, one fread of the whole
// file into buffer (of the file's size), close.
inline void PlainRead(const std::string& path, std::vector<char>& buffer) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr || std::fread(buffer.data(), 1, buffer.size(), file) != buffer.size()) std::abort();
    std::fclose(file);
}

// Times a piece of work: the best of five rounds, each a batch of calls grown
// until it lasts at least minBatchSeconds, so that short calls are not
// measured below the clock's resolution.
template <typename Work>
double SecondsPerCall(Work work, double minBatchSeconds) {
    using Clock = std::chrono::steady_clock;
    long calls = 1;
    for (;;) {
        const auto start = Clock::now();
        for (long i = 0; i < calls; ++i) work();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (seconds >= minBatchSeconds || calls >= (1L << 24)) break;
        calls *= seconds < minBatchSeconds / 10 ? 10 : 2;
    }
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        for (long i = 0; i < calls; ++i) work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count() / static_cast<double>(calls));
    }
    return best;
}

}  // namespace bench_files
