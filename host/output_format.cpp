#include "host/output_format.h"

#include <nlohmann/json.hpp>

#include <algorithm>

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

// Columns need every row's width, so the table is printed at the end.
class TableWriter : public RowWriter {
public:
    explicit TableWriter(std::ostream& out) : out_(out) {}
    void Begin(const std::vector<std::string>& fieldNames) override {
        std::vector<std::string> header{kPathColumn};
        header.insert(header.end(), fieldNames.begin(), fieldNames.end());
        rows_.push_back(std::move(header));
    }
    void Row(const std::string& path, const std::vector<FieldValue>& values) override {
        std::vector<std::string> row{Printable(path)};
        for (const FieldValue& value : values) row.push_back(value ? Printable(*value) : std::string());
        rows_.push_back(std::move(row));
    }
    void End() override {
        std::vector<std::size_t> widths;
        for (const auto& row : rows_) {
            widths.resize(std::max(widths.size(), row.size()));
            for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
        }
        for (const auto& row : rows_) {
            std::string line;
            for (std::size_t c = 0; c < row.size(); ++c) {
                if (c > 0) line += "  ";
                line += row[c];
                if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(row[c]), ' ');
            }
            // Empty trailing cells leave no trailing blanks.
            line.erase(line.find_last_not_of(' ') + 1);
            out_ << line << '\n';
        }
        rows_.clear();
        out_.flush();
    }

private:
    // Control characters would break the layout (or drive the terminal).
    static std::string Printable(const std::string& text) {
        std::string out;
        for (char c : text) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
        return out;
    }

    std::ostream& out_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace

bool ParseOutputFormat(const std::string& name, OutputFormat& format) {
    if (name == "table") format = OutputFormat::kTable;
    else if (name == "tsv") format = OutputFormat::kTsv;
    else if (name == "csv") format = OutputFormat::kCsv;
    else if (name == "json") format = OutputFormat::kJson;
    else return false;
    return true;
}

std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::ostream& out) {
    switch (format) {
        case OutputFormat::kTable: return std::make_unique<TableWriter>(out);
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
    // would split the row, so they are written as escapes. The backslash is
    // left alone: it separates Windows paths.
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::size_t DisplayWidth(const std::string& text) {
    std::size_t width = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
    return width;
}
