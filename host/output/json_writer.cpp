#include "host/output/json_writer.h"

#include <cstdint>

#include <nlohmann/json.hpp>

#include "host/text_encoding.h"

namespace {

// Bytes that are not UTF-8 become U+FFFD rather than stopping the run.
std::string JsonString(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// RFC 4648 base64, with padding.
std::string Base64(const std::string& bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = bytes.size() - i < 3 ? bytes.size() - i : 3;
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < count ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k) out += k <= count ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

}  // namespace

std::string JsonPath(const std::string& path) {
    return IsUtf8(path) ? JsonString(path) : "{\"bytes\":\"" + Base64(path) + "\"}";
}

void JsonWriter::Begin(const std::vector<std::string>& fieldNames) {
    for (const std::string& name : fieldNames) keys_.push_back(JsonString(name));
    if (layout_ == kArray) out_ << '[';
}

void JsonWriter::Row(const std::string& path, const std::vector<FieldValue>& values) {
    if (layout_ == kArray) out_ << (rows_ == 0 ? "\n" : ",\n");
    ++rows_;
    out_ << "{\"" << kPathColumn << "\":" << JsonPath(path);
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
