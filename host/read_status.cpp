#include "host/read_status.h"

std::string StatusText(const std::string& problem, bool anyValue) {
    if (!problem.empty()) return problem;
    return anyValue ? kStatusOk : kStatusNotMidi;
}
