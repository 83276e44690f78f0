// midifields: prints the plug-in's fields for MIDI files named on the
// command line or found in folders. The plug-in is loaded at run time and
// used only through its four exports, exactly as a host program uses it.
#include "host/run_host.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <thread>

#include "host/detect_expression.h"
#include "host/field_selection.h"
#include "host/file_walk.h"
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

// What reading one file gave: either a reason it could not be read, or a
// value for each catalogue field (unset for fields not asked for).
struct FileOutcome {
    std::string error;
    std::vector<FieldValue> values;
};

void Complain(const std::string& message) { std::fprintf(stderr, "midifields: %s\n", message.c_str()); }

// The plug-in reads a file it cannot open as "every field empty", which
// would look like "not a MIDI file"; trying to open it tells the two apart.
bool CanOpen(const fs::path& path, std::string& reason) {
    std::FILE* file = OpenForReading(path);
    if (file == nullptr) {
        reason = std::strerror(errno);
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
        outcome.error = PathForMessage(path) + ": the file name is not valid UTF-8, so it cannot be passed to the plug-in";
        return outcome;
    }
    outcome.values.resize(wanted.size());
    for (std::size_t index = 0; index < wanted.size(); ++index)
        if (wanted[index]) outcome.values[index] = ReadFieldValue(plugin, widePath, static_cast<int>(index));
    // Only a file that gave nothing can be one the plug-in could not open;
    // a file with any value needs no second look.
    std::string reason;
    if (!AnyValue(outcome.values) && !CanOpen(path, reason)) {
        outcome.values.clear();
        outcome.error = PathForMessage(path) + ": " + reason;
    }
    return outcome;
}

// The playing-time field, found by its exact catalogue name, or -1.
int DurationField(const std::vector<std::string>& catalogue) {
    const auto found = std::find(catalogue.begin(), catalogue.end(), "MIDI Duration (sec)");
    return found != catalogue.end() ? static_cast<int>(found - catalogue.begin()) : -1;
}

}  // namespace

int RunHost(const std::vector<std::string>& arguments) {
    HostOptions options;
    std::string error;
    switch (ParseOptions(arguments, options, error)) {
        case ParseOutcome::kDone: return 0;
        case ParseOutcome::kUsageError:
            Complain(error + " (try 'midifields --help')");
            return kExitUsage;
        case ParseOutcome::kRun: break;
    }

    Plugin plugin;
    const std::string pluginPath = options.pluginPath.value_or(DefaultPluginPath());
    if (!LoadPlugin(pluginPath, plugin, error)) {
        Complain(error);
        return kExitProblem;
    }
    const std::vector<std::string> catalogue = ReadCatalogue(plugin);
    if (options.listFields) {
        for (std::size_t i = 0; i < catalogue.size(); ++i) std::printf("%zu\t%s\n", i, catalogue[i].c_str());
        return 0;
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
    const std::unique_ptr<DetectExpression> detect = DetectExpression::Parse(detectText, error);
    if (detect == nullptr) {
        Complain("cannot use the plug-in's detection expression: " + error);
        return kExitProblem;
    }

    int status = 0;
    RunTotals totals;
    std::vector<fs::path> paths;
    for (const std::string& argument : options.paths) paths.push_back(PathFromUtf8(argument));
    WalkOptions walkOptions;
    walkOptions.recurse = options.recurse;
    walkOptions.accept = [&detect](const fs::path& name) {
        std::string text;
        // A name that is not UTF-8 is taken when its extension is wanted, so
        // it is reported rather than silently skipped.
        PathToUtf8(name, text);
        return detect->Accepts(text);
    };
    const WalkResult walk = WalkPaths(paths, walkOptions);
    for (const WalkProblem& problem : walk.problems) {
        Complain(PathForMessage(problem.path) + ": " + problem.reason);
        ++totals.errors;
        status = kExitProblem;
    }

    // Every field when the summary needs them, else only those shown.
    std::vector<bool> wanted(catalogue.size(), options.summary);
    for (int index : selected) wanted[static_cast<std::size_t>(index)] = true;
    const int durationField = DurationField(catalogue);

    std::vector<std::string> columns;
    for (int index : selected) columns.push_back(catalogue[static_cast<std::size_t>(index)]);
    const bool stdoutIsTerminal = IsTerminal(stdout);
    const OutputFormat format = options.format.value_or(stdoutIsTerminal ? OutputFormat::kTable : OutputFormat::kTsv);
    std::ios::sync_with_stdio(false);
    const std::unique_ptr<RowWriter> writer = MakeRowWriter(format, std::cout);
    writer->Begin(columns);

    ProgressLine progress(walk.files.size(), IsTerminal(stderr));
    const unsigned jobs = options.jobs > 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    std::vector<FieldValue> row;
    RunOrdered<FileOutcome>(
        walk.files.size(), jobs,
        [&](std::size_t index) { return ReadFile(plugin, walk.files[index], wanted); },
        [&](std::size_t index, FileOutcome& outcome) {
            if (!outcome.error.empty()) {
                progress.Clear();
                Complain(outcome.error);
                ++totals.errors;
                status = kExitProblem;
            } else {
                row.clear();
                for (int field : selected) row.push_back(outcome.values[static_cast<std::size_t>(field)]);
                // Rows and the progress line may share one terminal.
                if (stdoutIsTerminal && format != OutputFormat::kTable) progress.Clear();
                writer->Row(PathForMessage(walk.files[index]), row);
                if (stdoutIsTerminal && format != OutputFormat::kTable) std::cout.flush();
                totals.AddFile(!AnyValue(outcome.values),
                               durationField >= 0 ? outcome.values[static_cast<std::size_t>(durationField)]
                                                  : std::nullopt);
            }
            progress.Update(index + 1);
        },
        [&](std::size_t done) { progress.Update(done); });
    progress.Clear();
    writer->End();

    if (options.summary) {
        // The machine formats keep stdout parseable; the table is for
        // reading, so its totals follow it.
        const std::string text = FormatTotals(totals);
        if (format == OutputFormat::kTable) {
            std::cout << '\n' << text;
            std::cout.flush();
        } else {
            std::fputs(text.c_str(), stderr);
        }
    }
    // A full disk or closed pipe must not pass for a finished catalogue.
    std::cout.flush();
    if (!std::cout) {
        Complain("cannot write the output");
        return kExitProblem;
    }
    return status;
}
