// The output formats, and the writer for each: for people, an aligned table
// or a list of "field: value" lines per file; for programs, tab-separated
// values (with a header row), CSV as RFC 4180 has it, one JSON array of
// objects, or JSON Lines (one object per file).
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>

#include "host/output/row_writer.h"

enum class OutputFormat { kTable, kList, kTsv, kCsv, kJson, kJsonLines };

// width: the screen columns a table must fit, 0 for no limit (the table
// writer says what it does with it). The other formats ignore it.
std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::ostream& out, std::size_t width = 0);
