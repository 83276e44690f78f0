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

// The library's file name beside the running executable.
std::string DefaultPluginPath();

// Loads the library at path (UTF-8), resolves all four exports and hands
// the plug-in its defaults, once, as a host does after loading. On failure
// returns false and says why in error.
bool LoadPlugin(const std::string& path, Plugin& plugin, std::string& error);
