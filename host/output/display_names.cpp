#include "host/output/display_names.h"

#include <sstream>

std::vector<std::string> ShortFieldNames(const std::vector<std::string>& catalogue) {
    if (catalogue.size() < 2) return catalogue;
    std::size_t shared = catalogue[0].size();
    for (const std::string& name : catalogue) {
        std::size_t same = 0;
        while (same < shared && same < name.size() && name[same] == catalogue[0][same]) ++same;
        shared = same;
    }
    // Whole words only: up to the last blank of the shared part.
    const std::size_t blank = shared > 0 ? catalogue[0].rfind(' ', shared - 1) : std::string::npos;
    const std::size_t cut = blank == std::string::npos ? 0 : blank + 1;
    std::vector<std::string> names;
    for (const std::string& name : catalogue) {
        if (name.size() <= cut) return catalogue;
        names.push_back(name.substr(cut));
    }
    return names;
}

std::string CompactFieldName(const std::string& shortName) {
    // The abbreviations a reader of tables knows; other words stay whole.
    static const std::pair<const char*, const char*> kAbbreviations[] = {
        {"Format", "Fmt"}, {"Tracks", "Trks"},   {"Division", "Div"},
        {"Duration", "Dur"}, {"Signature", "Sig"}, {"Length", "Len"},
    };
    std::istringstream words(shortName);
    std::string out;
    for (std::string word; words >> word;) {
        for (const auto& [whole, shortened] : kAbbreviations)
            if (word == whole) word = shortened;
        out += (out.empty() ? "" : " ") + word;
    }
    return out;
}
