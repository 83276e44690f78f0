// The rows of a run in one of four formats: an aligned table for people,
// tab-separated values (with a header row), CSV as RFC 4180 has it, and
// JSON Lines (one object per file, empty fields as null).
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

enum class OutputFormat { kTable, kTsv, kCsv, kJson };

// "table", "tsv", "csv" or "json"; false for anything else.
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

std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::ostream& out);

// Single values, exposed for their own tests.
std::string CsvField(const std::string& text);
std::string TsvField(const std::string& text);
// Characters on a terminal, counting each UTF-8 sequence as one.
std::size_t DisplayWidth(const std::string& text);
