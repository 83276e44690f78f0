// The command line: midifields [options] PATH...
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host/output/output_format.h"

struct HostOptions {
    std::vector<std::string> paths;
    std::optional<OutputFormat> format;  // unset: table on a terminal, else tsv
    std::optional<std::string> fields;   // unset: every field
    std::optional<std::string> where;    // only files whose fields satisfy this expression
    std::optional<std::string> sort;     // fields to order the rows by, "-" before one for descending
    std::optional<std::string> pluginPath;
    std::optional<std::string> filesFrom;  // a list of paths; "-" is standard input
    bool nullSeparated = false;            // the list's paths end in NUL, not a line break
    unsigned jobs = 0;                     // 0: one per core
    std::vector<std::string> extensions;   // --ext: taken in folders besides the plug-in's own
    bool listFields = false;
    bool version = false;
    bool summary = false;
    bool recurse = true;
    bool allFiles = false;  // in folders, every file, not only the plug-in's extensions
};

enum class ParseOutcome { kRun, kDone, kUsageError };

// Parses the arguments after the program name. kDone means help was asked
// for and printed to out (whose state then tells whether that worked);
// kUsageError leaves a one-line reason in error, in the words of the
// program's other messages.
ParseOutcome ParseOptions(const std::vector<std::string>& arguments, HostOptions& options, std::string& error,
                          std::ostream& out);
