// The plug-in as a host sees it: the shared library beside the test program,
// loaded at run time by the host's own loader.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "host/plugin_loader.h"
#include "host/text_encoding.h"

namespace loaded_plugin {

// Loads the library once per test program.
inline const Plugin& Exports() {
    static const Plugin plugin = [] {
        Plugin loaded;
        std::string error;
        if (!LoadPlugin(DefaultPluginPath(), loaded, error)) {
            ADD_FAILURE() << error;
            std::abort();
        }
        return loaded;
    }();
    return plugin;
}

inline int GetValue(const char16_t* path, int field, char16_t* buffer, int maxLength) {
    return Exports().getValue(path, field, 0, buffer, maxLength, 0);
}

// Asks for one field through the export; returns the text, or "<empty>"
// when the field is reported empty.
inline std::string Value(const std::u16string& path, int field) {
    char16_t buffer[128];
    const int kind = GetValue(path.c_str(), field, buffer, sizeof buffer);
    if (kind == kResultFieldEmpty) return "<empty>";
    EXPECT_EQ(kind, kValueKindWideText);
    return Utf16ToUtf8(buffer);
}

}  // namespace loaded_plugin
