#include "host/reason_text.h"

#include <cctype>

#include "host/text_encoding.h"

std::string ReasonText(const std::error_code& error) {
    if (error == std::errc::no_such_file_or_directory) return "no such file or folder";
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted) return "permission denied";
    // Anything rarer in the system's words, made to look like the rest.
    std::string text = error.message();
    while (!text.empty() && (text.back() == '.' || std::isspace(static_cast<unsigned char>(text.back())))) text.pop_back();
    return LowerCaseStart(text);
}

std::string LowerCaseStart(std::string text) {
    const auto capital = [&](std::size_t at) { return at < text.size() && text[at] >= 'A' && text[at] <= 'Z'; };
    if (capital(0) && !capital(1)) text[0] = AsciiLower(text.substr(0, 1))[0];
    return text;
}
