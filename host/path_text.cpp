#include "host/path_text.h"

#include "host/output/terminal_text.h"
#include "host/system.h"

std::string PathText(const std::filesystem::path& path) {
    std::string text;
    if (PathToUtf8(path, text)) return text;
    return PrintableText(text, StandIn::kEscapedBytes);
}

std::string PathForMessage(const std::filesystem::path& path) {
    return PrintableText(PathText(path), StandIn::kEscapedBytes);
}
