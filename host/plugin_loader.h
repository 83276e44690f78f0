// Loads the plug-in library at run time and finds its four exports, the way
// any host program does.
#pragma once

#include <string>

#ifdef _WIN32
using PluginWideChar = wchar_t;
#else
using PluginWideChar = char16_t;
#endif

using ContentGetDetectStringFn = int (*)(char* detectString, int maxLength);
using ContentGetSupportedFieldFn = int (*)(int fieldIndex, char* fieldName, char* units, int maxLength);
using ContentGetValueWFn = int (*)(const PluginWideChar* fileName, int fieldIndex, int unitIndex,
                                   PluginWideChar* fieldValue, int maxLength, int flags);
using ContentSetDefaultParamsFn = void (*)(void* defaultParams);

struct Plugin {
    void* handle = nullptr;
    ContentGetDetectStringFn getDetectString = nullptr;
    ContentGetSupportedFieldFn getSupportedField = nullptr;
    ContentGetValueWFn getValue = nullptr;
    ContentSetDefaultParamsFn setDefaultParams = nullptr;
};

// The library's file name beside the running executable.
std::string DefaultPluginPath();

// Loads the library at path (UTF-8) and resolves all four exports. On
// failure returns false and says why in error.
bool LoadPlugin(const std::string& path, Plugin& plugin, std::string& error);
