#include "host/output_format.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <numeric>
#include <sstream>
#include <string_view>

#include "host/display_width.h"

namespace {

constexpr const char* kPathColumn = "path";

// One line per row, fields joined by a separator and escaped for the
// format: tab-separated with \n line ends, or CSV with CRLF.
class DelimitedWriter : public RowWriter {
public:
    using Escape = std::string (*)(const std::string&);
    DelimitedWriter(std::ostream& out, char separator, Escape escape, const char* lineEnd)
        : out_(out), separator_(separator), escape_(escape), lineEnd_(lineEnd) {}
    void Begin(const std::vector<std::string>& fieldNames) override {
        out_ << kPathColumn;
        for (const std::string& name : fieldNames) out_ << separator_ << escape_(name);
        out_ << lineEnd_;
    }
    void Row(const std::string& path, const std::vector<FieldValue>& values) override {
        out_ << escape_(path);
        for (const FieldValue& value : values) out_ << separator_ << (value ? escape_(*value) : std::string());
        out_ << lineEnd_;
    }
    void End() override { out_.flush(); }

private:
    std::ostream& out_;
    char separator_;
    Escape escape_;
    const char* lineEnd_;
};

class JsonLinesWriter : public RowWriter {
public:
    explicit JsonLinesWriter(std::ostream& out) : out_(out) {}
    void Begin(const std::vector<std::string>& fieldNames) override { names_ = fieldNames; }
    void Row(const std::string& path, const std::vector<FieldValue>& values) override {
        // Keys in column order, path first.
        nlohmann::ordered_json object;
        object[kPathColumn] = path;
        for (std::size_t i = 0; i < values.size() && i < names_.size(); ++i)
            object[names_[i]] = values[i] ? nlohmann::ordered_json(*values[i]) : nlohmann::ordered_json(nullptr);
        // Bytes that are not UTF-8 become U+FFFD rather than stopping the run.
        out_ << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    }
    void End() override { out_.flush(); }

private:
    std::ostream& out_;
    std::vector<std::string> names_;
};

// Control characters would break the layout or drive the terminal: C0 and
// DEL, and C1 (U+0080-U+009F, the bytes C2 80-C2 9F) become '?'.
std::string Printable(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = static_cast<unsigned char>(i + 1 < text.size() ? text[i + 1] : 0);
        const bool c1 = c == 0xC2 && next >= 0x80 && next < 0xA0;
        out += c < 0x20 || c == 0x7F || c1 ? '?' : text[i];
        if (c1) ++i;
    }
    return out;
}

// The cells of a line, each padded to its column's width, two blanks
// apart; empty trailing cells leave no trailing blanks.
void WriteLine(std::ostream& out, const std::vector<std::string>& cells, const std::vector<std::size_t>& widths) {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) line += "  ";
        line += cells[c];
        if (c + 1 < cells.size()) line.append(widths[c] - DisplayWidth(cells[c]), ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
}

// One file: its path, then a "name: value" line for each field, values
// lined up; a blank line before every file but the first. labels are the
// names with their colons.
class ListWriter : public RowWriter {
public:
    explicit ListWriter(std::ostream& out) : out_(out) {}
    void Begin(const std::vector<std::string>& fieldNames) override {
        for (const std::string& name : fieldNames) {
            labels_.push_back(Printable(name) + ":");
            labelWidth_ = std::max(labelWidth_, DisplayWidth(labels_.back()));
        }
    }
    void Row(const std::string& path, const std::vector<FieldValue>& values) override {
        std::vector<std::string> cells;
        for (const FieldValue& value : values) cells.push_back(value ? Printable(*value) : std::string());
        Entry(Printable(path), cells);
    }
    // A row whose texts are printable already; an empty cell is an empty field.
    void Entry(const std::string& path, const std::vector<std::string>& cells) {
        if (rows_++ > 0) out_ << '\n';
        out_ << path << '\n';
        for (std::size_t i = 0; i < cells.size() && i < labels_.size(); ++i) {
            out_ << "  " << labels_[i];
            if (!cells[i].empty()) out_ << std::string(labelWidth_ - DisplayWidth(labels_[i]) + 1, ' ') << cells[i];
            out_ << '\n';
        }
    }
    void End() override { out_.flush(); }

private:
    std::ostream& out_;
    std::vector<std::string> labels_;
    std::size_t labelWidth_ = 0;
    std::size_t rows_ = 0;
};

std::size_t LongestWord(const std::string& text) {
    std::istringstream words(text);
    std::size_t longest = 0;
    for (std::string word; words >> word;) longest = std::max(longest, DisplayWidth(word));
    return longest;
}

// The header's words filled into lines no wider than each column, as many
// lines as the most wrapped header needs.
std::vector<std::vector<std::string>> WrapHeader(const std::vector<std::string>& header,
                                                 const std::vector<std::size_t>& widths) {
    std::vector<std::vector<std::string>> lines(1, std::vector<std::string>(header.size()));
    for (std::size_t c = 0; c < header.size(); ++c) {
        std::istringstream words(header[c]);
        std::size_t line = 0;
        for (std::string word; words >> word;) {
            std::string& cell = lines[line][c];
            if (cell.empty()) {
                cell = word;
            } else if (DisplayWidth(cell) + 1 + DisplayWidth(word) <= widths[c]) {
                cell += " " + word;
            } else {
                if (++line == lines.size()) lines.emplace_back(header.size());
                lines[line][c] = word;
            }
        }
    }
    return lines;
}

// Columns need every row's width, so the table is printed at the end.
class TableWriter : public RowWriter {
public:
    TableWriter(std::ostream& out, std::size_t width) : out_(out), limit_(width) {}
    void Begin(const std::vector<std::string>& fieldNames) override {
        fieldNames_ = fieldNames;
        header_.push_back(kPathColumn);
        for (const std::string& name : fieldNames) header_.push_back(Printable(name));
    }
    void Row(const std::string& path, const std::vector<FieldValue>& values) override {
        std::vector<std::string> row{Printable(path)};
        for (const FieldValue& value : values) row.push_back(value ? Printable(*value) : std::string());
        rows_.push_back(std::move(row));
    }
    void End() override {
        // A run that read nothing says so on stderr; a lone header adds nothing.
        if (rows_.empty()) return;
        std::vector<std::size_t> values(header_.size(), 0);
        for (const auto& row : rows_)
            for (std::size_t c = 0; c < row.size(); ++c) values[c] = std::max(values[c], DisplayWidth(row[c]));
        std::vector<std::size_t> widths(header_.size());
        for (std::size_t c = 0; c < widths.size(); ++c) widths[c] = std::max(values[c], DisplayWidth(header_[c]));
        if (limit_ > 0 && Total(widths) > limit_) {
            // Narrower: headers wrapped at their blanks, down to their longest word.
            for (std::size_t c = 0; c < widths.size(); ++c) widths[c] = std::max(values[c], LongestWord(header_[c]));
            if (Total(widths) > limit_) return WriteList();
        }
        for (const auto& line : WrapHeader(header_, widths)) WriteLine(out_, line, widths);
        for (const auto& row : rows_) WriteLine(out_, row, widths);
        rows_.clear();
        out_.flush();
    }

private:
    static std::size_t Total(const std::vector<std::size_t>& widths) {
        return std::accumulate(widths.begin(), widths.end(), std::size_t{0}) + 2 * (widths.size() - 1);
    }
    void WriteList() {
        ListWriter list(out_);
        list.Begin(fieldNames_);
        for (const auto& row : rows_) list.Entry(row[0], std::vector<std::string>(row.begin() + 1, row.end()));
        rows_.clear();
        list.End();
    }

    std::ostream& out_;
    std::size_t limit_;
    std::vector<std::string> fieldNames_;
    std::vector<std::string> header_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace

bool ParseOutputFormat(const std::string& name, OutputFormat& format) {
    std::string lower;
    for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "table") format = OutputFormat::kTable;
    else if (lower == "list") format = OutputFormat::kList;
    else if (lower == "tsv") format = OutputFormat::kTsv;
    else if (lower == "csv") format = OutputFormat::kCsv;
    else if (lower == "json") format = OutputFormat::kJson;
    else return false;
    return true;
}

std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::ostream& out, std::size_t width) {
    switch (format) {
        case OutputFormat::kTable: return std::make_unique<TableWriter>(out, width);
        case OutputFormat::kList: return std::make_unique<ListWriter>(out);
        case OutputFormat::kTsv: return std::make_unique<DelimitedWriter>(out, '\t', TsvField, "\n");
        case OutputFormat::kCsv: return std::make_unique<DelimitedWriter>(out, ',', CsvField, "\r\n");
        case OutputFormat::kJson: return std::make_unique<JsonLinesWriter>(out);
    }
    return nullptr;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string TsvField(const std::string& text) {
    // A tab or line break inside a value (a POSIX file name may hold them)
    // would split the row: they are written \t, \n, \r. A backslash is
    // doubled only where it would otherwise start one of those escapes or
    // \\ (before t, n, r, a backslash, or a tab or line break), so a reader
    // takes \\, \t, \n and \r as escapes and every other backslash as
    // itself, and Windows paths keep their single backslashes.
    constexpr std::string_view kEscapeStarts = "tnr\\\t\n\r";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\\':
                out += i + 1 < text.size() && kEscapeStarts.find(text[i + 1]) != std::string_view::npos ? "\\\\" : "\\";
                break;
            default: out += text[i];
        }
    }
    return out;
}
