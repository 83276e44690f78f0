#include "host/path_text.h"

#include "host/output/terminal_text.h"
#include "host/system.h"

std::string PathText(const std::filesystem::path& path) {
    std::string text;
    PathToUtf8(path, text);  // the bytes as they are, UTF-8 or not
    return text;
}

std::string PathForMessage(const std::filesystem::path& path) {
    return PrintableText(PathText(path), StandIn::kEscapedBytes);
}
