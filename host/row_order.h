// --sort: rows ordered by fields, numbers as numbers and text as text, files
// without a value last, ties in the order the files came.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/field_value.h"
#include "host/file_expression.h"

struct SortKey {
    int field;
    bool descending;
};

// list is comma-separated fields, each named as the resolver names them and
// prefixed with '-' to sort descending. On a fault returns false and says
// why in error.
bool ParseSortKeys(const std::string& list, const FieldResolver& fields, std::vector<SortKey>& keys,
                   std::string& error);

// A file's values of the sort keys, in key order, made comparable once when
// the file is read rather than at every comparison; nothing for a key the
// file has no value for.
using SortValues = std::vector<std::optional<ComparableValue>>;
SortValues SortValuesOf(const std::vector<FieldValue>& values, const std::vector<SortKey>& keys);

// Whether a file goes before another. Numbers compare as numbers and come
// before text, text compares without regard to ASCII case, and a missing
// value goes last whichever the direction; equal files keep their order
// under a stable sort.
bool SortsBefore(const SortValues& a, const SortValues& b, const std::vector<SortKey>& keys);
