#include "host/file_reading.h"

#include <algorithm>

#include "host/reason_text.h"
#include "host/system.h"

namespace {

// A file that could not be opened reads as "every field empty", which would
// look like "not a MIDI file"; trying to open it tells the two apart.
bool CanOpen(const std::filesystem::path& path, std::string& problem) {
    std::error_code error;
    if (CanOpenForReading(path, error)) return true;
    problem = ReasonText(error);
    return false;
}

}  // namespace

bool AllEmpty(const std::vector<FieldValue>& values) {
    return std::none_of(values.begin(), values.end(), [](const FieldValue& value) { return value.has_value(); });
}

FileOutcome ReadFile(const FieldSource& source, const std::filesystem::path& path, const std::vector<bool>& wanted) {
    FileValues read = ReadFileValues(source, path, wanted);
    FileOutcome outcome{std::move(read.problem), std::move(read.values)};
    if (outcome.problem.empty() && !read.opened && !CanOpen(path, outcome.problem)) outcome.values.clear();
    return outcome;
}
