// Host throughput: writes a folder of MIDI files, then times the midifields
// program reading all of it with one and with two worker threads, and
// prints files per second; then the same run with a --where condition
// against the run without, alternated, the best of three each. With
// TREE_FILE_COUNT, also a tree of that many
// hard links to one file: the program's peak memory reading the folder
// against reading the same paths from a --files-from list, and with
// --where, and when its first row arrives against when the run ends. Figures to watch, not
// pass/fail tests.
//
//   host_throughput [HOST_PROGRAM [FILE_COUNT [TREE_FILE_COUNT]]]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

// A condition on three fields, two of them not shown by --fields 5, that
// every file of Song() satisfies, so the output is the same size.
constexpr const char* kCondition = "duration > 1 & (key != \"x\" | !has(time)) & bpm < 1000";

double TimeRun(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct TreeRun {
    long peakKilobytes = 0;
    double firstRowSeconds = 0;
    double seconds = 0;
};

// Runs the host on arguments with stdout into a pipe read here: the time
// the first row arrives (after the header line), the whole run, and the
// child's peak resident memory.
TreeRun RunOnTree(const std::string& host, const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], 1);
        close(pipeEnds[0]);
        std::vector<char*> argv{const_cast<char*>(host.c_str())};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(host.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    TreeRun run;
    int lines = 0;
    char buffer[65536];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        for (ssize_t i = 0; i < got && lines < 2; ++i)
            if (buffer[i] == '\n' && ++lines == 2)
                run.firstRowSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKilobytes = usage.ru_maxrss;
    return run;
}

void MeasureTree(const std::string& host, int count) {
    const fs::path tree = fs::temp_directory_path() / "midifields-host-tree";
    fs::remove_all(tree);
    fs::create_directories(tree);
    // A file system allows so many links to one file: a file per 50,000.
    const Bytes bytes = Song(1);
    for (int i = 0; i < count; i += 50000)
        std::ofstream(tree / ("original" + std::to_string(i / 50000) + ".mid"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const fs::path list = tree / "list.txt";
    {
        std::ofstream paths(list);
        // A hundred files a folder, in folders of folders, named as a
        // collection would be (paths of about 70 characters).
        for (int i = 0; i < count; ++i) {
            const fs::path path = tree / "collection" / ("artist " + std::to_string(i / 10000)) /
                                  ("album number " + std::to_string(i / 100)) / ("track " + std::to_string(i) + ".mid");
            if (i % 100 == 0) fs::create_directories(path.parent_path());
            fs::create_hard_link(tree / ("original" + std::to_string(i / 50000) + ".mid"), path);
        }
        // The same paths, for --files-from.
        for (const auto& entry : fs::recursive_directory_iterator(tree / "collection"))
            if (entry.is_regular_file()) paths << entry.path().string() << '\n';
    }
    std::printf("tree of %d files (hard links) in %s\n", count, (tree / "collection").string().c_str());
    const TreeRun walked = RunOnTree(host, {"--format", "tsv", "--fields", "5", (tree / "collection").string()});
    const TreeRun listed = RunOnTree(host, {"--format", "tsv", "--fields", "5", "--files-from", list.string()});
    std::printf("folder walked:   peak RSS %ld KiB, first row after %.3f s of %.2f s\n", walked.peakKilobytes,
                walked.firstRowSeconds, walked.seconds);
    std::printf("--files-from:    peak RSS %ld KiB, first row after %.3f s of %.2f s\n", listed.peakKilobytes,
                listed.firstRowSeconds, listed.seconds);
    const TreeRun filtered =
        RunOnTree(host, {"--format", "tsv", "--fields", "5", "--where", kCondition, (tree / "collection").string()});
    std::printf("walked, --where: peak RSS %ld KiB, first row after %.3f s of %.2f s\n", filtered.peakKilobytes,
                filtered.firstRowSeconds, filtered.seconds);
    fs::remove_all(tree);
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
    double plain = 1e9, filtered = 1e9;
    for (int round = 0; round < 3; ++round) {
        plain = std::min(plain, TimeRun(base + " -j 2"));
        filtered = std::min(filtered, TimeRun(base + " -j 2 --where '" + kCondition + "'"));
    }
    std::printf("-j 2, best of 3: %.0f files/s; with --where '%s': %.0f files/s (%.3f of the time without)\n",
                count / plain, kCondition, count / filtered, filtered / plain);
    fs::remove_all(folder);
    if (argc > 3) MeasureTree(host, std::atoi(argv[3]));
    return 0;
}
