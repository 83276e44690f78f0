// The plug-in as a host sees it: the shared library loaded at run time and
// its four exports looked up by name.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

namespace loaded_plugin {

using GetDetectString = int (*)(char*, int);
using GetSupportedField = int (*)(int, char*, char*, int);
using GetValueW = int (*)(const char16_t*, int, int, char16_t*, int, int);
using SetDefaultParams = void (*)(void*);

struct Exports {
    GetDetectString getDetectString;
    GetSupportedField getSupportedField;
    GetValueW getValue;
    SetDefaultParams setDefaultParams;
};

// Loads the library once per test program.
inline const Exports& Plugin() {
    static const Exports exports = [] {
        void* handle = dlopen(MIDIFIELDS_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            ADD_FAILURE() << "cannot load " << MIDIFIELDS_PLUGIN_PATH << ": " << dlerror();
            std::abort();
        }
        Exports e{};
        e.getDetectString = reinterpret_cast<GetDetectString>(dlsym(handle, "ContentGetDetectString"));
        e.getSupportedField = reinterpret_cast<GetSupportedField>(dlsym(handle, "ContentGetSupportedField"));
        e.getValue = reinterpret_cast<GetValueW>(dlsym(handle, "ContentGetValueW"));
        e.setDefaultParams = reinterpret_cast<SetDefaultParams>(dlsym(handle, "ContentSetDefaultParams"));
        if (!e.getDetectString || !e.getSupportedField || !e.getValue || !e.setDefaultParams) std::abort();
        return e;
    }();
    return exports;
}

// Asks for one field through the export; returns the text, or "<empty>"
// when the export returns -3.
inline std::string Value(const std::u16string& path, int field) {
    char16_t buffer[128];
    const int kind = Plugin().getValue(path.c_str(), field, 0, buffer, sizeof buffer, 0);
    if (kind == -3) return "<empty>";
    EXPECT_EQ(kind, 11);
    std::string out;
    for (const char16_t* p = buffer; *p != 0; ++p) out += *p < 0x80 ? static_cast<char>(*p) : '?';
    return out;
}

}  // namespace loaded_plugin
