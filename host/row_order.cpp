#include "host/row_order.h"

#include <algorithm>

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The order of two present values: < 0, 0 or > 0.
int CompareValues(const std::string& a, const std::string& b) {
    const std::optional<double> numberA = PlainNumber(a);
    const std::optional<double> numberB = PlainNumber(b);
    if (numberA.has_value() && numberB.has_value()) return *numberA < *numberB ? -1 : *numberA > *numberB ? 1 : 0;
    if (numberA.has_value() != numberB.has_value()) return numberA.has_value() ? -1 : 1;
    // Byte order after ASCII case folding.
    const auto lower = [](char c) {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    const auto mismatch = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                        [&lower](char x, char y) { return lower(x) == lower(y); });
    if (mismatch.first == a.end()) return mismatch.second == b.end() ? 0 : -1;
    if (mismatch.second == b.end()) return 1;
    return lower(*mismatch.first) < lower(*mismatch.second) ? -1 : 1;
}

}  // namespace

bool ParseSortKeys(const std::string& list, const FieldResolver& fields, std::vector<SortKey>& keys,
                   std::string& error) {
    keys.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        std::string item = Trimmed(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        SortKey key{0, false};
        if (!item.empty() && item[0] == '-') {
            key.descending = true;
            item = Trimmed(item.substr(1));
        }
        if (item.empty()) {
            error = "--sort: a field is missing in '" + list + "'";
            return false;
        }
        std::string reason;
        if (!fields(item, key.field, reason)) {
            error = "--sort: " + reason;
            return false;
        }
        keys.push_back(key);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

bool SortsBefore(const std::vector<std::optional<std::string>>& a, const std::vector<std::optional<std::string>>& b,
                 const std::vector<SortKey>& keys) {
    for (const SortKey& key : keys) {
        const std::optional<std::string>& x = a[static_cast<std::size_t>(key.field)];
        const std::optional<std::string>& y = b[static_cast<std::size_t>(key.field)];
        if (!x.has_value() || !y.has_value()) {
            if (x.has_value() != y.has_value()) return x.has_value();
            continue;
        }
        const int order = CompareValues(*x, *y);
        if (order != 0) return key.descending ? order > 0 : order < 0;
    }
    return false;
}
