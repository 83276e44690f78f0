#include "host/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>

#include "host/comma_list.h"
#include "host/reason_text.h"
#include "host/text_encoding.h"

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
    // The argument's name alone, never CLI11's notes ("Needs: --files-from"):
    // the descriptions say that in words.
    std::string make_option_opts(const CLI::Option* option) const override {
        const std::string& text = option->get_option_text();
        return text.empty() ? std::string() : " " + text;
    }
};

// A validator of CLI11's whose failure reads "VALUE <failure>", as the
// program's own messages do, rather than in the library's words.
CLI::Validator Worded(const CLI::Validator& check, const std::string& failure) {
    return CLI::Validator(
        [check, failure](std::string& value) {
            const std::string original = value;
            return check(value).empty() ? std::string() : original + " " + failure;
        },
        "");
}

// A parse error of CLI11 in the program's words: lower case, naming the
// option. Validation errors are worded above already.
std::string UsageText(const CLI::ParseError& error) {
    const std::string text = error.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr)
        return "unknown option or argument: " + text.substr(text.find(": ") + 2);
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr)
        return text.substr(0, text.find(':')) + " needs a value";
    if (dynamic_cast<const CLI::RequiresError*>(&error) != nullptr)
        return "-0 applies to --files-from, which is not given";
    return LowerCaseStart(text);
}

// Help text filled into lines of at most width columns, at its blanks.
std::string Wrapped(const std::string& text, std::size_t width) {
    std::string out;
    std::size_t lineStart = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t blank = std::min(text.find(' ', at), text.size());
        const std::string word = text.substr(at, blank - at);
        if (out.size() > lineStart && out.size() - lineStart + 1 + word.size() > width) {
            out += '\n';
            lineStart = out.size();
        } else if (out.size() > lineStart) {
            out += ' ';
        }
        out += word;
        at = blank + 1;
    }
    return out;
}

// The columns of an option's description in --help.
constexpr std::size_t kDescriptionWidth = 54;

std::string FormatHelp() {
    std::string text;
    for (const OutputFormatName& entry : kOutputFormats)
        text += (text.empty() ? "" : ", ") + std::string(entry.name) + (*entry.note ? " (" + std::string(entry.note) + ")" : "");
    return Wrapped(text, kDescriptionWidth);
}

std::map<std::string, OutputFormat> FormatsByName() {
    std::map<std::string, OutputFormat> formats;
    for (const OutputFormatName& entry : kOutputFormats) formats.emplace(entry.name, entry.format);
    return formats;
}

// "kar, .KAR,mid" -> kar, KAR, mid: the dots and blanks people add dropped;
// false when an item is left empty.
bool SplitExtensions(const std::string& text, std::vector<std::string>& extensions) {
    extensions.clear();
    for (std::string item : CommaListItems(text)) {
        item.erase(0, item.find_first_not_of(" ."));
        if (item.empty()) return false;
        extensions.push_back(item);
    }
    return true;
}

}  // namespace

ParseOutcome ParseOptions(const std::vector<std::string>& arguments, HostOptions& options, std::string& error,
                          std::ostream& out) {
    CLI::App app("Prints the properties of MIDI files, every field of a file from one read.", "midifields");
    auto formatter = std::make_shared<HelpFormatter>();
    formatter->column_width(22);
    app.formatter(formatter);
    app.set_help_flag("-h,--help", "Print this help and exit");
    // An option given twice takes its last value, as an alias followed by
    // a choice of the moment would have it.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.footer(
        "How the times are counted: the tempo (in BPM and in us/qn) is the last Set\n"
        "Tempo of any track; the duration plays the first track's tempo changes (120\n"
        "BPM before the first) to the end of the longest track. So a file whose only\n"
        "tempo sits in a later track shows that tempo, yet its duration is counted at\n"
        "120 BPM. The length is the longest track in ticks, at its End of Track; a\n"
        "track that ends at tick 0 gives no length and no duration.\n"
        "\n"
        "In tsv output a tab, line feed or carriage return in a value is written \\t,\n"
        "\\n, \\r; nothing else is escaped.\n"
        "Exit status: 0 all read; 1 a path not read, nothing found or output failed;\n"
        "2 a usage error.");
    app.add_option("PATH", options.paths,
                   Wrapped("Files, folders and archives (zip, tar); folders and archives are searched for MIDI files",
                           kDescriptionWidth))
        ->option_text("...");
    app.add_flag("--version", options.version, "Print the version and what reads the fields, and exit");
    OutputFormat format{};
    app.add_option("--format", format, FormatHelp())
        ->option_text("FORMAT")
        ->transform(Worded(CLI::CheckedTransformer(FormatsByName(), CLI::ignore_case),
                           "is not one of " + OutputFormatNames()));
    std::string fields;
    app.add_option("--fields", fields,
                   Wrapped("Comma-separated field names, words of them (duration, key, bpm) or indexes, in order; "
                           "status: ok, not MIDI or why the path was not read, which gives every path a row",
                           kDescriptionWidth))
        ->option_text("LIST");
    std::string where;
    app.add_option("--where", where,
                   "Only files whose fields satisfy EXPRESSION, e.g.\n'duration > 120 & time = \"3/4\"' or "
                   "'!has(key)'\n(see the manual page)")
        ->option_text("EXPRESSION");
    std::string sort;
    app.add_option("--sort", sort,
                   "Rows in the order of these fields, numbers by value;\n-FIELD descending; files without a value "
                   "last. Holds\nevery row until the end: output no longer streams")
        ->option_text("LIST");
    app.add_flag("--list-fields", options.listFields, "Print the fields and exit");
    std::string filesFrom;
    CLI::Option* filesFromOption =
        app.add_option("--files-from", filesFrom, "Also read the paths in FILE (- for standard input),\none a line")
            ->option_text("FILE");
    app.add_flag("-0,--null", options.nullSeparated, "The paths in the --files-from list end in NUL, not a\nline break (needs --files-from)")
        ->needs(filesFromOption);
    std::string extensions;
    app.add_option("--ext", extensions, "In folders, also read files with these extensions\n(comma-separated, e.g. kar)")
        ->option_text("LIST")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::vector<std::string> ignored;
                return SplitExtensions(text, ignored) ? "" : text + " is not a comma-separated list of extensions";
            },
            ""));
    app.add_flag("--all-files", options.allFiles, "In folders, read every file, not only MIDI extensions");
    bool noRecurse = false;
    app.add_flag("--no-recurse", noRecurse, "Read only the first level of each folder");
    app.add_option("-j,--jobs", options.jobs, "Worker threads, 1 to 1024 (default: one per core)")
        ->option_text("N")
        ->check(Worded(CLI::Range(1, 1024), "is not a number from 1 to 1024"));
    app.add_flag("--summary", options.summary,
                 "After the rows: files read, not MIDI, not readable,\nskipped by extension, total playing time and "
                 "files\nwithout one (on stdout after a table or list, else on\nstderr)");
    std::string plugin;
    app.add_option("--plugin", plugin, "Read through this plug-in library's exports, a\nrequest a field, as host programs do")
        ->option_text("FILE");

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return ParseOutcome::kDone;
    } catch (const CLI::ParseError& e) {
        error = UsageText(e);
        return ParseOutcome::kUsageError;
    }
    if (options.paths.empty() && !filesFromOption->count() && !options.listFields && !options.version) {
        error = "no PATH given";
        return ParseOutcome::kUsageError;
    }
    if (filesFromOption->count() > 0) options.filesFrom = filesFrom;
    if (app.count("--format") > 0) options.format = format;
    if (app.count("--fields") > 0) options.fields = fields;
    if (app.count("--where") > 0) options.where = where;
    if (app.count("--sort") > 0) options.sort = sort;
    if (app.count("--plugin") > 0) options.pluginPath = plugin;
    if (app.count("--ext") > 0) SplitExtensions(extensions, options.extensions);
    options.recurse = !noRecurse;
    return ParseOutcome::kRun;
}
