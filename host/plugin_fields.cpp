#include "host/plugin_fields.h"

#include "host/text_encoding.h"

namespace {

constexpr int kTextBytes = 256;
// Far beyond any catalogue; stops a plug-in that never ends its list.
constexpr int kMaxFields = 1000;
constexpr int kValueCharacters = 256;

}  // namespace

std::vector<std::string> ReadPluginCatalogue(const Plugin& plugin) {
    std::vector<std::string> names;
    for (int index = 0; index < kMaxFields; ++index) {
        char name[kTextBytes] = {};
        char units[kTextBytes] = {};
        if (plugin.getSupportedField(index, name, units, kTextBytes) == kNoMoreFields) break;
        name[kTextBytes - 1] = 0;
        names.emplace_back(name);
    }
    return names;
}

std::string ReadPluginDetectString(const Plugin& plugin) {
    char text[kTextBytes] = {};
    plugin.getDetectString(text, kTextBytes);
    text[kTextBytes - 1] = 0;
    return text;
}

std::optional<std::string> ReadFieldValue(const Plugin& plugin, const std::u16string& path, int fieldIndex) {
    char16_t value[kValueCharacters] = {};
    const int kind = plugin.getValue(path.c_str(), fieldIndex, 0, value, static_cast<int>(sizeof value), 0);
    if (kind != kValueKindWideText) return std::nullopt;
    // The plug-in may fill the buffer without a terminator.
    value[kValueCharacters - 1] = 0;
    const std::string text = Utf16ToUtf8(value);
    if (text.empty()) return std::nullopt;
    return text;
}
