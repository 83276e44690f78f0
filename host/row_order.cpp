#include "host/row_order.h"

#include "host/field_selection.h"
#include "host/text_encoding.h"

namespace {

// The order of two present values: < 0, 0 or > 0.
int CompareValues(const std::string& a, const std::string& b) {
    const std::optional<double> numberA = NumberValue(a);
    const std::optional<double> numberB = NumberValue(b);
    if (numberA.has_value() && numberB.has_value()) return *numberA < *numberB ? -1 : *numberA > *numberB ? 1 : 0;
    if (numberA.has_value() != numberB.has_value()) return numberA.has_value() ? -1 : 1;
    // Byte order after ASCII case folding.
    return AsciiLower(a).compare(AsciiLower(b));
}

}  // namespace

bool ParseSortKeys(const std::string& list, const FieldResolver& fields, std::vector<SortKey>& keys,
                   std::string& error) {
    keys.clear();
    for (std::string item : ListItems(list)) {
        SortKey key{0, !item.empty() && item[0] == '-'};
        if (key.descending) item = ListItems(item.substr(1))[0];
        std::string reason;
        if (item.empty() || !fields(item, key.field, reason)) {
            error = "--sort: " + (item.empty() ? "a field is missing in '" + list + "'" : reason);
            return false;
        }
        keys.push_back(key);
    }
    return true;
}

bool SortsBefore(const std::vector<FieldValue>& a, const std::vector<FieldValue>& b,
                 const std::vector<SortKey>& keys) {
    for (const SortKey& key : keys) {
        const FieldValue& x = a[static_cast<std::size_t>(key.field)];
        const FieldValue& y = b[static_cast<std::size_t>(key.field)];
        if (!x.has_value() || !y.has_value()) {
            if (x.has_value() != y.has_value()) return x.has_value();
            continue;
        }
        const int order = CompareValues(*x, *y);
        if (order != 0) return key.descending ? order > 0 : order < 0;
    }
    return false;
}
