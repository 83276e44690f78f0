// midifields: prints the plug-in's fields for MIDI files named on the
// command line, listed in a file or found in folders. The plug-in is loaded
// at run time and used only through its four exports, exactly as a host
// program uses it.
#include "host/run_host.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <thread>

#include "host/field_selection.h"
#include "host/file_expression.h"
#include "host/file_feed.h"
#include "host/options.h"
#include "host/ordered_work.h"
#include "host/output_format.h"
#include "host/path_text.h"
#include "host/plugin_fields.h"
#include "host/plugin_loader.h"
#include "host/progress_line.h"
#include "host/run_totals.h"
#include "host/system.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitProblem = 1;
constexpr int kExitUsage = 2;
// Files read ahead of the output: what keeps a list of any length in
// bounded memory, while slow files still leave the workers busy.
constexpr std::size_t kReadAhead = 1024;

// What reading one file gave: either a reason it could not be read, or a
// value for each catalogue field (unset for fields not asked for).
struct FileOutcome {
    std::string error;
    std::vector<FieldValue> values;
};

void Complain(const std::string& message) { std::fprintf(stderr, "midifields: %s\n", message.c_str()); }

std::string ErrnoText() { return ReasonText(std::error_code(errno, std::generic_category())); }

// A full disk or a closed pipe must not pass for a finished catalogue: the
// first failed write is reported, with the system's reason, and ends the run.
bool OutputFailed() {
    if (std::cout) return false;
    Complain("standard output: " + ErrnoText());
    return true;
}

int ExitAfterWriting() {
    std::cout.flush();
    return OutputFailed() ? kExitProblem : 0;
}

// The plug-in reads a file it cannot open as "every field empty", which
// would look like "not a MIDI file"; trying to open it tells the two apart.
bool CanOpen(const fs::path& path, std::string& reason) {
    std::FILE* file = OpenForReading(path);
    if (file == nullptr) {
        reason = ErrnoText();
        return false;
    }
    std::fclose(file);
    return true;
}

bool AnyValue(const std::vector<FieldValue>& values) {
    return std::any_of(values.begin(), values.end(), [](const FieldValue& value) { return value.has_value(); });
}

FileOutcome ReadFile(const Plugin& plugin, const fs::path& path, const std::vector<bool>& wanted) {
    FileOutcome outcome;
    std::u16string widePath;
    if (!PathToUtf16(path, widePath)) {
        outcome.error = "the file name is not valid UTF-8, so it cannot be passed to the plug-in";
        return outcome;
    }
    outcome.values.resize(wanted.size());
    for (std::size_t index = 0; index < wanted.size(); ++index)
        if (wanted[index]) outcome.values[index] = ReadFieldValue(plugin, widePath, static_cast<int>(index));
    // Only a file that gave nothing can be one the plug-in could not open;
    // a file with any value needs no second look.
    if (!AnyValue(outcome.values) && !CanOpen(path, outcome.error)) outcome.values.clear();
    return outcome;
}

// The playing-time field, found by its exact catalogue name, or -1.
int DurationField(const std::vector<std::string>& catalogue) {
    const auto found = std::find(catalogue.begin(), catalogue.end(), "MIDI Duration (sec)");
    return found != catalogue.end() ? static_cast<int>(found - catalogue.begin()) : -1;
}

// The columns the table and the list fit: the terminal's, else the COLUMNS
// environment value, else no limit.
std::size_t OutputWidth() {
    if (const std::size_t width = TerminalWidth(stdout)) return width;
    const char* columns = std::getenv("COLUMNS");
    return columns != nullptr ? std::strtoul(columns, nullptr, 10) : 0;
}

}  // namespace

int RunHost(const std::vector<std::string>& arguments) {
    std::ios::sync_with_stdio(false);
    HostOptions options;
    std::string error;
    switch (ParseOptions(arguments, options, error, std::cout)) {
        case ParseOutcome::kDone: return ExitAfterWriting();
        case ParseOutcome::kUsageError:
            Complain(error + " (try 'midifields --help')");
            return kExitUsage;
        case ParseOutcome::kRun: break;
    }

    if (options.version) std::cout << "midifields " MIDIFIELDS_VERSION "\n";
    Plugin plugin;
    const std::string pluginPath = options.pluginPath.value_or(DefaultPluginPath());
    if (!LoadPlugin(pluginPath, plugin, error)) {
        std::cout.flush();
        Complain(error);
        return kExitProblem;
    }
    if (options.version) {
        std::cout << "plug-in: " << pluginPath << '\n';
        return ExitAfterWriting();
    }
    const std::vector<std::string> catalogue = ReadCatalogue(plugin);
    if (options.listFields) {
        for (std::size_t i = 0; i < catalogue.size(); ++i) std::cout << i << '\t' << catalogue[i] << '\n';
        return ExitAfterWriting();
    }

    std::vector<int> selected;
    if (options.fields) {
        if (!SelectFields(*options.fields, catalogue, selected, error)) {
            Complain(error + " (try 'midifields --help')");
            return kExitUsage;
        }
    } else {
        for (std::size_t i = 0; i < catalogue.size(); ++i) selected.push_back(static_cast<int>(i));
    }

    const std::string detectText = ReadDetectString(plugin);
    ExpressionError detectError;
    const std::unique_ptr<FileExpression> detect = FileExpression::Parse(detectText, nullptr, detectError);
    if (detect == nullptr) {
        Complain("cannot use the plug-in's detection expression: " + DescribeExpressionError(detectText, detectError));
        return kExitProblem;
    }

    // The list's paths are read as the run goes, never all at once.
    std::ifstream listFile;
    std::istream* list = nullptr;
    std::string listName;
    if (options.filesFrom) {
        listName = *options.filesFrom == "-" ? "standard input" : *options.filesFrom;
        list = &std::cin;
        if (*options.filesFrom != "-") {
            listFile.open(PathFromUtf8(*options.filesFrom), std::ios::binary);
            if (!listFile) {
                Complain(listName + ": " + ErrnoText());
                return kExitProblem;
            }
            list = &listFile;
        }
    }

    int status = 0;
    RunTotals totals;
    WalkOptions walkOptions;
    walkOptions.recurse = options.recurse;
    if (!options.allFiles) {
        walkOptions.accept = [&detect](const fs::path& name) {
            std::string text;
            // A name that is not UTF-8 is taken when its extension is wanted,
            // so it is reported rather than silently skipped.
            PathToUtf8(name, text);
            return detect->Accepts(text);
        };
    }
    FileFeed feed(std::move(walkOptions), options.paths, list, options.nullSeparated ? '\0' : '\n');

    // Every field when the summary needs them, else only those shown.
    std::vector<bool> wanted(catalogue.size(), options.summary);
    for (int index : selected) wanted[static_cast<std::size_t>(index)] = true;
    const int durationField = DurationField(catalogue);

    const bool stdoutIsTerminal = IsTerminal(stdout);
    const OutputFormat format = options.format.value_or(stdoutIsTerminal ? OutputFormat::kTable : OutputFormat::kTsv);
    const bool forPeople = format == OutputFormat::kTable || format == OutputFormat::kList;
    // People read the names without the words all of them share.
    const std::vector<std::string> names = forPeople ? ShortFieldNames(catalogue) : catalogue;
    std::vector<std::string> columns;
    for (int index : selected) columns.push_back(names[static_cast<std::size_t>(index)]);
    const std::unique_ptr<RowWriter> writer = MakeRowWriter(format, std::cout, forPeople ? OutputWidth() : 0);
    writer->Begin(columns);
    bool writeFailed = false;

    ProgressLine progress(feed.KnownTotal(), IsTerminal(stderr));
    const unsigned jobs = options.jobs > 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    std::size_t done = 0;
    std::vector<FieldValue> row;
    RunOrdered<WalkEntry, FileOutcome>(
        jobs, kReadAhead, [&feed](WalkEntry& entry) { return feed.Next(entry); },
        [&](const WalkEntry& entry) {
            return entry.problem.empty() ? ReadFile(plugin, entry.path, wanted) : FileOutcome{entry.problem, {}};
        },
        [&](WalkEntry& entry, FileOutcome& outcome) {
            if (!outcome.error.empty()) {
                progress.Clear();
                Complain(PathForMessage(entry.path) + ": " + outcome.error);
                ++totals.errors;
                status = kExitProblem;
            } else {
                row.clear();
                for (int field : selected) row.push_back(outcome.values[static_cast<std::size_t>(field)]);
                // Rows and the progress line may share one terminal.
                if (stdoutIsTerminal && format != OutputFormat::kTable) progress.Clear();
                writer->Row(PathForMessage(entry.path), row);
                if (stdoutIsTerminal && format != OutputFormat::kTable) std::cout.flush();
                if (OutputFailed()) {
                    writeFailed = true;
                    return false;
                }
                totals.AddFile(!AnyValue(outcome.values),
                               durationField >= 0 ? outcome.values[static_cast<std::size_t>(durationField)]
                                                  : std::nullopt);
            }
            progress.Update(++done);
            return true;
        },
        [&](std::size_t) { progress.Update(done); });
    progress.Clear();
    if (writeFailed) return kExitProblem;
    writer->End();
    if (OutputFailed()) return kExitProblem;
    if (list != nullptr && list->bad()) {
        Complain(listName + ": read error");
        status = kExitProblem;
    }

    if (totals.filesRead == 0) {
        // Nothing to show: say why, rather than leave a bare header.
        const std::string found = options.allFiles ? ": no files found" : ": no MIDI files found";
        for (const auto& [folder, skipped] : feed.EmptyPaths())
            Complain(folder + found +
                     (skipped == 0 ? "" : " (" + std::to_string(skipped) + (skipped == 1 ? " other file" : " other files") +
                                         "; --all-files reads them)"));
        if (list != nullptr && feed.Listed() == 0) Complain(listName + ": no paths listed");
        status = kExitProblem;
    }
    if (options.summary) {
        totals.skipped = feed.Skipped();
        // The machine formats keep stdout parseable; the table and the list
        // are for reading, so their totals follow them.
        const std::string text = FormatTotals(totals);
        if (forPeople) std::cout << '\n' << text;
        else std::fputs(text.c_str(), stderr);
    }
    return ExitAfterWriting() == 0 ? status : kExitProblem;
}
