#include "host/plugin_loader.h"

#include "host/system.h"

namespace {

// The system hands back an untyped address; the export's type comes from
// the host interface.
template <typename Function>
bool Resolve(void* library, const char* name, Function& function, std::string& error) {
    function = reinterpret_cast<Function>(FindSymbol(library, name));
    if (function == nullptr) error = std::string("the plug-in lacks the export ") + name;
    return function != nullptr;
}

// What a host hands a plug-in once after loading it: the size of the block,
// the interface version the host speaks, and a file where a plug-in may
// keep settings. This host keeps none, so the name is empty; the plug-in
// has no settings and reads none of it, but it gets the call every host
// makes.
struct PluginDefaults {
    int size;
    int versionLow;
    int versionHigh;
    char settingsFile[260];
};

}  // namespace

std::string DefaultPluginPath() {
    const std::string folder = ExecutableFolder();
    return folder.empty() ? "" : folder + kPluginFileName;
}

std::string NamedPluginPath(const std::string& named) {
    std::string path;
    PathToUtf8(FullPath(PathFromUtf8(named)), path);
    return path;
}

bool LoadPlugin(const std::string& path, Plugin& plugin, std::string& error) {
    // A bare file name would be searched for, in the current folder and
    // along the library path, where any file of that name may wait.
    if (path.empty()) {
        error = std::string("cannot tell where this program is, so not where its plug-in is: name the ") +
                kPluginFileName + " to load with --plugin";
        return false;
    }
    plugin.handle = OpenLibrary(path);
    if (plugin.handle == nullptr) {
        error = LibraryErrorText();
        // The loader's text may name the file again.
        if (error.compare(0, path.size() + 2, path + ": ") == 0) error.erase(0, path.size() + 2);
        error = path + ": cannot load the plug-in: " + error;
        return false;
    }
    const bool resolved = Resolve(plugin.handle, "ContentGetDetectString", plugin.getDetectString, error) &&
                          Resolve(plugin.handle, "ContentGetSupportedField", plugin.getSupportedField, error) &&
                          Resolve(plugin.handle, "ContentGetValueW", plugin.getValue, error) &&
                          Resolve(plugin.handle, "ContentSetDefaultParams", plugin.setDefaultParams, error);
    if (!resolved) {
        error = path + ": " + error;
        return false;
    }
    PluginDefaults defaults{static_cast<int>(sizeof(PluginDefaults)), 0, 1, {}};
    plugin.setDefaultParams(&defaults);
    return true;
}
