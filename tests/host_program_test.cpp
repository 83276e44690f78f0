// The built midifields program, run on files and folders the tests write:
// its rows, formats, messages and exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#endif

#include <nlohmann/json.hpp>

#include "host/output/delimited_writer.h"
#include "host/output/terminal_text.h"
#include "host/system.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;
using test_files::SmallMidi;
using test_files::TestFolder;

namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Quote(const std::string& text) {
#ifdef _WIN32
    return "\"" + text + "\"";
#else
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
#endif
}

std::string HostCommand(const std::vector<std::string>& arguments) {
    std::string command = Quote(MIDIFIELDS_HOST_PATH);
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    return command;
}

// Runs a command of the shell, capturing both streams through files;
// input, when given, is the file it reads as its standard input.
ProgramRun RunCommand(std::string command, const std::string& input = "") {
    // ctest runs test cases as separate processes side by side: the name
    // must be unique across them, not only within this one.
    static const std::string process = std::to_string(std::random_device{}()) + "-" +
                                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    static int counter = 0;
    const fs::path capture = fs::temp_directory_path() / ("midifields-run-" + process + "-" + std::to_string(++counter));
    if (!input.empty()) command += " <" + Quote(input);
    command += " >" + Quote(capture.string() + ".out") + " 2>" + Quote(capture.string() + ".err");
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd.exe strips one outer pair of quotes
#endif
    ProgramRun run;
    const int raw = std::system(command.c_str());
#ifdef _WIN32
    run.status = raw;
#else
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    run.out = ReadAll(capture.string() + ".out");
    run.err = ReadAll(capture.string() + ".err");
    fs::remove(capture.string() + ".out");
    fs::remove(capture.string() + ".err");
    return run;
}

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& input = "") {
    return RunCommand(HostCommand(arguments), input);
}

std::string P(const fs::path& path) { return path.string(); }

// The plug-in the build writes beside the program, for --plugin.
std::string PluginBesideProgram() { return P(fs::path(MIDIFIELDS_HOST_PATH).parent_path() / kPluginFileName); }

// The tab-separated fields of SmallMidi(ticks) at 480 ticks a quarter note.
std::string SmallMidiTsv(const std::string& duration, const std::string& ticks) {
    return "120.00\t0\t1\t480\t500000\t" + duration + "\t\t\t" + ticks;
}

const char* const kTsvHeader =
    "path\tMIDI Tempo (BPM)\tMIDI Format\tMIDI Tracks\tMIDI Division\tMIDI Tempo (us/qn)\tMIDI Duration (sec)\t"
    "MIDI Time Signature\tMIDI Key Signature\tMIDI Length (ticks)\n";

TEST(HostProgram, FolderRowsAreSortedFilteredByExtensionAndNotMidiFilesListedEmpty) {
    TestFolder folder;
    folder.Write("b.mid", SmallMidi(960));
    folder.Write("sub/a.MIDI", SmallMidi(480));
    folder.Write("notes.txt", SmallMidi());
    folder.Write("junk.mid", midi_bytes::Text("hello, not a MIDI file"));
    const ProgramRun run = RunProgram({"--format", "tsv", P(folder.Root())});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, std::string(kTsvHeader) +                                            //
                           P(folder.Root() / "b.mid") + "\t" + SmallMidiTsv("1.000", "960") + "\n" +  //
                           P(folder.Root() / "junk.mid") + "\t\t\t\t\t\t\t\t\t\n" +                  //
                           P(folder.Root() / "sub" / "a.MIDI") + "\t" + SmallMidiTsv("0.500", "480") + "\n");

    // --no-recurse stops at the first level; a named file is read whatever its name.
    const ProgramRun top = RunProgram({"--no-recurse", "--fields", "8", P(folder.Root()), P(folder.Root() / "notes.txt")});
    EXPECT_EQ(top.out, "path\tMIDI Length (ticks)\n" + P(folder.Root() / "b.mid") + "\t960\n" +
                           P(folder.Root() / "junk.mid") + "\t\n" + P(folder.Root() / "notes.txt") + "\t480\n");
}

// The rows of tab-separated output without its header, each split into
// the path and the values.
using TsvRow = std::vector<std::string>;
std::vector<TsvRow> TsvRows(const std::string& out) {
    std::vector<TsvRow> rows;
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) {
        TsvRow row(1);
        for (char c : line) {
            if (c == '\t') row.emplace_back();
            else row.back() += c;
        }
        rows.push_back(row);
    }
    return rows;
}

double Number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// An expression as a shell passes it: cmd.exe, which runs the program on
// Windows, cannot pass double quotes inside an argument, so there the text
// is in single quotes.
std::string Expression(std::string text) {
#ifdef _WIN32
    std::replace(text.begin(), text.end(), '"', '\'');
#endif
    return text;
}

// The columns of the samples' TSV rows.
enum SampleColumn { kPath, kBpm, kFormat, kTracks, kDivision, kMicroseconds, kDuration, kTime, kKey, kTicks };

// --where and --sort over the samples keep exactly the rows, and the order,
// that filtering and sorting the plain TSV output gives.
TEST(HostProgram, WhereAndSortAgreeWithTheTsvOutput) {
    const ProgramRun all = RunProgram({"--format", "tsv", MIDIFIELDS_SAMPLES});
    ASSERT_EQ(all.status, 0) << all.err;
    const std::vector<TsvRow> rows = TsvRows(all.out);
    ASSERT_EQ(rows.size(), 7u);
    const auto fileName = [](const TsvRow& row) { return row[kPath].substr(row[kPath].find_last_of("/\\") + 1); };

    struct Filter {
        const char* where;
        std::function<bool(const TsvRow&)> keeps;
    };
    const Filter filters[] = {
        {"duration >= 5.5 & bpm < 2e2",  // numbers, by value
         [](const TsvRow& r) { return !r[kDuration].empty() && Number(r[kDuration]) >= 5.5 && Number(r[kBpm]) < 200; }},
        {R"(key = "em" | time != "4/4")",  // text, any case
         [](const TsvRow& r) { return r[kKey] == "Em" || (!r[kTime].empty() && r[kTime] != "4/4"); }},
        {"!has(duration) | !(has(key) & has(time))",  // presence, negation and grouping
         [](const TsvRow& r) { return r[kDuration].empty() || r[kKey].empty() || r[kTime].empty(); }},
        {R"(NAME = "format?-*" & EXT != "midi")",  // the file's name
         [&fileName](const TsvRow& r) { return fileName(r).compare(0, 6, "format") == 0 && fileName(r)[7] == '-'; }},
    };
    for (const Filter& filter : filters) {
        std::vector<TsvRow> expected;
        std::copy_if(rows.begin(), rows.end(), std::back_inserter(expected), filter.keeps);
        const ProgramRun run = RunProgram({"--format", "tsv", "--where", Expression(filter.where), MIDIFIELDS_SAMPLES});
        EXPECT_EQ(run.status, 0) << filter.where << ": " << run.err;
        EXPECT_EQ(TsvRows(run.out), expected) << filter.where;
    }

    // Longest first, files without a playing time last in the walk's order;
    // then by key as text, ties by tempo as a number.
    std::vector<TsvRow> expected = rows;
    std::stable_sort(expected.begin(), expected.end(), [](const TsvRow& a, const TsvRow& b) {
        if (a[kDuration].empty() || b[kDuration].empty()) return !a[kDuration].empty() && b[kDuration].empty();
        return Number(a[kDuration]) > Number(b[kDuration]);
    });
    EXPECT_EQ(TsvRows(RunProgram({"--format", "tsv", "--sort", "-duration", MIDIFIELDS_SAMPLES}).out), expected);
    expected = rows;
    std::stable_sort(expected.begin(), expected.end(), [](const TsvRow& a, const TsvRow& b) {
        if (a[kKey] != b[kKey]) return b[kKey].empty() || (!a[kKey].empty() && a[kKey] < b[kKey]);
        if (a[kBpm].empty() || b[kBpm].empty()) return !a[kBpm].empty() && b[kBpm].empty();
        return Number(a[kBpm]) < Number(b[kBpm]);
    });
    EXPECT_EQ(TsvRows(RunProgram({"--format", "tsv", "--sort", "key, bpm", MIDIFIELDS_SAMPLES}).out), expected);

}

TEST(HostProgram, FieldsOfConditionsAreReadUnshownAndSortTiesKeepTheWalkOrder) {
    TestFolder folder;
    // Twenty files of one format, more than an unstable sort keeps in order
    // by chance; the last ten are longer.
    for (int i = 0; i < 20; ++i)
        folder.Write(std::string("f") + static_cast<char>('a' + i) + ".mid", SmallMidi(i < 10 ? 480 : 1920));
    const ProgramRun walked = RunProgram({"--fields", "format", P(folder.Root())});
    const ProgramRun sorted = RunProgram({"--fields", "format", "--sort", "format", P(folder.Root())});
    ASSERT_EQ(std::count(walked.out.begin(), walked.out.end(), '\n'), 21);
    EXPECT_EQ(sorted.out, walked.out);
    const ProgramRun longer = RunProgram({"--fields", "0", "--where", "ticks > 1000", P(folder.Root())});
    EXPECT_EQ(TsvRows(longer.out).size(), 10u) << longer.out;
    EXPECT_EQ(longer.out.find("fj.mid"), std::string::npos);
    EXPECT_NE(longer.out.find(P(folder.Root() / "fk.mid") + "\t120.00\n"), std::string::npos) << longer.out;
}

TEST(HostProgram, ABadConditionOrSortIsAUsageErrorThatSaysWhere) {
    const ProgramRun unknown = RunProgram({"--where", "duration > 1 & tempx < 3", MIDIFIELDS_SAMPLES});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err,
              "midifields: --where: no field 'tempx' (see --list-fields) at position 16\n"
              "  duration > 1 & tempx < 3\n"
              "                 ^\n");
    // A comparison that could never hold, as a comparison people get wrong.
    for (const char* where : {R"(key < "F")", R"(key = "F)", "duration > 1 |", "duration 3", "key < 3", "status = 0",
                              R"(bpm = "fast")"}) {
        const ProgramRun run = RunProgram({"--where", Expression(where), MIDIFIELDS_SAMPLES});
        EXPECT_EQ(run.status, 2) << where;
        EXPECT_NE(run.err.find(" at position "), std::string::npos) << where << ": " << run.err;
    }
    const ProgramRun sort = RunProgram({"--sort", "tempo", MIDIFIELDS_SAMPLES});
    EXPECT_EQ(sort.status, 2);
    EXPECT_NE(sort.err.find("'tempo' is ambiguous"), std::string::npos) << sort.err;
}

TEST(HostProgram, CsvAndJsonWithChosenFields) {
    TestFolder folder;
    using namespace midi_bytes;
    const fs::path file = folder.Write("a,b.mid", Header(1, 1, 96) + Track(TimeSignature(0, 6, 3) + KeySignature(0, -3, 0) +
                                                                            SetTempo(0, 600000) + EndOfTrack(96)));
    const ProgramRun csv = RunProgram({"--format", "csv", "--fields", "midi key signature,MIDI Tempo (BPM),6,5", P(file)});
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out, "path,MIDI Key Signature,MIDI Tempo (BPM),MIDI Time Signature,MIDI Duration (sec)\r\n\"" +
                           P(file) + "\",Eb,100.00,6/8,0.600\r\n");

    const std::string empty = P(folder.Write("empty.mid", {}));
    const ProgramRun jsonLines = RunProgram({"--format", "jsonl", "--fields", "7,3", P(file), empty});
    EXPECT_EQ(jsonLines.status, 0);
    const nlohmann::ordered_json first = {{"path", P(file)}, {"MIDI Key Signature", "Eb"}, {"MIDI Division", 96}};
    const nlohmann::ordered_json second = {{"path", empty}, {"MIDI Key Signature", nullptr}, {"MIDI Division", nullptr}};
    EXPECT_EQ(jsonLines.out, first.dump() + "\n" + second.dump() + "\n");
    // One document, whatever the number of rows.
    const ProgramRun json = RunProgram({"--format", "JSON", "--fields", "7,3", P(file), empty});
    EXPECT_EQ(nlohmann::ordered_json::parse(json.out), nlohmann::ordered_json::array({first, second})) << json.out;
}

TEST(HostProgram, SummaryCountsFilesNotMidiAndPlayingTime) {
    TestFolder folder;
    folder.Write("a.mid", SmallMidi(960));
    folder.Write("b.mid", SmallMidi(480 * 7200));  // one hour
    folder.Write("c.mid", midi_bytes::Text("RIFF"));
    const ProgramRun run = RunProgram({"--summary", "--fields", "0", P(folder.Root()), P(folder.Root() / "gone.mid")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("files read: 3\nnot MIDI: 1\nnot readable: 1\nskipped by extension: 0\n"
                           "total playing time: 3601.000 s (1:00:01)\nMIDI files without playing time: 0\n"),
              std::string::npos)
        << run.err;
}

TEST(HostProgram, EverySummaryCountAddsUpToThePathsGivenWhateverWhereKeeps) {
    TestFolder folder;
    folder.Write("long.mid", SmallMidi(960 * 4));  // 4 s at 480 ticks a quarter note, 120 BPM
    folder.Write("longer.mid", SmallMidi(960 * 6));
    folder.Write("short.mid", SmallMidi(480));
    folder.Write("junk.mid", midi_bytes::Text("not MIDI"));
    folder.Write("empty.mid", {});
    const std::string root = P(folder.Root());
    // Six paths: five files read (two shown, one MIDI file --where leaves
    // out, two that are not MIDI whatever it says), one not readable.
    const ProgramRun run =
        RunProgram({"--summary", "--where", "duration > 1", "--fields", "duration", root, P(folder.Root() / "gone.mid")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(TsvRows(run.out).size(), 2u) << run.out;
    EXPECT_NE(run.err.find("files read: 5\nnot matching: 1\nnot MIDI: 2\nnot readable: 1\nskipped by extension: 0\n"
                           "total playing time: 10.000 s (0:00:10)\nMIDI files without playing time: 0\n"),
              std::string::npos)
        << run.err;
    // A file that is not MIDI and that --where keeps is shown and still counted so.
    const ProgramRun kept = RunProgram({"--summary", "--where", "!has(duration)", root});
    EXPECT_EQ(TsvRows(kept.out).size(), 2u) << kept.out;
    EXPECT_NE(kept.err.find("files read: 5\nnot matching: 3\nnot MIDI: 2\n"), std::string::npos) << kept.err;
}

TEST(HostProgram, TheStatusGivesEveryPathARowInEveryFormatAndTheMessageStays) {
    TestFolder folder;
    const std::string good = P(folder.Write("good.mid", SmallMidi()));
    const std::string junk = P(folder.Write("junk.mid", midi_bytes::Text("not MIDI")));
    const std::string gone = P(folder.Root() / "gone.mid");
    const std::string message = "midifields: " + gone + ": no such file or folder\n";
    const ProgramRun tsv = RunProgram({"--fields", "STATUS,ticks", good, gone, junk});
    EXPECT_EQ(tsv.status, 1);
    EXPECT_EQ(tsv.err, message);
    EXPECT_EQ(tsv.out, "path\tstatus\tMIDI Length (ticks)\n" + good + "\tok\t480\n" + gone +
                           "\tno such file or folder\t\n" + junk + "\tnot MIDI\t\n");
    EXPECT_EQ(RunProgram({"--format", "csv", "--fields", "ticks,status", gone}).out,
              "path,MIDI Length (ticks),status\r\n" + CsvField(gone) + ",,no such file or folder\r\n");
    // In JSON the status is always a string, the fields of a path not read null.
    const nlohmann::ordered_json row = {{"path", gone}, {"status", "no such file or folder"}, {"MIDI Format", nullptr}};
    EXPECT_EQ(RunProgram({"--format", "jsonl", "--fields", "status,format", gone}).out, row.dump() + "\n");
    EXPECT_EQ(nlohmann::ordered_json::parse(RunProgram({"--format", "json", "--fields", "status,format", gone}).out),
              nlohmann::ordered_json::array({row}));
    EXPECT_EQ(RunProgram({"--format", "table", "--fields", "status", gone, good}).out,
              "status                  path\nno such file or folder  " + gone + "\nok                      " + good + "\n");
    EXPECT_EQ(RunProgram({"--format", "list", "--fields", "status", gone}).out, gone + "\n  status: no such file or folder\n");

    // Named by --where or --sort only, it still gives the unreadable paths
    // their rows: the files a catalogue's owner most needs to know about.
    const ProgramRun problems = RunProgram({"--fields", "ticks", "--where", Expression(R"(status != "ok")"), "--sort", "-status",
                                            good, gone, junk});
    EXPECT_EQ(problems.err, message);
    EXPECT_EQ(problems.out, "path\tMIDI Length (ticks)\n" + junk + "\t\n" + gone + "\t\n");
    // Without it, a path not read has its message only.
    EXPECT_EQ(RunProgram({"--fields", "ticks", good, gone}).out, "path\tMIDI Length (ticks)\n" + good + "\t480\n");
}

TEST(HostProgram, AMissingPathIsReportedAndTheOthersAreStillRead) {
    TestFolder folder;
    const fs::path good = folder.Write("good.mid", SmallMidi());
    const ProgramRun run = RunProgram({"--fields", "MIDI Format", P(folder.Root() / "gone.mid"), P(good)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "midifields: " + P(folder.Root() / "gone.mid") + ": no such file or folder\n");
    EXPECT_EQ(run.out, "path\tMIDI Format\n" + P(good) + "\t0\n");
}

TEST(HostProgram, UsageErrorsExitTwoWithAOneLineHint) {
    TestFolder folder;
    const std::string file = P(folder.Write("a.mid", SmallMidi()));
    const std::vector<std::vector<std::string>> cases{
        {}, {"--bogus", file}, {"--fields", "Tempo", file}, {"-j", "0", file}, {"--format", "xml", file}, {"-j"},
        {"-0", file}, {"--ext", ",", file}};
    for (const auto& arguments : cases) {
        const ProgramRun run = RunProgram(arguments);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(arguments);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        // In the program's own words, not the option library's.
        EXPECT_EQ(run.err.rfind("midifields: ", 0), 0u) << run.err;
        EXPECT_FALSE(std::isupper(static_cast<unsigned char>(run.err[12]))) << run.err;
        EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
    }
    EXPECT_EQ(RunProgram({"--help"}).status, 0);
}

// A command run with folder as its current folder.
std::string InFolder(const fs::path& folder, const std::string& command) {
#ifdef _WIN32
    return "cd /d " + Quote(P(folder)) + " && " + command;
#else
    return "cd " + Quote(P(folder)) + " && " + command;
#endif
}

TEST(HostProgram, ThePluginIsLoadedByItsFullPathAndOneThatFailsIsNamed) {
    TestFolder folder;
    const std::string file = P(folder.Write("a.mid", SmallMidi()));
    // A file of the plug-in's name in the current folder, no library at all,
    // is never loaded unasked: the program reads with its own code...
    folder.Write(kPluginFileName, midi_bytes::Text("not a library"));
    const ProgramRun beside = RunCommand(InFolder(folder.Root(), HostCommand({"--fields", "8", file})));
    EXPECT_EQ(beside.status, 0) << beside.err;
    EXPECT_EQ(beside.out, "path\tMIDI Length (ticks)\n" + file + "\t480\n");
    // ...and a bare name given with --plugin is that file, by its full path.
    const ProgramRun named = RunCommand(InFolder(folder.Root(), HostCommand({"--plugin", kPluginFileName, file})));
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.err.rfind("midifields: " + P(folder.Root() / kPluginFileName) + ": cannot load the plug-in: ", 0), 0u)
        << named.err;

    const std::string missing = P(folder.Root() / "no-such-plugin.so");
    const ProgramRun run = RunProgram({"--plugin", missing, file});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(missing), std::string::npos) << run.err;
#ifndef _WIN32
    // A real library without the exports.
    Dl_info mathLibrary{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&::cbrt), &mathLibrary), 0);
    const ProgramRun wrong = RunProgram({"--plugin", mathLibrary.dli_fname, file});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("ContentGetDetectString"), std::string::npos) << wrong.err;
#endif
}

TEST(HostProgram, ARelativeFolderIsWalkedAndItsFilesShownByTheirRelativePaths) {
    TestFolder folder;
    folder.Write(fs::path("music") / "b.mid", SmallMidi(960));
    folder.Write(fs::path("music") / "sub" / "a.mid", SmallMidi());
    folder.Write(fs::path("music") / "notes.txt", SmallMidi());
    const ProgramRun run = RunCommand(InFolder(folder.Root(), HostCommand({"--fields", "ticks", "music"})));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "path\tMIDI Length (ticks)\n" + P(fs::path("music") / "b.mid") + "\t960\n" +
                           P(fs::path("music") / "sub" / "a.mid") + "\t480\n");
}

TEST(HostProgram, ReadingThroughThePluginsExportsPrintsWhatTheProgramsOwnReadingPrints) {
    std::vector<std::string> folders{MIDIFIELDS_SAMPLES, MIDIFIELDS_TEST_DATA, "no-such-file.mid"};
    if (fs::is_directory(MIDIFIELDS_SHARED_CORPUS)) folders.push_back(MIDIFIELDS_SHARED_CORPUS);
    const std::vector<std::vector<std::string>> runs{
        {"--format", "tsv"},  {"--format", "csv"},   {"--format", "json"},  {"--format", "jsonl"},
        {"--format", "list"}, {"--format", "table"}, {"--summary", "--fields", "duration,key", "--sort", "-bpm"},
        {"--all-files", "--where", "has(time) | ticks < 1000"},
    };
    for (std::vector<std::string> arguments : runs) {
        arguments.insert(arguments.end(), folders.begin(), folders.end());
        const ProgramRun own = RunProgram(arguments);
        arguments.insert(arguments.begin(), {"--plugin", PluginBesideProgram()});
        const ProgramRun plugin = RunProgram(arguments);
        EXPECT_EQ(own.status, 1) << arguments[2];  // the missing file
        EXPECT_EQ(own.status, plugin.status) << arguments[2];
        EXPECT_EQ(own.out, plugin.out) << arguments[2];
        EXPECT_EQ(own.err, plugin.err) << arguments[2];
        EXPECT_GT(own.out.size(), 500u) << arguments[2];  // rows, not only a header
    }
}

TEST(HostProgram, OutputOrderDoesNotDependOnTheWorkerCount) {
    TestFolder folder;
    for (int i = 0; i < 60; ++i) folder.Write("f" + std::to_string(i) + ".mid", SmallMidi(static_cast<std::uint32_t>(i + 1)));
    const ProgramRun one = RunProgram({"-j", "1", "--fields", "8", P(folder.Root())});
    const ProgramRun many = RunProgram({"-j", "7", "--fields", "8", P(folder.Root())});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 61);
    EXPECT_EQ(one.out, many.out);
    EXPECT_NE(one.out.find(P(folder.Root() / "f10.mid") + "\t11\n" + P(folder.Root() / "f11.mid") + "\t12\n"),
              std::string::npos);
}

TEST(HostProgram, ATreeDeeperThanTheClassicLimitIsWalkedAndReadAsNamed) {
    TestFolder folder;
    const fs::path file =
        folder.Write(fs::path(std::string(120, 'd')) / std::string(120, 'e') / (std::string(60, 'f') + ".mid"), SmallMidi(960));
    ASSERT_GT(P(file).size(), 300u);
    const ProgramRun run = RunProgram({"--fields", "8", P(folder.Root())});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "path\tMIDI Length (ticks)\n" + P(file) + "\t960\n");
}

TEST(HostProgram, UnicodePathsReachThePlugin) {
    TestFolder folder;
    const fs::path file = folder.Write(fs::u8path(u8"m\u00fcsik \u97f3\u697d") / fs::u8path(u8"\U0001D11E clef.mid"), SmallMidi(960));
    const ProgramRun run = RunProgram({"--fields", "8", P(folder.Root())});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "path\tMIDI Length (ticks)\n" + TsvField(file.u8string()) + "\t960\n");
}

TEST(HostProgram, FilesFromAListPrintsWhatNamingTheFilesPrints) {
    TestFolder folder;
    const std::vector<std::string> files{P(folder.Write("b.mid", SmallMidi(960))), P(folder.Write("a.mid", SmallMidi())),
                                         P(folder.Write(fs::path("sub") / "c.midi", SmallMidi(96)))};
    std::vector<std::string> named{"--format", "tsv"};
    named.insert(named.end(), files.begin(), files.end());
    const ProgramRun expected = RunProgram(named);
    ASSERT_EQ(expected.status, 0) << expected.err;
    std::string nulList, lineList;
    for (const std::string& file : files) {
        nulList += file + '\0';
        lineList += file + "\r\n\n";  // a list written on Windows, blank lines between
    }
    const std::string nulFile = P(folder.Write("list0", midi_bytes::Text(nulList)));
    const ProgramRun fromStdin = RunProgram({"--format", "tsv", "--files-from", "-", "-0"}, nulFile);
    EXPECT_EQ(fromStdin.status, 0) << fromStdin.err;
    EXPECT_EQ(fromStdin.out, expected.out);
    const ProgramRun fromFile = RunProgram({"--files-from", P(folder.Write("list", midi_bytes::Text(lineList)))});
    EXPECT_EQ(fromFile.out, expected.out);
    EXPECT_EQ(fromFile.status, 0);
    EXPECT_EQ(fromFile.err, "");

    // A folder in the list is walked; a list without paths reads nothing.
    const ProgramRun folderListed =
        RunProgram({"--fields", "8", "--files-from", P(folder.Write("folders", midi_bytes::Text(P(folder.Root() / "sub"))))});
    EXPECT_EQ(folderListed.out, "path\tMIDI Length (ticks)\n" + TsvField(files[2]) + "\t96\n");
    const ProgramRun empty = RunProgram({"--files-from", "-"}, P(folder.Write("empty", {})));
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "midifields: standard input: no paths listed\n");
    // A list that is not there, or is a folder, is named as the list, once.
    for (const auto& [list, reason] : {std::pair<std::string, std::string>{P(folder.Root() / "gone"), "no such file or folder"},
                                       {P(folder.Root() / "sub"), "a folder, not a list of paths"}}) {
        const ProgramRun run = RunProgram({"--files-from", list});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "midifields: --files-from " + list + ": " + reason + "\n");
    }

    // A list for -0 read by lines: no cut path, and a hint.
    const ProgramRun withoutNull = RunProgram({"--files-from", "-"}, nulFile);
    EXPECT_EQ(withoutNull.status, 1);
    EXPECT_EQ(withoutNull.out, kTsvHeader);
    EXPECT_EQ(withoutNull.err, "midifields: standard input: the list holds NUL bytes, as find -print0 writes; read it with -0\n");
}

TEST(HostProgram, AllFilesReadsEveryFileAndAFolderWithoutMidiFilesIsNoticed) {
    TestFolder folder;
    const fs::path karaoke = folder.Write("song.kar", SmallMidi(960));
    const fs::path notes = folder.Write("notes.txt", midi_bytes::Text("not MIDI"));
    const ProgramRun skipped = RunProgram({"--fields", "8", P(folder.Root())});
    EXPECT_EQ(skipped.status, 1);
    EXPECT_EQ(skipped.out, "path\tMIDI Length (ticks)\n");
    EXPECT_EQ(skipped.err, "midifields: " + P(folder.Root()) + ": no MIDI files found (2 other files; --all-files reads them)\n");

    const ProgramRun all = RunProgram({"--all-files", "--summary", "--fields", "8", P(folder.Root())});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "path\tMIDI Length (ticks)\n" + P(notes) + "\t\n" + P(karaoke) + "\t960\n");
    // --ext adds an extension to the plug-in's own.
    const ProgramRun kar = RunProgram({"--ext", ".KAR", "--fields", "8", P(folder.Root())});
    EXPECT_EQ(kar.out, "path\tMIDI Length (ticks)\n" + P(karaoke) + "\t960\n");
    EXPECT_EQ(all.err, "files read: 2\nnot MIDI: 1\nnot readable: 0\nskipped by extension: 0\n"
                       "total playing time: 1.000 s (0:00:01)\nMIDI files without playing time: 0\n");
}

TEST(HostProgram, WhereAskingForNamesTheWalkPassesOverGetsAHint) {
    TestFolder folder;
    const std::string karaoke = P(folder.Write("song.kar", SmallMidi(960)));
    folder.Write("other.mid", SmallMidi());
    const std::string hint = "midifields: --where asks for .kar files, which folders are not searched for (--ext kar reads them)\n";
    for (const char* where : {R"(EXT = "kar")", R"(ticks > 1 & NAME = "*.KAR")", R"(!(EXT != "kar" & NAME != "x"))"}) {
        const ProgramRun run = RunProgram({"--fields", "ticks", "--where", Expression(where), P(folder.Root())});
        EXPECT_EQ(run.status, 0) << where;
        EXPECT_EQ(run.out, "path\tMIDI Length (ticks)\n") << where;
        EXPECT_EQ(run.err, hint) << where;
    }
    // No hint where the walk takes such files, or the expression does not ask for them.
    const ProgramRun taken = RunProgram({"--ext", "kar", "--fields", "ticks", "--where", Expression(R"(EXT = "kar")"), P(folder.Root())});
    EXPECT_EQ(taken.out, "path\tMIDI Length (ticks)\n" + karaoke + "\t960\n");
    EXPECT_EQ(taken.err, "");
    for (const char* where : {R"(EXT != "kar")", R"(!(EXT = "kar"))", R"(NAME = "*.k*")"})
        EXPECT_EQ(RunProgram({"--where", Expression(where), P(folder.Root())}).err, "") << where;
}

TEST(HostProgram, VersionHelpAndOptionValuesAsPeopleWriteThem) {
    const ProgramRun version = RunProgram({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "midifields " MIDIFIELDS_VERSION "\nfields read by the program itself (every field of a file from one scan)\n");
    const ProgramRun throughPlugin = RunProgram({"--version", "--plugin", PluginBesideProgram()});
    EXPECT_EQ(throughPlugin.out.rfind("midifields " MIDIFIELDS_VERSION "\nfields read by the plug-in ", 0), 0u)
        << throughPlugin.out;
    EXPECT_NE(throughPlugin.out.find(std::string(kPluginFileName) + ", through its exports"), std::string::npos)
        << throughPlugin.out;

    const ProgramRun help = RunProgram({"--help"});
    EXPECT_NE(help.out.find("\n  -j, --jobs N "), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("not readable"), std::string::npos);

    TestFolder folder;
    const std::string file = P(folder.Write("a.mid", SmallMidi()));
    EXPECT_EQ(RunProgram({"--format", "JSON", "--fields", "1", file}).out, RunProgram({"--format", "json", "--fields", "1", file}).out);
    // Given twice, an option takes its last value.
    EXPECT_EQ(RunProgram({"--format", "tsv", "--format", "csv", "--fields", "1", file}).out,
              RunProgram({"--format", "csv", "--fields", "1", file}).out);
    EXPECT_EQ(RunProgram({"-j", "abc", file}).err,
              "midifields: --jobs: abc is not a number from 1 to 1024 (try 'midifields --help')\n");
}

// The program's lines in a terminal of the given width: a pseudo-terminal
// on POSIX; under Windows, where the output is a file, the COLUMNS value
// stands in.
std::vector<std::string> InTerminal(std::size_t width, std::vector<std::string> arguments) {
#ifdef _WIN32
    _putenv_s("COLUMNS", std::to_string(width).c_str());
    arguments.insert(arguments.begin(), {"--format", "table"});
    std::string out = RunProgram(arguments).out;
    _putenv_s("COLUMNS", "");
#else
    std::string out =
        RunCommand("script -qec " + Quote("stty cols " + std::to_string(width) + "; " + HostCommand(arguments)) + " /dev/null")
            .out;
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
#endif
    std::vector<std::string> lines;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

TEST(HostProgram, EveryFieldIsATableAt80ColumnsWhateverThePathsAndAListAt60) {
    TestFolder folder;
    // In walk order.
    const std::vector<std::string> names{u8"caf\u00e9 cre\u0300me.mid", "plain.mid", std::string(120, 'x') + ".mid",
                                         u8"\u97f3\u697d\u97f3\u697d.mid"};
    for (const std::string& name : names) folder.Write(fs::u8path(u8"\u66f2") / fs::u8path(name), SmallMidi());
    const std::vector<std::string> table = InTerminal(80, {folder.Root().u8string()});
    // A header of two lines, then a row per file, its path after the same
    // value columns, whatever its length; numbers right-aligned.
    ASSERT_EQ(table.size(), 2 + names.size()) << testing::PrintToString(table);
    const std::size_t pathColumn = table[0].find("path");
    ASSERT_NE(pathColumn, std::string::npos) << table[0];
    EXPECT_LE(pathColumn + 20, 80u) << table[0];
    for (std::size_t row = 2; row < table.size(); ++row) {
        const std::string values = table[row].substr(0, pathColumn);
        EXPECT_EQ(values.rfind("120.00", 0), 0u) << table[row];
        EXPECT_EQ(values.substr(values.size() - 9), "    480  ") << table[row];
        EXPECT_EQ(table[row].substr(pathColumn), (folder.Root() / fs::u8path(u8"\u66f2") / fs::u8path(names[row - 2])).u8string());
    }

    const std::vector<std::string> list = InTerminal(60, {folder.Root().u8string()});
    ASSERT_EQ(list.size(), names.size() * 11 - 1);
    EXPECT_EQ(list[1], "  Tempo (BPM):    120.00");
    EXPECT_EQ(list[9], "  Length (ticks): 480");
}

// A tar made byte by byte: each member a 512-byte header (name, mode, size
// in octal, checksum, the "ustar" magic) and its data padded to 512 bytes,
// then two empty blocks.
midi_bytes::Bytes TarOf(const std::vector<std::pair<std::string, midi_bytes::Bytes>>& members) {
    midi_bytes::Bytes tar;
    for (const auto& [name, data] : members) {
        midi_bytes::Bytes header(512, 0);
        const auto put = [&header](std::size_t at, const std::string& text) {
            std::copy(text.begin(), text.end(), header.begin() + static_cast<std::ptrdiff_t>(at));
        };
        char octal[16];
        put(0, name);
        put(100, "0000644");
        std::snprintf(octal, sizeof octal, "%011o", static_cast<unsigned>(data.size()));
        put(124, octal);
        put(136, "00000000000");
        put(156, "0");
        put(257, "ustar");
        put(263, "00");
        put(148, "        ");
        unsigned checksum = 0;
        for (std::uint8_t byte : header) checksum += byte;
        std::snprintf(octal, sizeof octal, "%06o", checksum);
        put(148, octal);
        tar.insert(tar.end(), header.begin(), header.end());
        tar.insert(tar.end(), data.begin(), data.end());
        tar.resize((tar.size() + 511) / 512 * 512, 0);
    }
    tar.resize(tar.size() + 1024, 0);
    return tar;
}

TEST(HostProgram, AnArchiveIsReadAsAFolderOrWhereArchivesAreNotReadSaysWhatToUseInstead) {
    TestFolder folder;
    folder.Write("songs.tar", TarOf({{"set/a.mid", SmallMidi(960)}, {"notes.txt", SmallMidi()}, {"b.mid", SmallMidi()}}));
    folder.Write("c.mid", SmallMidi());
    const std::string tar = P(folder.Root() / "songs.tar");
    const ProgramRun named = RunProgram({"--fields", "ticks", tar});
    const ProgramRun walked = RunProgram({"--fields", "ticks", P(folder.Root())});
    const ProgramRun throughPlugin = RunProgram({"--plugin", PluginBesideProgram(), "--fields", "ticks", tar});
    EXPECT_EQ(throughPlugin.status, 1);
    EXPECT_EQ(throughPlugin.err, "midifields: " + tar +
                                     ": an archive, whose members a plug-in cannot read (it reads files by their "
                                     "paths): read it without --plugin\n");
#ifdef _WIN32
    // The Windows program reads no archive: a named one is refused saying
    // what to use instead; one in a folder is passed over, as before.
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.err, "midifields: " + tar +
                             ": an archive, which the Windows program does not read: unpack it first (Explorer, or "
                             "tar -xf), or read it with the Python package\n");
    EXPECT_EQ(walked.status, 0) << walked.err;
    EXPECT_EQ(walked.out, "path\tMIDI Length (ticks)\n" + P(folder.Root() / "c.mid") + "\t480\n");
#else
    // Its members are read where they lie, shown under the archive's path;
    // in a folder it is walked as a subfolder is, the filter taking its
    // members by name. A named file is an archive by its content.
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(named.out, "path\tMIDI Length (ticks)\n" + tar + "/set/a.mid\t960\n" + tar + "/b.mid\t480\n");
    EXPECT_EQ(walked.out, "path\tMIDI Length (ticks)\n" + P(folder.Root() / "c.mid") + "\t480\n" + tar +
                              "/set/a.mid\t960\n" + tar + "/b.mid\t480\n");
    folder.Write("named-oddly.bin", TarOf({{"x.mid", SmallMidi(100)}}));
    EXPECT_EQ(RunProgram({"--fields", "ticks", P(folder.Root() / "named-oddly.bin")}).out,
              "path\tMIDI Length (ticks)\n" + P(folder.Root() / "named-oddly.bin") + "/x.mid\t100\n");
    // --summary, --where and --sort work over members as over files.
    const ProgramRun summary = RunProgram({"--summary", "--all-files", "--where", "ticks > 500", "--sort", "-ticks", tar});
    EXPECT_NE(summary.err.find("files read: 3"), std::string::npos) << summary.err;
    EXPECT_NE(summary.err.find("not MIDI: 0"), std::string::npos) << summary.err;
    EXPECT_EQ(TsvRows(summary.out).size(), 1u) << summary.out;
#endif
}

#ifndef _WIN32
TEST(HostProgram, ANameThatIsNotUtf8IsReadAndEachFormatShowsItsOwnWay) {
    TestFolder folder;
    folder.Write("bad\xff.mid", SmallMidi());
    folder.Write("slash\xc0\xaf.mid", SmallMidi());  // an overlong "/"
    const std::string root = P(folder.Root());
    const ProgramRun run = RunProgram({"--fields", "1", root});
    EXPECT_EQ(run.status, 0) << run.err;
    // tsv and csv carry the bytes as they are.
    EXPECT_EQ(run.out, "path\tMIDI Format\n" + root + "/bad\xff.mid\t0\n" + root + "/slash\xc0\xaf.mid\t0\n");
    EXPECT_EQ(RunProgram({"--fields", "1", "--format", "csv", root}).out,
              "path,MIDI Format\r\n" + root + "/bad\xff.mid,0\r\n" + root + "/slash\xc0\xaf.mid,0\r\n");
    // JSON gives the bytes back exactly; the table shows each odd byte as ?.
    const nlohmann::json rows = nlohmann::json::parse(
        RunCommand(InFolder(folder.Root(), HostCommand({"--fields", "1", "--format", "json", "bad\xff.mid", "slash\xc0\xaf.mid"})))
            .out);
    EXPECT_EQ(rows[0]["path"]["bytes"], "YmFk/y5taWQ=");
    EXPECT_EQ(rows[1]["path"]["bytes"], "c2xhc2jAry5taWQ=");
    const ProgramRun table = RunProgram({"--fields", "1", "--format", "table", root});
    EXPECT_NE(table.out.find(root + "/bad?.mid\n"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find(root + "/slash??.mid\n"), std::string::npos) << table.out;

    // A plug-in takes UTF-16 paths, which such a name cannot become: named
    // in a message, as \xNN.
    const ProgramRun plugin = RunProgram({"--plugin", PluginBesideProgram(), "--fields", "1", root});
    EXPECT_EQ(plugin.status, 1);
    EXPECT_NE(plugin.err.find(root + "/bad\\xFF.mid: the file name is not valid UTF-8"), std::string::npos) << plugin.err;
    EXPECT_NE(plugin.err.find(root + "/slash\\xC0\\xAF.mid: the file name is not valid UTF-8"), std::string::npos)
        << plugin.err;
}

TEST(HostProgram, OutputThatCannotBeWrittenIsAFailure) {
    TestFolder folder;
    const std::string file = P(folder.Write("a.mid", SmallMidi()));
    for (const auto& arguments : std::vector<std::vector<std::string>>{{file}, {"--help"}, {"--list-fields"}, {"--version"}}) {
        const ProgramRun run = RunCommand("{ " + HostCommand(arguments) + " >/dev/full; }");
        EXPECT_EQ(run.status, 1) << arguments[0];
        EXPECT_EQ(run.err, "midifields: standard output: no space left on device\n") << arguments[0];
    }
}

TEST(HostProgram, TsvEscapesOnlyTabsAndLineBreaks) {
    TestFolder folder;
    const fs::path backslashes = folder.Write("back\\new\\tab.mid", SmallMidi());
    const fs::path broken = folder.Write("line\nbreak.mid", SmallMidi());
    const ProgramRun run = RunProgram({"--fields", "1", P(broken), P(backslashes)});
    EXPECT_EQ(run.out, "path\tMIDI Format\n" + P(folder.Root()) + "/line\\nbreak.mid\t0\n" + P(backslashes) + "\t0\n");
}

// A control character other than the line ends of a message of several lines.
bool HoldsControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\n') || byte == 0x7F;
    });
}

TEST(HostProgram, WhateverAMessageQuotesNoControlCharacterReachesTheTerminal) {
    TestFolder folder;
    const std::string file = P(folder.Write("a.mid", SmallMidi()));
    // An expression quoting a field name that clears the screen, and a bell.
    const ProgramRun where = RunProgram({"--where", "\"tempo\x1b[2J\" > 1 & \a", file});
    EXPECT_EQ(where.status, 2);
    EXPECT_EQ(where.err,
              "midifields: --where: no field 'tempo\\x1B[2J' (see --list-fields) at position 1\n"
              "  \"tempo\\x1B[2J\" > 1 & \\x07\n"
              "  ^\n");
    // A plug-in that does not load, named with a terminal title and a bell;
    // a field and an option of the same sort.
    const std::string plugin = P(folder.Root() / "plug\x1b]0;title\a.so");
    const ProgramRun load = RunProgram({"--plugin", plugin, file});
    EXPECT_EQ(load.status, 1);
    EXPECT_EQ(load.err.rfind("midifields: " + P(folder.Root()) + "/plug\\x1B]0;title\\x07.so: cannot load the plug-in: ", 0), 0u)
        << load.err;
    const ProgramRun field = RunProgram({"--fields", "bpm\x1b[5m", file});
    const ProgramRun option = RunProgram({"--bogus\a", file});
    for (const ProgramRun* run : {&where, &load, &field, &option}) {
        EXPECT_NE(run->err, "");
        EXPECT_FALSE(HoldsControlCharacter(run->err)) << run->err;
    }
}

TEST(HostProgram, AnUnreadableFileOrADanglingLinkIsAnErrorNamedWithoutControlCharacters) {
    TestFolder folder;
    // Names that would recolour the terminal, set its title and ring its bell.
    const fs::path locked = folder.Write("locked\x1b[31m\a.mid", SmallMidi());
    fs::permissions(locked, fs::perms::none);
    fs::create_symlink(folder.Root() / "gone.mid", folder.Root() / "link\x1b]0;title\a.mid");
    std::string command = HostCommand({P(folder.Root())});
    if (geteuid() == 0) {
        // Root reads every file, so the program runs as nobody instead:
        // from a copy here, since nobody may not reach the build folder.
        fs::copy_file(fs::path(MIDIFIELDS_HOST_PATH), folder.Root() / "midifields");
        fs::permissions(folder.Root(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        command = "setpriv --reuid=65534 --regid=65534 --clear-groups " + Quote(P(folder.Root() / "midifields")) + " " +
                  Quote(P(folder.Root()));
    }
    const ProgramRun run = RunCommand(command);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "midifields: " + P(folder.Root()) + "/link\\x1B]0;title\\x07.mid: broken symbolic link\n" +
                           "midifields: " + P(folder.Root()) + "/locked\\x1B[31m\\x07.mid: permission denied\n");
    EXPECT_EQ(run.out, kTsvHeader);
}
#endif

}  // namespace
