// The rows of a run in one of six formats: for people, an aligned table
// or a list of "field: value" lines per file; for programs, tab-separated
// values (with a header row), CSV as RFC 4180 has it, one JSON array of
// objects, or JSON Lines (one object per file).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

enum class OutputFormat { kTable, kList, kTsv, kCsv, kJson, kJsonLines };

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

// width: the screen columns a table must fit, 0 for no limit (the table
// writer says what it does with it). The other formats ignore it.
std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::ostream& out, std::size_t width = 0);

// The column of the path in every format.
inline constexpr const char* kPathColumn = "path";
