// Records throughput: the program reading every field of each file from one
// scan, against the same program reading through the plug-in's exports (a
// scan for each of the nine fields) and against one plain read of each
// file (open, read it whole, close), all timed in this run on the same
// files. Two folders are written: hard links to the MIDI files of a corpus
// folder, at least 5,000 of them (real files, most of them small), and 2,000
// hard links to bench's typical file. With PYTHON_COMMAND (a shell command
// that is given a folder, bench/python_records.py), the Python package's
// figures over the same folders too. Each figure is the best of three
// rounds; figures to watch, not pass/fail tests.
//
//   records_throughput PROGRAM PLUGIN CORPUS_FOLDER [PYTHON_COMMAND]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_files.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 3;
constexpr std::size_t kSmallFiles = 5000;
constexpr int kTypicalFiles = 2000;

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double TimeCommand(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return Seconds(start);
}

// One plain read of every file under folder: open, read it whole, close.
double TimePlainReads(const fs::path& folder) {
    std::vector<char> buffer;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const int fd = open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat status {};
        fstat(fd, &status);
        buffer.resize(static_cast<std::size_t>(status.st_size) + 1);
        while (read(fd, buffer.data(), buffer.size()) > 0) {
        }
        close(fd);
    }
    return Seconds(start);
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Folders of a hundred files, as a collection is spread out.
fs::path LinkPath(const fs::path& folder, std::size_t i) {
    const fs::path path = folder / ("set" + std::to_string(i / 100)) / ("file" + std::to_string(i) + ".mid");
    if (i % 100 == 0) fs::create_directories(path.parent_path());
    return path;
}

// At least count hard links to the .mid files of corpus, round and round.
std::size_t LinkCorpus(const fs::path& corpus, const fs::path& folder, std::size_t count) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(corpus))
        if (entry.is_regular_file() && entry.path().extension() == ".mid") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    if (files.empty()) return 0;
    std::size_t linked = 0;
    while (linked < count)
        for (const fs::path& file : files) fs::create_hard_link(file, LinkPath(folder, linked++));
    return linked;
}

struct Figures {
    double records = 1e9, plugin = 1e9, plain = 1e9, records2 = 1e9;
};

void Measure(const std::string& name, const fs::path& folder, std::size_t files, const std::string& program,
             const std::string& plugin) {
    const std::string run = Quote(program) + " --format tsv ";
    const std::string out = " " + Quote(folder.string()) + " >/dev/null";
    TimeCommand(run + "-j 1" + out);  // warms the file cache
    Figures best;
    for (int round = 0; round < kRounds; ++round) {
        best.records = std::min(best.records, TimeCommand(run + "-j 1" + out));
        best.plugin = std::min(best.plugin, TimeCommand(run + "-j 1 --plugin " + Quote(plugin) + out));
        best.plain = std::min(best.plain, TimePlainReads(folder));
        best.records2 = std::min(best.records2, TimeCommand(run + "-j 2" + out));
    }
    const auto perFile = [files](double seconds) { return 1e6 * seconds / static_cast<double>(files); };
    std::printf("%s: %zu files\n", name.c_str(), files);
    std::printf("  one plain read a file:   %6.3f s  %6.1f us a file\n", best.plain, perFile(best.plain));
    std::printf("  program -j 1:            %6.3f s  %6.1f us a file  %5.2fx the plain reads\n", best.records,
                perFile(best.records), best.records / best.plain);
    std::printf("  program -j 1 --plugin:   %6.3f s  %6.1f us a file  records %.2fx as fast\n", best.plugin,
                perFile(best.plugin), best.plugin / best.records);
    std::printf("  program -j 2:            %6.3f s  %6.1f us a file\n", best.records2, perFile(best.records2));
}

// The Python package's figures for a folder: python_command, a shell
// command, with the folder's path appended.
void MeasurePython(const std::string& name, const fs::path& folder, const std::string& pythonCommand) {
    std::printf("%s, the Python package:\n", name.c_str());
    std::fflush(stdout);
    const std::string command = pythonCommand + " " + Quote(folder.string());
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: records_throughput PROGRAM PLUGIN CORPUS_FOLDER [PYTHON_COMMAND]\n");
        return 2;
    }
    const std::string program = argv[1], plugin = argv[2];
    const fs::path top = fs::temp_directory_path() / "midifields-records-throughput";
    fs::remove_all(top);
    const fs::path small = top / "corpus", typical = top / "typical";
    const std::size_t smallFiles = LinkCorpus(argv[3], small, kSmallFiles);
    if (smallFiles == 0) {
        std::fprintf(stderr, "no .mid files in %s\n", argv[3]);
        return 1;
    }
    const midi_bytes::Bytes bytes = bench_files::Typical();
    std::ofstream(top / "typical.mid", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    for (int i = 0; i < kTypicalFiles; ++i) fs::create_hard_link(top / "typical.mid", LinkPath(typical, static_cast<std::size_t>(i)));

    Measure("hard links to " + std::string(argv[3]), small, smallFiles, program, plugin);
    Measure("copies of bench's typical file (" + std::to_string(bytes.size()) + " bytes)", typical, kTypicalFiles,
            program, plugin);
    if (argc > 4) {
        MeasurePython("corpus", small, argv[4]);
        MeasurePython("typical", typical, argv[4]);
    }
    fs::remove_all(top);
    return 0;
}
