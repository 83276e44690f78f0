// midifields: prints the plug-in's fields for each MIDI file named on the
// command line. The plug-in is loaded at run time and used only through its
// four exports, exactly as a host program uses it.
#include <cstdio>
#include <string>
#include <vector>

#include "host/plugin_loader.h"
#include "host/run_host.h"
#include "host/text_encoding.h"

namespace {

constexpr int kFieldNameBytes = 256;
constexpr int kValueCharacters = 256;

std::vector<std::string> ReadCatalogue(const Plugin& plugin) {
    std::vector<std::string> names;
    for (int index = 0;; ++index) {
        char name[kFieldNameBytes];
        char units[kFieldNameBytes];
        if (plugin.getSupportedField(index, name, units, kFieldNameBytes) == 0) break;
        names.emplace_back(name);
    }
    return names;
}

}  // namespace

int RunHost(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        std::fprintf(stderr, "usage: midifields FILE...\n");
        return 2;
    }
    Plugin plugin;
    std::string error;
    if (!LoadPlugin(DefaultPluginPath(), plugin, error)) {
        std::fprintf(stderr, "midifields: %s\n", error.c_str());
        return 1;
    }
    const std::vector<std::string> fields = ReadCatalogue(plugin);

    for (const std::string& argument : arguments) {
        std::u16string path;
        std::printf("%s\n", argument.c_str());
        const bool converted = Utf8ToUtf16(argument, path);
        for (std::size_t index = 0; index < fields.size(); ++index) {
            PluginWideChar value[kValueCharacters] = {};
            const int kind = converted ? plugin.getValue(reinterpret_cast<const PluginWideChar*>(path.c_str()),
                                                         static_cast<int>(index), 0, value, sizeof value, 0)
                                       : -3;
            const std::string text = kind == 11 ? Utf16ToUtf8(reinterpret_cast<const char16_t*>(value)) : "";
            std::printf("  %s: %s\n", fields[index].c_str(), text.c_str());
        }
    }
    return 0;
}
