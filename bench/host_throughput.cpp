// Host throughput: writes a folder of MIDI files, then times the midifields
// program reading all of it with one and with two worker threads, and
// prints files per second. A figure to watch, not a pass/fail test.
//
//   host_throughput [HOST_PROGRAM [FILE_COUNT]]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "samples/midi_bytes.h"

namespace fs = std::filesystem;
using namespace midi_bytes;

namespace {

// A modest song: a conductor track and a melody of a few hundred notes,
// varied a little per file so the files are not all alike.
Bytes Song(int seed) {
    Bytes conductor = TrackName(0, "conductor") + TimeSignature(0, 3 + seed % 4, 2) + KeySignature(0, seed % 7, seed % 2);
    for (int bar = 0; bar < 16; ++bar) conductor = conductor + SetTempo(bar == 0 ? 0 : 1920, 400000 + 1000u * unsigned(bar + seed % 50));
    conductor = conductor + EndOfTrack(0);
    Bytes melody = TrackName(0, "melody") + ProgramChange(0, seed % 128);
    for (int note = 0; note < 300 + seed % 200; ++note) {
        const int key = 48 + (note * 7 + seed) % 36;
        melody = melody + NoteOn(note == 0 ? 0 : 60, key, 90) + NoteOff(60, key);
    }
    melody = melody + EndOfTrack(0);
    return Header(1, 2, 480) + Track(conductor) + Track(melody);
}

double TimeRun(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string host = argc > 1 ? argv[1] : MIDIFIELDS_HOST_PATH;
    const int count = argc > 2 ? std::atoi(argv[2]) : 3000;
    const fs::path folder = fs::temp_directory_path() / "midifields-host-throughput";
    fs::remove_all(folder);
    for (int i = 0; i < count; ++i) {
        // A hundred files a folder, as a collection would be spread out.
        const fs::path path = folder / ("set" + std::to_string(i / 100)) / ("song" + std::to_string(i) + ".mid");
        fs::create_directories(path.parent_path());
        const Bytes bytes = Song(i);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::printf("%d files of about %zu bytes in %s\n", count, Song(0).size(), folder.string().c_str());

    const std::string base = "'" + host + "' --format tsv '" + folder.string() + "' >/dev/null";
    TimeRun(base + " -j 1");  // warms the file cache
    for (int jobs : {1, 2}) {
        const double seconds = TimeRun(base + " -j " + std::to_string(jobs));
        std::printf("-j %d: %.2f s, %.0f files/s\n", jobs, seconds, count / seconds);
    }
    fs::remove_all(folder);
    return 0;
}
