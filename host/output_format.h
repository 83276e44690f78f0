// The rows of a run in one of five formats: for people, an aligned table
// or a list of "field: value" lines per file; for programs, tab-separated
// values (with a header row), CSV as RFC 4180 has it, and JSON Lines (one
// object per file, empty fields as null).
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

enum class OutputFormat { kTable, kList, kTsv, kCsv, kJson };

// "table", "list", "tsv", "csv" or "json", in any case; false for anything else.
bool ParseOutputFormat(const std::string& name, OutputFormat& format);

// A field's text, or nothing when the plug-in reports it empty.
using FieldValue = std::optional<std::string>;

class RowWriter {
public:
    virtual ~RowWriter() = default;
    // Once, before any row: the names of the columns after the path.
    virtual void Begin(const std::vector<std::string>& fieldNames) = 0;
    virtual void Row(const std::string& path, const std::vector<FieldValue>& values) = 0;
    // Once, after the last row.
    virtual void End() = 0;
};

// width: the screen columns a table must fit, 0 for no limit. A table that
// does not fit, even with its headers wrapped at their blanks, is written
// as the list instead. The other formats ignore it.
std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::ostream& out, std::size_t width = 0);

// Single values, exposed for their own tests.
std::string CsvField(const std::string& text);
std::string TsvField(const std::string& text);
