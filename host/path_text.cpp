#include "host/path_text.h"

#include <cctype>
#include <cstdio>

#include "host/system.h"
#include "host/text_encoding.h"

namespace fs = std::filesystem;

std::string EscapeInvalidUtf8(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t ignored = 0;
        const std::size_t length = DecodeUtf8(bytes, i, ignored);
        if (length == 0) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(bytes[i]));
            out += escaped;
            ++i;
        } else {
            out.append(bytes, i, length);
            i += length;
        }
    }
    return out;
}

std::string PathForMessage(const fs::path& path) {
    std::string text;
    // Only a POSIX name that is not UTF-8 needs its bytes escaped.
    if (PathToUtf8(path, text)) return text;
    return EscapeInvalidUtf8(text);
}

std::string ReasonText(const std::error_code& error) {
    if (error == std::errc::no_such_file_or_directory) return "no such file or folder";
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted) return "permission denied";
    // Anything rarer in the system's words, made to look like the rest.
    std::string text = error.message();
    while (!text.empty() && (text.back() == '.' || std::isspace(static_cast<unsigned char>(text.back())))) text.pop_back();
    return LowerCaseStart(text);
}
