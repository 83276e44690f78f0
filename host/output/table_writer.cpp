#include "host/output/table_writer.h"

#include <algorithm>
#include <numeric>
#include <sstream>

#include "host/output/display_names.h"
#include "host/output/list_writer.h"
#include "host/output/terminal_text.h"

namespace {

constexpr const char* kGap = "  ";
constexpr std::size_t kGapWidth = 2;
// The room a path is given before headers are wrapped or shortened.
constexpr std::size_t kPathRoom = 30;
// The least room a path keeps at the start of its row, with short headers
// and text values cut; without it the files are written as the list. All
// nine fields of most collections leave 15 to 19 columns of 80 (an hour-long
// file and an SMPTE division, 15), and the list of a large collection
// reads worse than such a table.
constexpr std::size_t kLeastPathRoom = 15;

// A value column: its header, its values' width and alignment, the width
// it gets.
struct Column {
    std::string header;
    std::size_t valueWidth = 0;
    bool numbers = false;  // every value a plain number: right-aligned
    std::size_t width = 0;
};

std::size_t LongestWord(const std::string& text) {
    std::istringstream words(text);
    std::size_t longest = 0;
    for (std::string word; words >> word;) longest = std::max(longest, DisplayWidth(word));
    return longest;
}

// The header's words filled into lines no wider than the column, as many
// lines as the most wrapped header needs.
std::vector<std::vector<std::string>> WrapHeaders(const std::vector<Column>& columns) {
    std::vector<std::vector<std::string>> lines(1, std::vector<std::string>(columns.size()));
    for (std::size_t c = 0; c < columns.size(); ++c) {
        std::istringstream words(columns[c].header);
        std::size_t line = 0;
        for (std::string word; words >> word;) {
            std::string& cell = lines[line][c];
            if (cell.empty()) {
                cell = word;
            } else if (DisplayWidth(cell) + 1 + DisplayWidth(word) <= columns[c].width) {
                cell += " " + word;
            } else {
                if (++line == lines.size()) lines.emplace_back(columns.size());
                lines[line][c] = word;
            }
        }
    }
    return lines;
}

std::size_t ValueColumnsWidth(const std::vector<Column>& columns) {
    return std::accumulate(columns.begin(), columns.end(), std::size_t{0},
                           [](std::size_t sum, const Column& column) { return sum + column.width + kGapWidth; });
}

// The value cells, each padded to its column, then the path; no trailing blanks.
void WriteLine(std::ostream& out, const std::vector<Column>& columns, const std::vector<std::string>& cells,
               const std::string& path) {
    std::string line;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const std::string pad(columns[c].width - DisplayWidth(cells[c]), ' ');
        line += columns[c].numbers ? pad + cells[c] : cells[c] + pad;
        line += kGap;
    }
    line += path;
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
}

// The forms a table takes to fit a width, the first that fits: headers on
// one line, wrapped at their blanks, or short; then, short, with text
// values cut.
enum TableForm { kOneLine, kWrapped, kShort, kCutValues };

// Narrows the columns of text, the widest first and none below its
// header's longest word, until excess columns are freed or none can give
// more. Numbers are never cut.
void CutTextColumns(std::vector<Column>& columns, std::size_t excess) {
    for (; excess > 0; --excess) {
        Column* widest = nullptr;
        for (Column& column : columns)
            if (!column.numbers && column.width > LongestWord(column.header) && (widest == nullptr || column.width > widest->width))
                widest = &column;
        if (widest == nullptr) return;
        --widest->width;
    }
}

// Sets the columns' headers (from the field names) and widths for the form;
// true when the value columns then leave the path the room the form asks
// for, or there is no limit.
bool FitForm(std::vector<Column>& columns, const std::vector<std::string>& fieldNames, TableForm form, std::size_t limit) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
        Column& column = columns[c];
        column.header = form >= kShort ? CompactFieldName(fieldNames[c]) : fieldNames[c];
        column.width =
            std::max(column.valueWidth, form == kOneLine ? DisplayWidth(column.header) : LongestWord(column.header));
    }
    if (limit == 0) return true;
    const std::size_t room = form <= kWrapped ? kPathRoom : kLeastPathRoom;
    if (form == kCutValues && ValueColumnsWidth(columns) + room > limit)
        CutTextColumns(columns, ValueColumnsWidth(columns) + room - limit);
    return ValueColumnsWidth(columns) + room <= limit;
}

}  // namespace

void TableWriter::Begin(const std::vector<std::string>& fieldNames) {
    for (const std::string& name : fieldNames) fieldNames_.push_back(PrintableText(name));
}

void TableWriter::Row(const std::string& path, const std::vector<FieldValue>& values) {
    paths_.push_back(PrintableText(path));
    std::vector<std::string> cells;
    for (const FieldValue& value : values) cells.push_back(value ? PrintableText(*value) : std::string());
    cells.resize(fieldNames_.size());
    cells_.push_back(std::move(cells));
}

void TableWriter::End() {
    // A run that read nothing says so on stderr; a lone header adds nothing.
    if (paths_.empty()) return;
    std::vector<Column> columns(fieldNames_.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        bool anyValue = false;
        bool allNumbers = true;
        for (const auto& row : cells_) {
            if (row[c].empty()) continue;
            anyValue = true;
            allNumbers = allNumbers && IsPlainNumber(row[c]);
            columns[c].valueWidth = std::max(columns[c].valueWidth, DisplayWidth(row[c]));
        }
        columns[c].numbers = anyValue && allNumbers;
    }

    const auto fits = [&](TableForm form) { return FitForm(columns, fieldNames_, form, limit_); };
    if (!fits(kOneLine) && !fits(kWrapped) && !fits(kShort) && !fits(kCutValues)) return WriteList();
    for (auto& row : cells_)
        for (std::size_t c = 0; c < columns.size(); ++c) row[c] = CutToColumns(row[c], columns[c].width);

    const std::vector<std::vector<std::string>> header = WrapHeaders(columns);
    for (std::size_t line = 0; line < header.size(); ++line)
        WriteLine(out_, columns, header[line], line == 0 ? kPathColumn : "");
    for (std::size_t row = 0; row < paths_.size(); ++row) WriteLine(out_, columns, cells_[row], paths_[row]);
    paths_.clear();
    cells_.clear();
    out_.flush();
}

void TableWriter::WriteList() {
    ListWriter list(out_);
    list.Begin(fieldNames_);
    for (std::size_t row = 0; row < paths_.size(); ++row) list.Entry(paths_[row], cells_[row]);
    paths_.clear();
    cells_.clear();
    list.End();
}
