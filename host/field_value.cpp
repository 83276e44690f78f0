#include "host/field_value.h"

#include <charconv>

#include "host/text_encoding.h"

bool IsPlainNumber(const std::string& text) {
    std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - start;
    };
    const std::size_t start = i;
    const std::size_t whole = digits();
    if (whole == 0 || (whole > 1 && text[start] == '0')) return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

std::optional<double> NumberValue(const std::string& text) {
    if (!IsPlainNumber(text)) return std::nullopt;
    // from_chars reads the digits as they stand, whatever the locale.
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

ComparableValue Comparable(const std::string& text) { return ComparableValue{NumberValue(text), AsciiLower(text)}; }

int CompareValues(const ComparableValue& a, const ComparableValue& b) {
    if (a.number.has_value() && b.number.has_value()) return *a.number < *b.number ? -1 : *a.number > *b.number ? 1 : 0;
    if (a.number.has_value() != b.number.has_value()) return a.number.has_value() ? -1 : 1;
    return a.text.compare(b.text);
}
