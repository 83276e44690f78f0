// A field's value as the plug-in gives it: text, or nothing when the field
// is empty; and, when the text is a plain decimal number, that number, which
// JSON writes as a number, the table right-aligns and conditions and sorting
// compare by value.
#pragma once

#include <optional>
#include <string>

using FieldValue = std::optional<std::string>;

// What a field's values are: decimal numbers, text (the signatures, the
// status), or not known (a field of a plug-in this program does not know).
enum class FieldKind { kNumber, kText, kUnknown };

// True for a plain decimal number as JSON writes one: an optional minus,
// digits without a leading zero, an optional fraction ("150.00", "59176").
bool IsPlainNumber(const std::string& text);

// The value of a plain decimal number; nothing for any other text.
std::optional<double> NumberValue(const std::string& text);

// A value as --where and --sort compare it, worked out once: its number
// when it is one, and its text in ASCII lower case.
struct ComparableValue {
    std::optional<double> number;
    std::string text;
};

ComparableValue Comparable(const std::string& text);

// The order of two values, < 0, 0 or > 0: numbers by value and before any
// text, text by its bytes without regard to ASCII case.
int CompareValues(const ComparableValue& a, const ComparableValue& b);
