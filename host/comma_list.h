// The comma-separated lists of the command line: --fields, --sort, --ext.
#pragma once

#include <string>
#include <vector>

// The items of list, the blanks around each trimmed; an empty item (",,",
// a trailing comma) stays in as "", for the caller to refuse.
std::vector<std::string> CommaListItems(const std::string& list);
