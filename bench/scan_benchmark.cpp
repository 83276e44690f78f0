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
#include "bench/seconds_per_call.h"
#include "plugin/content_exports.h"

namespace {

constexpr int kLengthTicksField = 8;

void PlainRead(const std::string& path, std::vector<char>& buffer) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) std::abort();
    if (std::fread(buffer.data(), 1, buffer.size(), file) != buffer.size()) std::abort();
    std::fclose(file);
}

void BM_PlainRead(benchmark::State& state, const bench_files::NamedFile* named, std::string path, std::size_t size) {
    std::vector<char> buffer(size);
    for (auto _ : state) PlainRead(path, buffer);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
    (void)named;
}

void BM_Scan(benchmark::State& state, const bench_files::NamedFile* named, std::string path, std::size_t size) {
    std::vector<char> buffer(size);
    // The plain read, timed in batches of at least 20 ms.
    const double readSeconds = SecondsPerCall([&] { PlainRead(path, buffer); }, 0.02);
    const std::u16string widePath(path.begin(), path.end());
    HostWideChar value[64];

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ContentGetValueW(reinterpret_cast<const HostWideChar*>(widePath.c_str()),
                                                  kLengthTicksField, 0, value, static_cast<int>(sizeof value), 0));
    }
    const double iterations = static_cast<double>(state.iterations());
    const double scanSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / iterations;

    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
    state.counters["events"] =
        benchmark::Counter(static_cast<double>(named->events) * iterations, benchmark::Counter::kIsRate);
    state.counters["read_us"] = readSeconds * 1e6;
    state.counters["read_ratio"] = scanSeconds / readSeconds;
    state.counters["ns_per_event"] = scanSeconds * 1e9 / static_cast<double>(named->events);
}

}  // namespace

int main(int argc, char** argv) {
    // The files take about 52 MB, so they go only where they are asked to.
    const char* folderVariable = std::getenv("MIDIFIELDS_BENCH_DIR");
    if (folderVariable == nullptr || *folderVariable == '\0') {
        std::fprintf(stderr, "set MIDIFIELDS_BENCH_DIR to the folder for the benchmark files\n");
        return 2;
    }
    const std::string folder = folderVariable;
    for (const bench_files::NamedFile& named : bench_files::AllFiles()) {
        const std::string path = folder + "/" + named.name + ".mid";
        const bench_files::Bytes bytes = named.make();
        if (!bench_files::WriteFileOnce(path, bytes)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        benchmark::RegisterBenchmark((std::string("PlainRead/") + named.name).c_str(), BM_PlainRead, &named, path,
                                     bytes.size());
        benchmark::RegisterBenchmark((std::string("Scan/") + named.name).c_str(), BM_Scan, &named, path, bytes.size());
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
