#include "host/file_reading.h"

#include <algorithm>

#include "host/plugin_fields.h"
#include "host/reason_text.h"
#include "host/system.h"

namespace {

// The plug-in reads a file it cannot open as "every field empty", which
// would look like "not a MIDI file"; trying to open it tells the two apart.
bool CanOpen(const std::filesystem::path& path, std::string& reason) {
    std::error_code error;
    if (CanOpenForReading(path, error)) return true;
    reason = ReasonText(error);
    return false;
}

}  // namespace

bool AllEmpty(const std::vector<FieldValue>& values) {
    return std::none_of(values.begin(), values.end(), [](const FieldValue& value) { return value.has_value(); });
}

FileOutcome ReadFile(const Plugin& plugin, const std::filesystem::path& path, const std::vector<bool>& wanted) {
    FileOutcome outcome;
    std::u16string widePath;
    if (!PathToUtf16(PathForPlugin(path), widePath)) {
        outcome.error = "the file name is not valid UTF-8, so it cannot be passed to the plug-in";
        return outcome;
    }
    outcome.values.resize(wanted.size());
    for (std::size_t index = 0; index < wanted.size(); ++index)
        if (wanted[index]) outcome.values[index] = ReadFieldValue(plugin, widePath, static_cast<int>(index));
    // Only a file that gave nothing can be one the plug-in could not open;
    // a file with any value needs no second look.
    if (AllEmpty(outcome.values) && !CanOpen(path, outcome.error)) outcome.values.clear();
    return outcome;
}
