#include "host/row_order.h"

#include "host/comma_list.h"

bool ParseSortKeys(const std::string& list, const FieldResolver& fields, std::vector<SortKey>& keys,
                   std::string& error) {
    keys.clear();
    for (std::string item : CommaListItems(list)) {
        SortKey key{0, !item.empty() && item[0] == '-'};
        if (key.descending) item = CommaListItems(item.substr(1))[0];
        std::string reason;
        NamedField field;
        if (item.empty() || !fields(item, field, reason)) {
            error = "--sort: " + (item.empty() ? "a field is missing in '" + list + "'" : reason);
            return false;
        }
        key.field = field.index;
        keys.push_back(key);
    }
    return true;
}

SortValues SortValuesOf(const std::vector<FieldValue>& values, const std::vector<SortKey>& keys) {
    SortValues sortValues;
    for (const SortKey& key : keys) {
        const FieldValue& value = values[static_cast<std::size_t>(key.field)];
        sortValues.push_back(value ? std::optional<ComparableValue>(Comparable(*value)) : std::nullopt);
    }
    return sortValues;
}

bool SortsBefore(const SortValues& a, const SortValues& b, const std::vector<SortKey>& keys) {
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (!a[k].has_value() || !b[k].has_value()) {
            if (a[k].has_value() != b[k].has_value()) return a[k].has_value();
            continue;
        }
        const int order = CompareValues(*a[k], *b[k]);
        if (order != 0) return keys[k].descending ? order > 0 : order < 0;
    }
    return false;
}
