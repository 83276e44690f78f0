// Tab-separated values and CSV: one line per row, the fields joined by a
// separator and escaped for the format.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "host/output/row_writer.h"

class DelimitedWriter : public RowWriter {
public:
    using Escape = std::string (*)(const std::string&);
    DelimitedWriter(std::ostream& out, char separator, Escape escape, const char* lineEnd)
        : out_(out), separator_(separator), escape_(escape), lineEnd_(lineEnd) {}
    void Begin(const std::vector<std::string>& fieldNames) override;
    void Row(const std::string& path, const std::vector<FieldValue>& values) override;
    void End() override { out_.flush(); }

private:
    std::ostream& out_;
    char separator_;
    Escape escape_;
    const char* lineEnd_;
};

// A CSV field as RFC 4180 has it: quoted only when it holds a comma, a
// quote or a line break, quotes doubled.
std::string CsvField(const std::string& text);

// A tsv field: the text as it is, but a tab, line feed or carriage return
// (only a POSIX file name can hold them; a Windows one cannot) written \t,
// \n, \r so that the row stays one line. Backslashes are never doubled, so
// Windows paths come out exactly as they are.
std::string TsvField(const std::string& text);
