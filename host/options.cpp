#include "host/options.h"

#include <CLI/CLI.hpp>

#include <iostream>

ParseOutcome ParseOptions(const std::vector<std::string>& arguments, HostOptions& options, std::string& error) {
    CLI::App app("Prints the properties of MIDI files, read by the midifields plug-in.", "midifields");
    app.add_option("PATH", options.paths, "Files and folders; folders are searched for MIDI files");
    std::string format;
    app.add_option("--format", format, "Output: table (default on a terminal), tsv (default otherwise), csv, json")
        ->check(CLI::IsMember({"table", "tsv", "csv", "json"}));
    std::string fields;
    app.add_option("--fields", fields, "Comma-separated field names or indexes, in the order to show them");
    app.add_flag("--list-fields", options.listFields, "Print the plug-in's fields and exit");
    std::string plugin;
    app.add_option("--plugin", plugin, "The plug-in library to load (default: the one beside this program)");
    app.add_option("-j,--jobs", options.jobs, "Worker threads (default: one per core)")->check(CLI::Range(1, 1024));
    app.add_flag("--summary", options.summary, "After the rows, print files read, files not MIDI, total playing time");
    bool noRecurse = false;
    app.add_flag("--no-recurse", noRecurse, "Read only the first level of each folder");

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return ParseOutcome::kDone;
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return ParseOutcome::kUsageError;
    }
    if (options.paths.empty() && !options.listFields) {
        error = "no PATH given";
        return ParseOutcome::kUsageError;
    }
    if (app.count("--format") > 0) {
        OutputFormat parsed{};
        ParseOutputFormat(format, parsed);
        options.format = parsed;
    }
    if (app.count("--fields") > 0) options.fields = fields;
    if (app.count("--plugin") > 0) options.pluginPath = plugin;
    options.recurse = !noRecurse;
    return ParseOutcome::kRun;
}
