// The output formats, and the writer for each: for people, an aligned table
// or a list of "field: value" lines per file; for programs, tab-separated
// values (with a header row), CSV as RFC 4180 has it, one JSON array of
// objects, or JSON Lines (one object per file).
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>

#include "host/output/row_writer.h"

enum class OutputFormat { kTable, kList, kTsv, kCsv, kJson, kJsonLines };

// A format as --format names it, with what --help says of it ("" for nothing).
struct OutputFormatName {
    const char* name;
    OutputFormat format;
    const char* note;
};

// Every format, in the order --help lists them: the one list of them.
inline constexpr OutputFormatName kOutputFormats[] = {
    {"table", OutputFormat::kTable, "default on a terminal; a list when it does not fit"},
    {"list", OutputFormat::kList, ""},
    {"tsv", OutputFormat::kTsv, "default otherwise"},
    {"csv", OutputFormat::kCsv, ""},
    {"json", OutputFormat::kJson, "one array"},
    {"jsonl", OutputFormat::kJsonLines, "one object a line"},
};

// "table, list, tsv, csv, json, jsonl"
std::string OutputFormatNames();

// The table and the list, which people read: short headers, fitted to the
// terminal, the totals of --summary after them. The others are parsed by
// programs and keep the full field names.
bool IsForPeople(OutputFormat format);

// width: the screen columns a table must fit, 0 for no limit (the table
// writer says what it does with it). The other formats ignore it.
std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::ostream& out, std::size_t width = 0);
