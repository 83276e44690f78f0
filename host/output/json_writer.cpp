#include "host/output/json_writer.h"

#include <nlohmann/json.hpp>

namespace {

// Bytes that are not UTF-8 become U+FFFD rather than stopping the run.
std::string JsonString(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

void JsonWriter::Begin(const std::vector<std::string>& fieldNames) {
    for (const std::string& name : fieldNames) keys_.push_back(JsonString(name));
    if (layout_ == kArray) out_ << '[';
}

void JsonWriter::Row(const std::string& path, const std::vector<FieldValue>& values) {
    if (layout_ == kArray) out_ << (rows_ == 0 ? "\n" : ",\n");
    ++rows_;
    out_ << "{\"" << kPathColumn << "\":" << JsonString(path);
    for (std::size_t i = 0; i < values.size() && i < keys_.size(); ++i) {
        out_ << ',' << keys_[i] << ':';
        if (!values[i]) out_ << "null";
        else if (IsPlainNumber(*values[i])) out_ << *values[i];
        else out_ << JsonString(*values[i]);
    }
    out_ << '}';
    if (layout_ == kLines) out_ << '\n';
}

void JsonWriter::End() {
    if (layout_ == kArray) out_ << (rows_ == 0 ? "]\n" : "\n]\n");
    out_.flush();
}
