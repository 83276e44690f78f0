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
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_files.h"
#include "bench/seconds_per_call.h"
#include "host/plugin_loader.h"

namespace {

constexpr int kLengthTicksField = 8;

// The value text as ASCII (it is digits).
std::string Narrow(const HostWideChar* text) {
    std::string out;
    for (; *text != 0; ++text) out += static_cast<char>(*text);
    return out;
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
    const std::string pluginPath = argc > first + 1 ? argv[first + 1] : DefaultPluginPath();
    Plugin plugin;
    std::string error;
    if (!LoadPlugin(pluginPath, plugin, error)) {
        std::fprintf(stderr, "scan_timing: %s\n", error.c_str());
        return 1;
    }
    const ContentGetValueWFunction getValue = plugin.getValue;
    if (once) {
        const std::basic_string<HostWideChar> widePath(folder.begin(), folder.end());
        HostWideChar value[64] = {};
        const int kind = getValue(widePath.c_str(), kLengthTicksField, 0, value, static_cast<int>(sizeof value), 0);
        std::printf("%d %s\n", kind, Narrow(value).c_str());
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
        const std::basic_string<HostWideChar> widePath(path.begin(), path.end());

        // Batches of at least 0.1 s.
        const double readSeconds = SecondsPerCall(
            [&] {
                FILE* file = std::fopen(path.c_str(), "rb");
                if (file == nullptr) return;
                if (std::fread(readBuffer.data(), 1, readBuffer.size(), file) != readBuffer.size()) std::abort();
                std::fclose(file);
            },
            0.1);
        HostWideChar value[64] = {};
        const double scanSeconds = SecondsPerCall(
            [&] { getValue(widePath.c_str(), kLengthTicksField, 0, value, static_cast<int>(sizeof value), 0); }, 0.1);
        const std::string ticks = Narrow(value);

        std::printf("%-12s %12zu %12.2f %12.2f %7.2f %10.1f %12.3g  %s\n", named.name, bytes.size(), readSeconds * 1e6,
                    scanSeconds * 1e6, scanSeconds / readSeconds, static_cast<double>(bytes.size()) / scanSeconds / 1e6,
                    static_cast<double>(named.events) / scanSeconds, ticks.c_str());
    }
    return 0;
}
