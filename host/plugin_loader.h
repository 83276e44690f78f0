// Loads the plug-in library at run time and finds its four exports, the way
// any host program does.
#pragma once

#include <string>

#include "plugin/content_exports.h"

struct Plugin {
    void* handle = nullptr;
    ContentGetDetectStringFunction getDetectString = nullptr;
    ContentGetSupportedFieldFunction getSupportedField = nullptr;
    ContentGetValueWFunction getValue = nullptr;
    ContentSetDefaultParamsFunction setDefaultParams = nullptr;
};

// The library's full path beside the running executable, or "" when the
// system does not tell where that is.
std::string DefaultPluginPath();

// A library named by the user (--plugin), made a full path: a bare or
// relative name is the file in the current folder, never one looked for
// along the system's library path.
std::string NamedPluginPath(const std::string& named);

// Loads the library at path (UTF-8, a full path), resolves all four exports
// and hands the plug-in its defaults, once, as a host does after loading.
// On failure returns false and says why in error.
bool LoadPlugin(const std::string& path, Plugin& plugin, std::string& error);
