// Where a run's fields come from. By default the program reads every field
// of a file from one scan, with the records code it links in. With
// --plugin it reads through a plug-in library's four exports instead,
// exactly as a host program does (a scan for every field), so any build of
// the plug-in can be checked with the program.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/field_value.h"
#include "host/plugin_loader.h"
#include "records/midi_record.h"

struct FieldSource {
    std::optional<Plugin> plugin;  // set: read through this plug-in
    std::string pluginPath;        // its full path, for --version
};

// Field names, in catalogue order.
std::vector<std::string> ReadCatalogue(const FieldSource& source);

// The detection expression: the files read in folders by default.
std::string ReadDetectString(const FieldSource& source);

// What reading one file gave: the fields marked in wanted (indexed like
// the catalogue; unset when not asked for or empty), or the problem that
// kept the path from even reaching the reader.
struct FileValues {
    std::string problem;  // as WalkEntry's; empty when the file was read
    std::vector<FieldValue> values;
    // False when the file may not have opened: that reads as no value at
    // all, like a file that is not MIDI, so the caller must look again.
    bool opened = true;
};

FileValues ReadFileValues(const FieldSource& source, const std::filesystem::path& path, const std::vector<bool>& wanted);

// The fields marked in wanted of a record read already (an archive's member).
std::vector<FieldValue> RecordValues(const MidiRecord& record, const std::vector<bool>& wanted);
