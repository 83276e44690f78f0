// --sort: rows ordered by fields, numbers as numbers and text as text, files
// without a value last, ties in the order the files came.
#pragma once

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

// Whether a file with values a goes before one with values b (values by
// field index). Numbers compare as numbers and come before text, text
// compares without regard to ASCII case, and a missing value goes last
// whichever the direction; equal files keep their order under a stable sort.
bool SortsBefore(const std::vector<FieldValue>& a, const std::vector<FieldValue>& b,
                 const std::vector<SortKey>& keys);
