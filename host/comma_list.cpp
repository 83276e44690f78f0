#include "host/comma_list.h"

std::vector<std::string> CommaListItems(const std::string& list) {
    std::vector<std::string> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = list.find(',', start);
        const std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t first = item.find_first_not_of(" \t");
        items.push_back(first == std::string::npos ? "" : item.substr(first, item.find_last_not_of(" \t") - first + 1));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}
