#include "host/output/output_format.h"

#include "host/output/delimited_writer.h"
#include "host/output/json_writer.h"
#include "host/output/list_writer.h"
#include "host/output/table_writer.h"

std::string OutputFormatNames() {
    std::string names;
    for (const OutputFormatName& entry : kOutputFormats) names += (names.empty() ? "" : ", ") + std::string(entry.name);
    return names;
}

bool IsForPeople(OutputFormat format) { return format == OutputFormat::kTable || format == OutputFormat::kList; }

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
