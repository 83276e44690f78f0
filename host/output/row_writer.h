// What every output format does with the rows of a run: a header once, then
// one row per file (its path and the values of the chosen fields), then an
// end. Each format is one writer; output_format.h picks one.
#pragma once

#include <string>
#include <vector>

#include "host/field_value.h"

class RowWriter {
public:
    virtual ~RowWriter() = default;
    // Once, before any row: the names of the columns after the path.
    virtual void Begin(const std::vector<std::string>& fieldNames) = 0;
    virtual void Row(const std::string& path, const std::vector<FieldValue>& values) = 0;
    // Once, after the last row.
    virtual void End() = 0;
};

// The column of the path in every format.
inline constexpr const char* kPathColumn = "path";
