#include "host/field_selection.h"

#include <cctype>

namespace {

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A plain decimal index within the catalogue, or -1.
int AsIndex(const std::string& item, std::size_t fieldCount) {
    if (item.empty() || item.size() > 9) return -1;
    for (char c : item)
        if (c < '0' || c > '9') return -1;
    const long index = std::stol(item);
    return index < static_cast<long>(fieldCount) ? static_cast<int>(index) : -1;
}

}  // namespace

bool SelectFields(const std::string& list, const std::vector<std::string>& catalogue, std::vector<int>& selected,
                  std::string& error) {
    selected.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string item = Trim(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        int index = AsIndex(item, catalogue.size());
        for (std::size_t i = 0; index < 0 && i < catalogue.size(); ++i)
            if (SameIgnoringCase(item, catalogue[i])) index = static_cast<int>(i);
        if (index < 0) {
            error = item.empty() ? "an empty field name in --fields"
                                 : "no field '" + item + "' (see --list-fields)";
            return false;
        }
        selected.push_back(index);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

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
