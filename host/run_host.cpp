// midifields: prints the fields of MIDI files named on the command line,
// listed in a file or found in folders. Each file is read once, every field
// from one scan, by the records code linked in; with --plugin, a plug-in
// library is loaded at run time and used only through its four exports,
// exactly as a host program uses it.
#include "host/run_host.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <thread>

#include "host/archive_reader.h"
#include "host/field_selection.h"
#include "host/file_expression.h"
#include "host/file_feed.h"
#include "host/file_reading.h"
#include "host/options.h"
#include "host/output/display_names.h"
#include "host/output/output_format.h"
#include "host/output/terminal_text.h"
#include "host/ordered_work.h"
#include "host/path_text.h"
#include "host/progress_line.h"
#include "host/read_status.h"
#include "host/reason_text.h"
#include "host/row_order.h"
#include "host/run_totals.h"
#include "host/system.h"
#include "host/text_encoding.h"
#include "plugin/field_catalogue.h"

namespace fs = std::filesystem;

namespace {

// A plug-in reads files by their paths: an archive named with --plugin.
constexpr const char* kArchiveThroughPlugin =
    "an archive, whose members a plug-in cannot read (it reads files by their paths): read it without --plugin";

constexpr int kExitProblem = 1;
constexpr int kExitUsage = 2;
// Files read ahead of the output: what keeps a list or a tree of any size
// in bounded memory, while slow files still leave the workers busy.
constexpr std::size_t kReadAhead = 1024;

// Every message goes out here. Whatever it quotes (a path, an expression,
// an option's value, a system's words) no control character reaches the
// terminal: each line is made printable on its own, as paths already are.
void Complain(const std::string& message) {
    std::string lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = message.find('\n', start);
        lines += PrintableText(message.substr(start, end == std::string::npos ? end : end - start), StandIn::kEscapedBytes);
        if (end == std::string::npos) break;
        lines += '\n';
        start = end + 1;
    }
    std::fprintf(stderr, "midifields: %s\n", lines.c_str());
}

void ComplainOfUsage(const std::string& message) { Complain(message + " (try 'midifields --help')"); }

// A full disk or a closed pipe must not pass for a finished catalogue: the
// first failed write is reported, with the system's reason, and ends the run.
bool OutputFailed() {
    if (std::cout) return false;
    Complain("standard output: " + ReasonText(std::error_code(errno, std::generic_category())));
    return true;
}

int ExitAfterWriting() {
    std::cout.flush();
    return OutputFailed() ? kExitProblem : 0;
}

// The playing-time field, found by the plug-in's name for it, or -1.
int DurationField(const std::vector<std::string>& catalogue) {
    const auto found = std::find(catalogue.begin(), catalogue.end(), Utf16ToUtf8(kFieldNames[kFieldDurationSeconds]));
    return found != catalogue.end() ? static_cast<int>(found - catalogue.begin()) : -1;
}

// The columns the table and the list fit: the terminal's, else the COLUMNS
// environment value, else no limit.
std::size_t OutputWidth() {
    if (const std::size_t width = TerminalWidth(stdout)) return width;
    const char* columns = std::getenv("COLUMNS");
    return columns != nullptr ? std::strtoul(columns, nullptr, 10) : 0;
}

// One run, step by step: each step returns nothing to go on, or the exit
// status that ends the run.
class HostRun {
public:
    explicit HostRun(HostOptions options) : options_(std::move(options)) {}
    int Run();

private:
    std::optional<int> OpenFieldSource();
    int PrintFieldSource();
    int PrintFieldList();
    std::optional<int> ReadDetectionExpression();
    std::optional<int> ChooseFields();
    std::optional<int> ParseWhereAndSort();
    void MarkFieldsRead();
    // The status column's index, after the catalogue's fields.
    int StatusColumn() const { return static_cast<int>(catalogue_.size()); }
    std::optional<int> OpenList();
    void MakeFeed();
    void StartOutput();
    void ReadFiles();
    bool EmitRow(const WalkEntry& entry, FileOutcome& outcome);
    void ReportProblem(const fs::path& path, const std::string& problem);
    bool Matches(const fs::path& path, const std::vector<FieldValue>& values) const;
    void Count(bool midi, const std::vector<FieldValue>& values, bool shown);
    void Hold(std::string path, std::vector<FieldValue> values);
    bool WriteRow(const std::string& path, const std::vector<FieldValue>& values);
    void WriteSortedRows();
    void ReportEnd();
    void ReportList();
    void ReportNamesPassedOver();
    void ReportNothingRead();
    void PrintSummary();

    // A row kept for --sort: the path as shown, every field read and the
    // status, and the values of the sort keys.
    struct HeldRow {
        std::string path;
        std::vector<FieldValue> values;
        SortValues sortValues;
    };

    HostOptions options_;
    FieldSource source_;
    std::vector<std::string> catalogue_;
    std::vector<int> selected_;
    std::vector<bool> wanted_;  // per catalogue field: read from each file
    bool statusNamed_ = false;  // by --fields, --where or --sort
    int durationField_ = -1;    // the playing time's index in the catalogue
    std::ifstream listFile_;
    std::istream* list_ = nullptr;
    std::string listName_;  // as a message names it
    std::unique_ptr<FileExpression> detect_;
    std::unique_ptr<FileExpression> where_;  // --where, or null
    std::vector<SortKey> sortKeys_;          // --sort, or empty
    std::vector<HeldRow> heldRows_;
    std::optional<FileFeed> feed_;
    std::function<bool(const fs::path&)> walkAccepts_;  // the names taken in folders; unset: every one
    OutputFormat format_ = OutputFormat::kTsv;
    bool stdoutIsTerminal_ = false;
    std::unique_ptr<RowWriter> writer_;
    std::optional<ProgressLine> progress_;
    RunTotals totals_;
    int status_ = 0;
    bool writeFailed_ = false;
};

int HostRun::Run() {
    if (options_.version) std::cout << "midifields " MIDIFIELDS_VERSION "\n";
    if (const auto end = OpenFieldSource()) return *end;
    if (options_.version) return PrintFieldSource();
    catalogue_ = ReadCatalogue(source_);
    if (options_.listFields) return PrintFieldList();
    if (const auto end = ReadDetectionExpression()) return *end;
    if (const auto end = ChooseFields()) return *end;
    if (const auto end = ParseWhereAndSort()) return *end;
    MarkFieldsRead();
    if (const auto end = OpenList()) return *end;
    MakeFeed();
    StartOutput();
    ReadFiles();
    if (!writeFailed_) WriteSortedRows();
    if (writeFailed_) return kExitProblem;
    writer_->End();
    if (OutputFailed()) return kExitProblem;
    ReportEnd();
    return ExitAfterWriting() == 0 ? status_ : kExitProblem;
}

// The records code linked in, or the plug-in named with --plugin: always
// loaded by its full path, so no search along the system's library path
// ever picks another file of that name.
std::optional<int> HostRun::OpenFieldSource() {
    if (!options_.pluginPath) return std::nullopt;
    source_.pluginPath = NamedPluginPath(*options_.pluginPath);
    std::string error;
    Plugin plugin;
    if (!LoadPlugin(source_.pluginPath, plugin, error)) {
        std::cout.flush();
        Complain(error);
        return kExitProblem;
    }
    source_.plugin = plugin;
    return std::nullopt;
}

int HostRun::PrintFieldSource() {
    if (source_.plugin)
        std::cout << "fields read by the plug-in " << PrintableText(source_.pluginPath, StandIn::kEscapedBytes)
                  << ", through its exports (a scan for each field)\n";
    else
        std::cout << "fields read by the program itself (every field of a file from one scan)\n";
    return ExitAfterWriting();
}

int HostRun::PrintFieldList() {
    for (std::size_t i = 0; i < catalogue_.size(); ++i) std::cout << i << '\t' << catalogue_[i] << '\n';
    return ExitAfterWriting();
}

std::optional<int> HostRun::ReadDetectionExpression() {
    const std::string detectText = ReadDetectString(source_);
    ExpressionError detectError;
    detect_ = FileExpression::Parse(detectText, nullptr, detectError);
    if (detect_ == nullptr) {
        Complain("cannot use the plug-in's detection expression: " + DescribeExpressionError(detectText, detectError));
        return kExitProblem;
    }
    return std::nullopt;
}

std::optional<int> HostRun::ChooseFields() {
    std::string error;
    if (!options_.fields) {
        for (std::size_t i = 0; i < catalogue_.size(); ++i) selected_.push_back(static_cast<int>(i));
    } else if (!SelectFields(*options_.fields, catalogue_, selected_, error)) {
        ComplainOfUsage(error);
        return kExitUsage;
    }
    return std::nullopt;
}

// --where and --sort name fields as --fields does.
std::optional<int> HostRun::ParseWhereAndSort() {
    const FieldResolver fields = [this](const std::string& name, NamedField& field, std::string& error) {
        if (!FindField(name, catalogue_, field.index, error)) return false;
        field.kind = ColumnKind(catalogue_, field.index);
        return true;
    };
    if (options_.where) {
        ExpressionError error;
        where_ = FileExpression::Parse(*options_.where, &fields, error);
        if (where_ == nullptr) {
            Complain("--where: " + DescribeExpressionError(*options_.where, error));
            return kExitUsage;
        }
    }
    if (options_.sort) {
        std::string error;
        if (!ParseSortKeys(*options_.sort, fields, sortKeys_, error)) {
            ComplainOfUsage(error);
            return kExitUsage;
        }
    }
    return std::nullopt;
}

// The fields read from every file, shown or not: those shown, and those
// --where and --sort read; every field when the summary or the status must
// tell a MIDI file from another. Naming the status anywhere gives every
// path a row, those that cannot be read too.
void HostRun::MarkFieldsRead() {
    std::vector<int> used = selected_;
    if (where_ != nullptr) where_->FieldsRead(used);
    for (const SortKey& key : sortKeys_) used.push_back(key.field);
    const int status = StatusColumn();
    statusNamed_ = std::find(used.begin(), used.end(), status) != used.end();
    wanted_.assign(catalogue_.size(), options_.summary || statusNamed_);
    for (int index : used)
        if (index != status) wanted_[static_cast<std::size_t>(index)] = true;
    durationField_ = DurationField(catalogue_);
}

// The list's paths are read as the run goes, never all at once.
std::optional<int> HostRun::OpenList() {
    if (!options_.filesFrom) return std::nullopt;
    const bool standardInput = *options_.filesFrom == "-";
    const std::filesystem::path listPath = PathFromUtf8(*options_.filesFrom);
    // Named as the list, not as one of the paths to read.
    listName_ = standardInput ? "standard input" : "--files-from " + PathForMessage(listPath);
    list_ = &std::cin;
    if (!standardInput) {
        // A folder opens on POSIX, and only its first read fails.
        std::error_code ignored;
        if (std::filesystem::is_directory(PathStatus(listPath, ignored))) {
            Complain(listName_ + ": a folder, not a list of paths");
            return kExitProblem;
        }
        listFile_.open(SystemPath(listPath), std::ios::binary);
        if (!listFile_) {
            Complain(listName_ + ": " + ReasonText(std::error_code(errno, std::generic_category())));
            return kExitProblem;
        }
        list_ = &listFile_;
    }
    return std::nullopt;
}

void HostRun::MakeFeed() {
    WalkOptions walkOptions;
    walkOptions.recurse = options_.recurse;
    const auto midiName = MidiNameTest(*detect_, options_.extensions);
    if (!options_.allFiles) {
        walkAccepts_ = midiName;
        walkOptions.accept = walkAccepts_;
    }
    walkOptions.midiName = midiName;
    // A plug-in reads files by their paths, not an archive's members.
    walkOptions.openArchives = ArchivesAreRead() && !source_.plugin;
    walkOptions.archiveProblem = source_.plugin ? kArchiveThroughPlugin : ArchivesNotReadReason();
    feed_.emplace(std::move(walkOptions), options_.paths, list_, options_.nullSeparated ? '\0' : '\n');
}

// The format (a table on a terminal, else tsv), its writer with the
// header written, and the progress line.
void HostRun::StartOutput() {
    stdoutIsTerminal_ = IsTerminal(stdout);
    format_ = options_.format.value_or(stdoutIsTerminal_ ? OutputFormat::kTable : OutputFormat::kTsv);
    const bool forPeople = IsForPeople(format_);
    // People read the names without the words all of them share.
    std::vector<std::string> names = forPeople ? ShortFieldNames(catalogue_) : catalogue_;
    names.emplace_back(kStatusColumn);
    std::vector<std::string> columns;
    for (int index : selected_) columns.push_back(names[static_cast<std::size_t>(index)]);
    writer_ = MakeRowWriter(format_, std::cout, forPeople ? OutputWidth() : 0);
    writer_->Begin(columns);
    progress_.emplace(feed_->KnownTotal(), IsTerminal(stderr));
}

void HostRun::ReadFiles() {
    const unsigned jobs = options_.jobs > 0 ? options_.jobs : std::max(1u, std::thread::hardware_concurrency());
    std::size_t done = 0;
    RunOrdered<WalkEntry, FileOutcome>(
        jobs, kReadAhead, [this](WalkEntry& entry) { return feed_->Next(entry); },
        [this](const WalkEntry& entry) {
            if (!entry.problem.empty()) return FileOutcome{entry.problem, {}};
            if (entry.record) return FileOutcome{"", RecordValues(*entry.record, wanted_)};
            return ReadFile(source_, entry.path, wanted_);
        },
        [&](WalkEntry& entry, FileOutcome& outcome) {
            if (!EmitRow(entry, outcome)) return false;
            progress_->Update(++done);
            return true;
        },
        [&](std::size_t) { progress_->Update(done); });
    progress_->Clear();
}

// A file's outcome, once it is its turn: reported, filtered, counted, and
// held or written. False when the output failed.
bool HostRun::EmitRow(const WalkEntry& entry, FileOutcome& outcome) {
    const bool read = outcome.problem.empty();
    if (!read) ReportProblem(entry.path, outcome.problem);
    // Without the status a path not read has no row: its message says it all.
    if (!read && !statusNamed_) return true;
    const bool midi = !AllEmpty(outcome.values);
    std::vector<FieldValue>& values = outcome.values;
    values.resize(catalogue_.size());
    values.emplace_back(StatusText(outcome.problem, midi));
    const bool shown = Matches(entry.path, values);
    if (read) Count(midi, values, shown);
    if (!shown) return true;
    if (!sortKeys_.empty()) {
        Hold(PathText(entry.path), std::move(values));
        return true;
    }
    return WriteRow(PathText(entry.path), values);
}

// A path that could not be read is named with its problem, and the run
// ends in failure.
void HostRun::ReportProblem(const fs::path& path, const std::string& problem) {
    progress_->Clear();
    Complain(PathForMessage(path) + ": " + problem);
    ++totals_.errors;
    status_ = kExitProblem;
}

// Whether --where, if given, keeps the file.
bool HostRun::Matches(const fs::path& path, const std::vector<FieldValue>& values) const {
    if (where_ == nullptr) return true;
    std::string fileName;
    PathToUtf8(path.filename(), fileName);
    return where_->Accepts(FileFacts{fileName, values});
}

// A file that is not MIDI counts as such whether --where keeps it or not.
void HostRun::Count(bool midi, const std::vector<FieldValue>& values, bool shown) {
    if (!midi) totals_.AddNotMidi();
    else if (!shown) totals_.AddNotMatching();
    else totals_.AddShown(durationField_ >= 0 ? values[static_cast<std::size_t>(durationField_)] : std::nullopt);
}

// --sort: the row is written once every file has been read.
void HostRun::Hold(std::string path, std::vector<FieldValue> values) {
    SortValues sortValues = SortValuesOf(values, sortKeys_);
    heldRows_.push_back(HeldRow{std::move(path), std::move(values), std::move(sortValues)});
}

// Writes the selected fields of one file; false when the output failed.
bool HostRun::WriteRow(const std::string& path, const std::vector<FieldValue>& values) {
    std::vector<FieldValue> row;
    for (int field : selected_) row.push_back(values[static_cast<std::size_t>(field)]);
    // Rows and the progress line may share one terminal.
    const bool streamedToTerminal = stdoutIsTerminal_ && format_ != OutputFormat::kTable;
    if (streamedToTerminal) progress_->Clear();
    writer_->Row(path, row);
    if (streamedToTerminal) std::cout.flush();
    if (OutputFailed()) {
        writeFailed_ = true;
        return false;
    }
    return true;
}

// --sort: the rows held during the run, in order; ties keep the walk's.
void HostRun::WriteSortedRows() {
    std::stable_sort(heldRows_.begin(), heldRows_.end(), [this](const HeldRow& a, const HeldRow& b) {
        return SortsBefore(a.sortValues, b.sortValues, sortKeys_);
    });
    for (const HeldRow& row : heldRows_)
        if (!WriteRow(row.path, row.values)) return;
    heldRows_.clear();
}

// After the rows: what went wrong with the list, why nothing was read,
// and the totals.
void HostRun::ReportEnd() {
    ReportList();
    ReportNamesPassedOver();
    if (totals_.filesRead == 0) ReportNothingRead();
    if (options_.summary) PrintSummary();
}

void HostRun::ReportList() {
    if (list_ != nullptr && list_->bad()) {
        Complain(listName_ + ": read error");
        status_ = kExitProblem;
    }
    if (feed_->ListHoldsNul()) {
        Complain(listName_ + ": the list holds NUL bytes, as find -print0 writes; read it with -0");
        status_ = kExitProblem;
    }
}

// --where 'EXT = "kar"' over folders that are not searched for .kar files
// prints no row at all; say why.
void HostRun::ReportNamesPassedOver() {
    if (where_ == nullptr || !walkAccepts_ || feed_->Skipped() == 0) return;
    std::vector<std::string> extensions;
    where_->ExtensionsAskedFor(false, extensions);
    std::sort(extensions.begin(), extensions.end());
    extensions.erase(std::unique(extensions.begin(), extensions.end()), extensions.end());
    for (const std::string& extension : extensions)
        if (!walkAccepts_(PathFromUtf8("name." + extension)))
            Complain("--where asks for ." + extension + " files, which folders are not searched for (--ext " + extension +
                     " reads them)");
}

// Nothing to show: say why, rather than leave a bare header.
void HostRun::ReportNothingRead() {
    const std::string found = options_.allFiles ? ": no files found" : ": no MIDI files found";
    for (const auto& [folder, skipped] : feed_->EmptyPaths())
        Complain(folder + found +
                 (skipped == 0 ? "" : " (" + std::to_string(skipped) + (skipped == 1 ? " other file" : " other files") +
                                     "; --all-files reads them)"));
    // A list that could not be read has said so already.
    if (list_ != nullptr && feed_->Listed() == 0 && !feed_->ListHoldsNul() && !list_->bad())
        Complain(listName_ + ": no paths listed");
    status_ = kExitProblem;
}

// The machine formats keep stdout parseable; the table and the list are
// for reading, so their totals follow them.
void HostRun::PrintSummary() {
    totals_.skipped = feed_->Skipped();
    const std::string text = FormatTotals(totals_);
    if (IsForPeople(format_)) std::cout << '\n' << text;
    else std::fputs(text.c_str(), stderr);
}

}  // namespace

int RunHost(const std::vector<std::string>& arguments) {
    std::ios::sync_with_stdio(false);
    HostOptions options;
    std::string error;
    switch (ParseOptions(arguments, options, error, std::cout)) {
        case ParseOutcome::kDone: return ExitAfterWriting();
        case ParseOutcome::kUsageError: ComplainOfUsage(error); return kExitUsage;
        case ParseOutcome::kRun: break;
    }
    return HostRun(std::move(options)).Run();
}
