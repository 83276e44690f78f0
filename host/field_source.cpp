#include "host/field_source.h"

#include <algorithm>

#include "host/plugin_fields.h"
#include "host/system.h"
#include "host/text_encoding.h"
#include "records/midi_record.h"

namespace {

FileValues ReadThroughPlugin(const Plugin& plugin, const std::filesystem::path& path, const std::vector<bool>& wanted) {
    FileValues read;
    std::u16string widePath;
    if (!PathToUtf16(PathForPlugin(path), widePath)) {
        read.problem = "the file name is not valid UTF-8, so it cannot be passed to the plug-in";
        return read;
    }
    read.values.resize(wanted.size());
    for (std::size_t index = 0; index < wanted.size(); ++index)
        if (wanted[index]) read.values[index] = ReadFieldValue(plugin, widePath, static_cast<int>(index));
    // Only a file that gave nothing can be one the plug-in could not open.
    read.opened = std::any_of(read.values.begin(), read.values.end(), [](const FieldValue& v) { return v.has_value(); });
    return read;
}

FileValues ReadRecord(const std::filesystem::path& path, const std::vector<bool>& wanted) {
    FileValues read;
    MidiRecord record;
    read.opened = ReadMidiRecord(PathForRecords(path).c_str(), &record) == kMidiRecordRead;
    read.values = RecordValues(record, wanted);
    return read;
}

}  // namespace

std::vector<FieldValue> RecordValues(const MidiRecord& record, const std::vector<bool>& wanted) {
    std::vector<FieldValue> values(wanted.size());
    for (std::size_t index = 0; index < wanted.size() && index < kMidiRecordFieldCount; ++index)
        if (wanted[index] && record.results[index] == kValueKindWideText && record.lengths[index] > 0)
            values[index] = Utf16ToUtf8(record.texts[index]);
    return values;
}

std::vector<std::string> ReadCatalogue(const FieldSource& source) {
    if (source.plugin) return ReadPluginCatalogue(*source.plugin);
    std::vector<std::string> names;
    for (int index = 0; const char* name = GetMidiRecordFieldName(index); ++index) names.emplace_back(name);
    return names;
}

std::string ReadDetectString(const FieldSource& source) {
    return source.plugin ? ReadPluginDetectString(*source.plugin) : GetMidiRecordDetectString();
}

FileValues ReadFileValues(const FieldSource& source, const std::filesystem::path& path, const std::vector<bool>& wanted) {
    return source.plugin ? ReadThroughPlugin(*source.plugin, path, wanted) : ReadRecord(path, wanted);
}
