// For people, per file: its path, then a "name: value" line for each field,
// the values lined up after the widest name; files a blank line apart. Also
// what a table too wide for the terminal becomes.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "host/output/row_writer.h"

class ListWriter : public RowWriter {
public:
    explicit ListWriter(std::ostream& out) : out_(out) {}
    void Begin(const std::vector<std::string>& fieldNames) override;
    void Row(const std::string& path, const std::vector<FieldValue>& values) override;
    void End() override { out_.flush(); }
    // A row whose texts are printable already; an empty cell is an empty field.
    void Entry(const std::string& path, const std::vector<std::string>& cells);

private:
    std::ostream& out_;
    std::vector<std::string> labels_;  // the names with their colons
    std::size_t labelWidth_ = 0;
    std::size_t rows_ = 0;
};
