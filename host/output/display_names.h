// Field names as people read them in the table and the list: without the
// words every name shares, and abbreviated for a narrow terminal. The
// table prints these forms and --fields takes them, so both use this.
#pragma once

#include <string>
#include <vector>

// The names without the leading words that every one of them shares
// ("MIDI " for this plug-in), for headers people read; unchanged when
// nothing is shared or a name would be left empty.
std::vector<std::string> ShortFieldNames(const std::vector<std::string>& catalogue);

// A short name with its long words abbreviated ("Time Sig", "Dur (sec)"),
// for a table in a narrow terminal.
std::string CompactFieldName(const std::string& shortName);
