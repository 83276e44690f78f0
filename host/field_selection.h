// Fields named as people write them: --fields, --where and --sort take a
// field's catalogue name, its headers in the table (host/output/
// display_names.h), a word or prefix of those, or an index; and "status",
// the column the program adds after the catalogue's fields
// (host/read_status.h), whose index is the catalogue's size.
#pragma once

#include <string>
#include <vector>

#include "host/field_value.h"

// list is comma-separated; each item (any case, surrounding blanks ignored)
// is a field's index, its catalogue name, its header in the table (short
// or wrapped), or any word or prefix of those that picks one field
// ("duration", "key", "bpm"). Returns the indexes in the order given; on an
// item that picks no field, or several, returns false and says so in error
// (naming the candidates).
bool SelectFields(const std::string& list, const std::vector<std::string>& catalogue, std::vector<int>& selected,
                  std::string& error);

// One field named as --fields names it: its index, or false with the reason
// (no such field, or the candidates of an ambiguous word) in error.
bool FindField(const std::string& item, const std::vector<std::string>& catalogue, int& index, std::string& error);

// What the values of the column at index are: the status and the
// signatures are text, this plug-in's other fields numbers; a field of
// another name is not known.
FieldKind ColumnKind(const std::vector<std::string>& catalogue, int index);
