#include "host/options.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace {

// "-j, --jobs N": the names a blank apart, then the argument's name.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_option_name(const CLI::Option* option, bool positional) const override {
        std::string names = CLI::Formatter::make_option_name(option, positional);
        for (std::size_t at = names.find(','); at != std::string::npos; at = names.find(',', at + 2))
            names.insert(at + 1, " ");
        return names;
    }
};

}  // namespace

ParseOutcome ParseOptions(const std::vector<std::string>& arguments, HostOptions& options, std::string& error,
                          std::ostream& out) {
    CLI::App app("Prints the properties of MIDI files, read by the midifields plug-in.", "midifields");
    auto formatter = std::make_shared<HelpFormatter>();
    formatter->column_width(22);
    app.formatter(formatter);
    app.set_help_flag("-h,--help", "Print this help and exit");
    app.footer(
        "In tsv output a tab, line feed or carriage return is written \\t, \\n, \\r, and a\n"
        "backslash is doubled only before t, n, r, a backslash or one of those three.\n"
        "Exit status: 0 all read; 1 a path not read, nothing found or output failed;\n"
        "2 a usage error.");
    app.add_option("PATH", options.paths, "Files and folders; folders are searched for MIDI files")
        ->option_text("...");
    app.add_flag("--version", options.version, "Print the version and the plug-in file, and exit");
    std::string format;
    app.add_option("--format", format, "table (default on a terminal; a list when it does not\nfit), list, tsv (default otherwise), csv, json")
        ->option_text("FORMAT")
        ->check([](const std::string& name) {
            OutputFormat parsed{};
            return ParseOutputFormat(name, parsed) ? "" : name + " is not one of table, list, tsv, csv, json";
        });
    std::string fields;
    app.add_option("--fields", fields, "Comma-separated field names or indexes, in order")->option_text("LIST");
    app.add_flag("--list-fields", options.listFields, "Print the plug-in's fields and exit");
    std::string filesFrom;
    app.add_option("--files-from", filesFrom, "Also read the paths in FILE (- for standard input),\none a line")
        ->option_text("FILE");
    app.add_flag("-0,--null", options.nullSeparated, "The paths in the --files-from list end in NUL, not a\nline break");
    app.add_flag("--all-files", options.allFiles, "In folders, read every file, not only MIDI extensions");
    bool noRecurse = false;
    app.add_flag("--no-recurse", noRecurse, "Read only the first level of each folder");
    app.add_option("-j,--jobs", options.jobs, "Worker threads, 1 to 1024 (default: one per core)")
        ->option_text("N")
        ->check([](const std::string& text) {
            const bool number = !text.empty() && text.size() <= 4 && text.find_first_not_of("0123456789") == std::string::npos;
            return number && std::stoi(text) >= 1 && std::stoi(text) <= 1024 ? "" : text + " is not a number from 1 to 1024";
        });
    app.add_flag("--summary", options.summary,
                 "After the rows: files read, not MIDI, not readable,\nskipped by extension, total playing time (on stdout\n"
                 "after a table or list, else on stderr)");
    std::string plugin;
    app.add_option("--plugin", plugin, "The plug-in library to load (default: the one\nbeside this program)")
        ->option_text("FILE");

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return ParseOutcome::kDone;
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return ParseOutcome::kUsageError;
    }
    if (app.count("--files-from") > 0) options.filesFrom = filesFrom;
    if (options.paths.empty() && !options.filesFrom && !options.listFields && !options.version) {
        error = "no PATH given";
        return ParseOutcome::kUsageError;
    }
    if (options.nullSeparated && !options.filesFrom) {
        error = "-0 applies to --files-from, which is not given";
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
