// Reading one file: the values asked for, or its problem: why it could not
// be read.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/field_source.h"
#include "host/field_value.h"

struct FileOutcome {
    std::string problem;              // as WalkEntry's; empty when the file was read
    std::vector<FieldValue> values;  // per catalogue field; unset when not asked for or empty
};

// Reads the fields marked in wanted (indexed like the catalogue).
FileOutcome ReadFile(const FieldSource& source, const std::filesystem::path& path, const std::vector<bool>& wanted);

// True when no field has a value: a file the reader does not recognise.
bool AllEmpty(const std::vector<FieldValue>& values);
