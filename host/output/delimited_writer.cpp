#include "host/output/delimited_writer.h"

void DelimitedWriter::Begin(const std::vector<std::string>& fieldNames) {
    out_ << kPathColumn;
    for (const std::string& name : fieldNames) out_ << separator_ << escape_(name);
    out_ << lineEnd_;
}

void DelimitedWriter::Row(const std::string& path, const std::vector<FieldValue>& values) {
    out_ << escape_(path);
    for (const FieldValue& value : values) out_ << separator_ << (value ? escape_(*value) : std::string());
    out_ << lineEnd_;
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
    if (text.find_first_of("\t\n\r") == std::string::npos) return text;
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
