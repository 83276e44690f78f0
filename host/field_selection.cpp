#include "host/field_selection.h"

#include <sstream>

#include "host/comma_list.h"
#include "host/output/display_names.h"
#include "host/read_status.h"
#include "host/text_encoding.h"
#include "plugin/field_catalogue.h"

namespace {

std::vector<std::string> Words(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

// A plain decimal index within the catalogue, or -1.
int AsIndex(const std::string& item, std::size_t fieldCount) {
    if (item.empty() || item.size() > 9) return -1;
    for (char c : item)
        if (c < '0' || c > '9') return -1;
    const long index = std::stol(item);
    return index < static_cast<long>(fieldCount) ? static_cast<int>(index) : -1;
}

// Every name a column goes by, lower-cased: a field's catalogue name,
// header and short header; the status column's one name.
std::vector<std::string> NamesOf(const std::vector<std::string>& catalogue, const std::vector<std::string>& shortNames,
                                 std::size_t column) {
    if (column == catalogue.size()) return {kStatusColumn};
    return {AsciiLower(catalogue[column]), AsciiLower(shortNames[column]), AsciiLower(CompactFieldName(shortNames[column]))};
}

// item names the field by a prefix of one of its names, or by a word of
// them or the start of one, a unit's parentheses optional ("bpm").
bool PrefixOf(const std::string& item, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (name.compare(0, item.size(), item) == 0) return true;
        for (std::string word : Words(name)) {
            if (word.size() > 2 && word.front() == '(' && word.back() == ')') word = word.substr(1, word.size() - 2);
            if (word.compare(0, item.size(), item) == 0) return true;
        }
    }
    return false;
}

}  // namespace

bool FindField(const std::string& item, const std::vector<std::string>& catalogue, int& index, std::string& error) {
    const std::vector<std::string> shortNames = ShortFieldNames(catalogue);
    const std::string lower = AsciiLower(item);
    index = AsIndex(item, catalogue.size());
    // A whole name wins over a prefix of another ("tempo (bpm)").
    for (std::size_t i = 0; index < 0 && i <= catalogue.size(); ++i)
        for (const std::string& name : NamesOf(catalogue, shortNames, i))
            if (name == lower) index = static_cast<int>(i);
    std::vector<std::size_t> candidates;
    for (std::size_t i = 0; index < 0 && !lower.empty() && i <= catalogue.size(); ++i)
        if (PrefixOf(lower, NamesOf(catalogue, shortNames, i))) candidates.push_back(i);
    if (candidates.size() == 1) index = static_cast<int>(candidates[0]);
    if (index >= 0) return true;
    if (item.empty()) {
        error = "an empty field name";
    } else if (candidates.empty()) {
        error = "no field '" + item + "' (see --list-fields)";
    } else {
        error = "'" + item + "' is ambiguous: ";
        for (std::size_t k = 0; k < candidates.size(); ++k)
            error += (k == 0 ? "'" : k + 1 == candidates.size() ? " or '" : ", '") +
                     (candidates[k] < catalogue.size() ? catalogue[candidates[k]] : kStatusColumn) + "'";
    }
    return false;
}

FieldKind ColumnKind(const std::vector<std::string>& catalogue, int index) {
    const std::size_t column = static_cast<std::size_t>(index);
    if (column == catalogue.size()) return FieldKind::kText;
    for (int field = 0; field < kFieldCount; ++field)
        if (catalogue[column] == Utf16ToUtf8(kFieldNames[field]))
            return field == kFieldTimeSignature || field == kFieldKeySignature ? FieldKind::kText : FieldKind::kNumber;
    return FieldKind::kUnknown;
}

bool SelectFields(const std::string& list, const std::vector<std::string>& catalogue, std::vector<int>& selected,
                  std::string& error) {
    selected.clear();
    for (const std::string& item : CommaListItems(list)) {
        int index = -1;
        if (!FindField(item, catalogue, index, error)) {
            error = item.empty() ? "an empty field name in --fields" : "--fields: " + error;
            return false;
        }
        selected.push_back(index);
    }
    return true;
}
