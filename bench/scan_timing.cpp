// A self-timed scan benchmark without Google Benchmark, so that it builds for
// Windows too and measures the DLL under Wine exactly as a host loads it:
//
//   scan_timing FOLDER [PLUGIN]
//   scan_timing --once FILE [PLUGIN]
//
// Writes the benchmark files into FOLDER (once), then for each file times a
// plain read (open, fread of the whole file, close) and one value request
// through ContentGetValueW, and prints both and their ratio. With --once it
// makes a single value request for FILE, for counting system calls. PLUGIN
// defaults to the library beside the program.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_files.h"

#ifdef _WIN32
#include <windows.h>
using PathChar = wchar_t;
#else
#include <dlfcn.h>
using PathChar = char16_t;
#endif

namespace {

using GetValueFunction = int (*)(const PathChar*, int, int, PathChar*, int, int);
constexpr int kLengthTicksField = 8;

GetValueFunction LoadGetValue(const std::string& path) {
#ifdef _WIN32
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) return nullptr;
    return reinterpret_cast<GetValueFunction>(reinterpret_cast<void*>(GetProcAddress(module, "ContentGetValueW")));
#else
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    return reinterpret_cast<GetValueFunction>(dlsym(handle, "ContentGetValueW"));
#endif
}

std::string DefaultPluginPath(const char* program) {
    std::string folder(program);
    const std::size_t slash = folder.find_last_of("/\\");
    folder = slash == std::string::npos ? "" : folder.substr(0, slash + 1);
#ifdef _WIN32
    return folder + "midifields.dll";
#else
    return (folder.empty() ? "./" : folder) + "libmidifields.so";
#endif
}

// Seconds per call of work, the best of five rounds of about 0.1 s each.
template <typename Work>
double SecondsPerCall(Work work) {
    using Clock = std::chrono::steady_clock;
    long calls = 1;
    for (;;) {  // grow the batch until it takes 0.1 s
        const auto start = Clock::now();
        for (long i = 0; i < calls; ++i) work();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (seconds >= 0.1 || calls >= (1L << 24)) break;
        calls *= seconds < 0.01 ? 10 : 2;
    }
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        for (long i = 0; i < calls; ++i) work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count() / static_cast<double>(calls));
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const bool once = argc > 2 && std::strcmp(argv[1], "--once") == 0;
    if (argc < 2 || (once && argc < 3)) {
        std::fprintf(stderr, "usage: scan_timing FOLDER [PLUGIN]\n       scan_timing --once FILE [PLUGIN]\n");
        return 2;
    }
    const int first = once ? 2 : 1;  // FOLDER or FILE
    const std::string folder = argv[first];
    const std::string pluginPath = argc > first + 1 ? argv[first + 1] : DefaultPluginPath(argv[0]);
    const GetValueFunction getValue = LoadGetValue(pluginPath);
    if (getValue == nullptr) {
        std::fprintf(stderr, "scan_timing: cannot load ContentGetValueW from %s\n", pluginPath.c_str());
        return 1;
    }
    if (once) {
        const std::basic_string<PathChar> widePath(folder.begin(), folder.end());
        PathChar value[64] = {};
        const int kind = getValue(widePath.c_str(), kLengthTicksField, 0, value, static_cast<int>(sizeof value), 0);
        std::string text;
        for (const PathChar* c = value; *c != 0; ++c) text += static_cast<char>(*c);
        std::printf("%d %s\n", kind, text.c_str());
        return 0;
    }

    std::printf("%-12s %12s %12s %12s %7s %10s %12s  %s\n", "file", "bytes", "read (us)", "scan (us)", "ratio",
                "MB/s", "events/s", "ticks");
    std::vector<char> readBuffer;
    for (const bench_files::NamedFile& named : bench_files::AllFiles()) {
        const std::string path = folder + "/" + named.name + ".mid";
        const bench_files::Bytes bytes = named.make();
        if (!bench_files::WriteFileOnce(path, bytes)) {
            std::fprintf(stderr, "scan_timing: cannot write %s\n", path.c_str());
            return 1;
        }
        readBuffer.resize(bytes.size());
        std::basic_string<PathChar> widePath(path.begin(), path.end());

        const double readSeconds = SecondsPerCall([&] {
            FILE* file = std::fopen(path.c_str(), "rb");
            if (file == nullptr) return;
            if (std::fread(readBuffer.data(), 1, readBuffer.size(), file) != readBuffer.size()) std::abort();
            std::fclose(file);
        });
        PathChar value[64] = {};
        const double scanSeconds = SecondsPerCall(
            [&] { getValue(widePath.c_str(), kLengthTicksField, 0, value, static_cast<int>(sizeof value), 0); });
        std::string ticks;
        for (const PathChar* c = value; *c != 0; ++c) ticks += static_cast<char>(*c);

        std::printf("%-12s %12zu %12.2f %12.2f %7.2f %10.1f %12.3g  %s\n", named.name, bytes.size(), readSeconds * 1e6,
                    scanSeconds * 1e6, scanSeconds / readSeconds, static_cast<double>(bytes.size()) / scanSeconds / 1e6,
                    static_cast<double>(named.events) / scanSeconds, ticks.c_str());
    }
    return 0;
}
