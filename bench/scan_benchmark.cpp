// Google Benchmark of one value request per file, against a plain read of the
// same file (open, fread of the whole file, close):
//
//   MIDIFIELDS_BENCH_DIR=build/bench-files build/bench/midifields_scan_benchmark
//
// For every file it prints the scan time, bytes/s, events/s and the counter
// read_ratio: scan time over plain-read time, both measured in this run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "plugin/content_exports.h"

namespace {

using bench_files::WrittenFile;

void BM_PlainRead(benchmark::State& state, const WrittenFile* file) {
    std::vector<char> buffer(file->size);
    for (auto _ : state) bench_files::PlainRead(file->path, buffer);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file->size));
}

void BM_Scan(benchmark::State& state, const WrittenFile* file) {
    std::vector<char> buffer(file->size);
    // The plain read, timed in batches of at least 20 ms.
    const double readSeconds = bench_files::SecondsPerCall([&] { bench_files::PlainRead(file->path, buffer); }, 0.02);
    const std::u16string widePath(file->path.begin(), file->path.end());
    char16_t value[64];

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ContentGetValueW(widePath.c_str(), bench_files::kLengthTicksField, 0, value,
                                                  static_cast<int>(sizeof value), 0));
    }
    const double iterations = static_cast<double>(state.iterations());
    const double scanSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / iterations;
    const double events = static_cast<double>(file->named->events);

    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file->size));
    state.counters["events"] = benchmark::Counter(events * iterations, benchmark::Counter::kIsRate);
    state.counters["read_us"] = readSeconds * 1e6;
    state.counters["read_ratio"] = scanSeconds / readSeconds;
    state.counters["ns_per_event"] = scanSeconds * 1e9 / events;
}

}  // namespace

int main(int argc, char** argv) {
    // The files take about 52 MB, so they go only where they are asked to.
    const char* folder = std::getenv("MIDIFIELDS_BENCH_DIR");
    if (folder == nullptr || *folder == '\0') {
        std::fprintf(stderr, "set MIDIFIELDS_BENCH_DIR to the folder for the benchmark files\n");
        return 2;
    }
    const std::vector<WrittenFile> files = bench_files::WriteAllFiles(folder);
    if (files.empty()) return 1;
    for (const WrittenFile& file : files) {
        const std::string name = file.named->name;
        benchmark::RegisterBenchmark(("PlainRead/" + name).c_str(), BM_PlainRead, &file);
        benchmark::RegisterBenchmark(("Scan/" + name).c_str(), BM_Scan, &file);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
