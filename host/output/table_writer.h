// For people: an aligned table, the value columns first (numbers
// right-aligned), the path last, free to run past the end of its own row
// the way `ls -l`, `du` and `sha256sum` print names, so a long path never
// moves another row's columns.
//
// The columns need every row's width, so the rows are kept and printed at
// the end. Fitting a width: headers on one line when they leave 30 columns
// for paths; else wrapped at their blanks; else in their short forms ("Dur
// (sec)", "Time Sig") when they leave 15; else so, with text values cut
// (an ellipsis at the end) down to their headers' widths, the widest
// first, numbers never; and when even those leave a path fewer than 15
// columns at the start of its row, the files are written as the list.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "host/output/row_writer.h"

class TableWriter : public RowWriter {
public:
    // width: the screen columns to fit, 0 for no limit.
    TableWriter(std::ostream& out, std::size_t width) : out_(out), limit_(width) {}
    void Begin(const std::vector<std::string>& fieldNames) override;
    void Row(const std::string& path, const std::vector<FieldValue>& values) override;
    void End() override;

private:
    void WriteList();

    std::ostream& out_;
    std::size_t limit_;
    std::vector<std::string> fieldNames_;
    std::vector<std::string> paths_;
    std::vector<std::vector<std::string>> cells_;  // per row, printable
};
