#include "host/plugin_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

std::string DefaultPluginPath() {
    char exe[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0) return "libmidifields.so";
    std::string path(exe, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + "libmidifields.so";
}

namespace {

template <typename Function>
bool Resolve(void* handle, const char* name, Function& function, std::string& error) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (function == nullptr) error = std::string("the plug-in lacks the export ") + name;
    return function != nullptr;
}

}  // namespace

bool LoadPlugin(const std::string& path, Plugin& plugin, std::string& error) {
    plugin.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (plugin.handle == nullptr) {
        const char* reason = dlerror();
        error = "cannot load the plug-in " + path + ": " + (reason != nullptr ? reason : "unknown error");
        return false;
    }
    return Resolve(plugin.handle, "ContentGetDetectString", plugin.getDetectString, error) &&
           Resolve(plugin.handle, "ContentGetSupportedField", plugin.getSupportedField, error) &&
           Resolve(plugin.handle, "ContentGetValueW", plugin.getValue, error) &&
           Resolve(plugin.handle, "ContentSetDefaultParams", plugin.setDefaultParams, error);
}
