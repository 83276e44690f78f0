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
#include "host/plugin_loader.h"

namespace {

struct Request {
    ContentGetValueWFunction getValue;
    std::u16string widePath;
    char16_t value[64] = {};

    int operator()() {
        return getValue(widePath.c_str(), bench_files::kLengthTicksField, 0, value, static_cast<int>(sizeof value), 0);
    }
    std::string Text() const {  // the value as ASCII: it is digits
        std::string text;
        for (const char16_t* c = value; *c != 0; ++c) text += static_cast<char>(*c);
        return text;
    }
};

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
    if (once) {
        Request request{plugin.getValue, {folder.begin(), folder.end()}};
        const int kind = request();
        std::printf("%d %s\n", kind, request.Text().c_str());
        return 0;
    }

    const std::vector<bench_files::WrittenFile> files = bench_files::WriteAllFiles(folder);
    if (files.empty()) return 1;
    std::printf("%-12s %12s %12s %12s %7s %10s %12s  %s\n", "file", "bytes", "read (us)", "scan (us)", "ratio",
                "MB/s", "events/s", "ticks");
    for (const bench_files::WrittenFile& file : files) {
        std::vector<char> buffer(file.size);
        Request request{plugin.getValue, {file.path.begin(), file.path.end()}};
        // Batches of at least 0.1 s.
        const double readSeconds = bench_files::SecondsPerCall([&] { bench_files::PlainRead(file.path, buffer); }, 0.1);
        const double scanSeconds = bench_files::SecondsPerCall([&] { request(); }, 0.1);
        std::printf("%-12s %12zu %12.2f %12.2f %7.2f %10.1f %12.3g  %s\n", file.named->name, file.size,
                    readSeconds * 1e6, scanSeconds * 1e6, scanSeconds / readSeconds, static_cast<double>(file.size) / scanSeconds / 1e6,
                    static_cast<double>(file.named->events) / scanSeconds, request.Text().c_str());
    }
    return 0;
}
