#include "host/row_writer.h"

#include "host/delimited_writer.h"
#include "host/json_writer.h"
#include "host/list_writer.h"
#include "host/table_writer.h"

std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::ostream& out, std::size_t width) {
    switch (format) {
        case OutputFormat::kTable: return std::make_unique<TableWriter>(out, width);
        case OutputFormat::kList: return std::make_unique<ListWriter>(out);
        case OutputFormat::kTsv: return std::make_unique<DelimitedWriter>(out, '\t', TsvField, "\n");
        case OutputFormat::kCsv: return std::make_unique<DelimitedWriter>(out, ',', CsvField, "\r\n");
        case OutputFormat::kJson: return std::make_unique<JsonWriter>(out, JsonWriter::kArray);
        case OutputFormat::kJsonLines: return std::make_unique<JsonWriter>(out, JsonWriter::kLines);
    }
    return nullptr;
}

bool IsPlainNumber(const std::string& text) {
    std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - start;
    };
    const std::size_t start = i;
    const std::size_t whole = digits();
    if (whole == 0 || (whole > 1 && text[start] == '0')) return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}
