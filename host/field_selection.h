// --fields: which catalogue fields to show, and in which order.
#pragma once

#include <string>
#include <vector>

// list is comma-separated; each item is a field's catalogue name (any case,
// surrounding blanks ignored) or its index. Returns the indexes in the order
// given; on an unknown item returns false and names it in error.
bool SelectFields(const std::string& list, const std::vector<std::string>& catalogue, std::vector<int>& selected,
                  std::string& error);

// The names without the leading words that every one of them shares
// ("MIDI " for this plug-in), for headers people read; unchanged when
// nothing is shared or a name would be left empty.
std::vector<std::string> ShortFieldNames(const std::vector<std::string>& catalogue);
