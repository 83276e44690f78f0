// The host's own logic: the detection expression, the folder walk, the
// output formats and display widths, ordered parallel work, field
// selection and totals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fstream>
#include <future>
#include <random>
#include <sstream>
#include <thread>

#include "host/field_selection.h"
#include "host/file_expression.h"
#include "host/file_walk.h"
#include "host/ordered_work.h"
#include "host/output/delimited_writer.h"
#include "host/output/display_names.h"
#include "host/output/output_format.h"
#include "host/output/terminal_text.h"
#include "host/reason_text.h"
#include "host/row_order.h"
#include "host/run_totals.h"
#include "host/system.h"
#include "host/text_encoding.h"
#include "tests/test_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using test_files::SmallMidi;
using test_files::TestFolder;

namespace {

// Fields by the names the tests use: tempo (0, numbers), key (1, text),
// time (2, text), other (3, of a kind not known), or an index.
const FieldResolver kTestFields = [](const std::string& name, NamedField& field, std::string& error) {
    const std::pair<const char*, FieldKind> fields[] = {
        {"tempo", FieldKind::kNumber}, {"key", FieldKind::kText}, {"time", FieldKind::kText}, {"other", FieldKind::kUnknown}};
    for (int i = 0; i < 4; ++i)
        if (name == fields[i].first || name == std::to_string(i)) return field = NamedField{i, fields[i].second}, true;
    error = "unknown field '" + name + "'";
    return false;
};

std::unique_ptr<FileExpression> MustParse(const std::string& text, const FieldResolver* fields = nullptr) {
    ExpressionError error;
    std::unique_ptr<FileExpression> expression = FileExpression::Parse(text, fields, error);
    EXPECT_NE(expression, nullptr) << DescribeExpressionError(text, error);
    return expression;
}

TEST(FileExpression, PluginExpressionMatchesExtensionsInAnyCase) {
    const auto expression = MustParse(R"(EXT="MID" | EXT="MIDI")");
    for (const char* name : {"a.mid", "b.MID", "c.Midi", "d.MIDI", "x.y.mid", "space name.mid"})
        EXPECT_TRUE(expression->Accepts(name)) << name;
    for (const char* name : {"a.txt", "mid", "a.mid.txt", ".mid", "a.midi2", "a.", "a.mi"})
        EXPECT_FALSE(expression->Accepts(name)) << name;
}

TEST(FileExpression, OperatorsPrecedenceAndParentheses) {
    // & binds tighter than |, ! tighter than both.
    const auto mixed = MustParse(R"(EXT="A" | EXT="B" & EXT="C")");
    EXPECT_TRUE(mixed->Accepts("x.a"));
    EXPECT_FALSE(mixed->Accepts("x.b"));
    EXPECT_TRUE(MustParse(R"(EXT="A" & EXT="B" | EXT="C")")->Accepts("x.c"));  // on either side of |

    const auto grouped = MustParse(R"(!(EXT="A" | EXT="b"))");
    EXPECT_FALSE(grouped->Accepts("x.A"));
    EXPECT_FALSE(grouped->Accepts("x.B"));
    EXPECT_TRUE(grouped->Accepts("x.c"));

    const auto notFirst = MustParse(R"(!EXT="txt" & ext!="log")");
    EXPECT_TRUE(notFirst->Accepts("x.mid"));
    EXPECT_FALSE(notFirst->Accepts("x.TXT"));
    EXPECT_FALSE(notFirst->Accepts("x.log"));

    EXPECT_TRUE(MustParse("  ( ( EXT = \"kar\" ) )  ")->Accepts("song.KAR"));
    const auto pattern = MustParse(R"(NAME = "*Waltz?.mid")");
    EXPECT_TRUE(pattern->Accepts("Chopin waltz2.MID"));
    EXPECT_FALSE(pattern->Accepts("waltz.mid"));
    // ? is one character, however many bytes it takes.
    EXPECT_TRUE(pattern->Accepts("waltz\u00e9.mid"));
    EXPECT_TRUE(MustParse(R"(NAME = "?*?.mid")")->Accepts("\u97f3\u697d.mid"));
    EXPECT_FALSE(MustParse(R"(NAME = "??.mid")")->Accepts("\u97f3.mid"));
}

TEST(FileExpression, FieldsCompareAsNumbersOrTextAndMissingValuesMatchNothing) {
    using Values = std::vector<std::optional<std::string>>;
    const Values slowWaltz = {"97.50", "Dm", "3/4", "Dm"};
    const Values fast = {"150.00", "F", std::nullopt, "12"};
    const Values bare = {std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    const auto accepts = [](const std::string& text, const Values& values) {
        return MustParse(text, &kTestFields)->Accepts(FileFacts{"x.mid", values});
    };
    // Numbers by value, not by their text: 97.50 < 100 < 150.00.
    EXPECT_TRUE(accepts("tempo < 100", slowWaltz));
    EXPECT_FALSE(accepts("tempo < 100", fast));
    EXPECT_TRUE(accepts("0 >= 150 & tempo <= 150.0 & tempo != 149.99", fast));
    EXPECT_TRUE(accepts("tempo = 97.5 & tempo > -1", slowWaltz));
    // Text without regard to case, = and != only.
    EXPECT_TRUE(accepts(R"(key = "dm" | key = "F")", slowWaltz));
    EXPECT_TRUE(accepts(R"(key = "dm" | key = "F")", fast));
    EXPECT_TRUE(accepts(R"(time = "3/4" & key != 'F')", slowWaltz));  // single quotes too
    // Where the kind is not known, a text value never satisfies a numeric
    // comparison; a missing value none, != included; has() tells.
    EXPECT_FALSE(accepts("other > 1 | other < 1", slowWaltz));
    EXPECT_TRUE(accepts("other > 1", fast));
    EXPECT_FALSE(accepts(R"(time != "3/4")", fast));
    EXPECT_TRUE(accepts("!has(time) & has(tempo)", fast));
    EXPECT_TRUE(accepts("!has(0) & !has(key)", bare));

    std::vector<int> read;
    MustParse(R"(has(time) | tempo > 1 & EXT = "mid")", &kTestFields)->FieldsRead(read);
    EXPECT_EQ(read, (std::vector<int>{2, 0}));
}

TEST(FileExpression, AComparisonThatCouldNeverHoldIsRefusedAndNumbersMayHaveAnExponent) {
    // A key is never 3, a tempo never "fast": refused where the literal
    // stands, as text compared by < is, rather than matching nothing.
    struct Case {
        const char* text;
        std::size_t position;
        const char* message;
    };
    for (const Case& c : {Case{"key < 3", 7, "'key' holds text: compare it with text in quotes"},
                          Case{"time = -1.5e2 | key = 'F'", 8, "'time' holds text: compare it with text in quotes"},
                          Case{R"(tempo != "fast")", 10, "'tempo' holds numbers: compare it with a number"},
                          Case{"tempo > 1e", 9, "expected a number or text in quotes"},
                          Case{"tempo > 2e999", 9, "a number too large or too small"}}) {
        ExpressionError error;
        EXPECT_EQ(FileExpression::Parse(c.text, &kTestFields, error), nullptr) << c.text;
        EXPECT_EQ(error.message, c.message) << c.text;
        EXPECT_EQ(error.position + 1, c.position) << c.text;
    }
    // A number field's value compared with a number's text is compared as
    // text: "97.50" is that text, not 97.5.
    using Values = std::vector<std::optional<std::string>>;
    const Values slow = {"97.50", "Dm", "3/4", std::nullopt};
    const auto accepts = [&slow](const std::string& text) {
        return MustParse(text, &kTestFields)->Accepts(FileFacts{"x.mid", slow});
    };
    EXPECT_TRUE(accepts(R"(tempo = "97.50")"));
    EXPECT_FALSE(accepts(R"(tempo = "97.5")"));
    EXPECT_TRUE(accepts("tempo = 97.5"));
    EXPECT_TRUE(accepts("tempo > 9.7e1 & tempo < 1E+2 & tempo = 975e-1 & tempo > -1e-3"));
}

TEST(FileExpression, MalformedTextIsRefusedWithItsPosition) {
    struct Case {
        const char* text;
        std::size_t position;  // 1-based, where the caret goes
        const char* fields;    // "" for the detection expression
    };
    for (const Case& c : {Case{"", 1, ""}, Case{R"(EXT="MID)", 5, ""}, Case{R"((EXT="MID")", 11, ""},
                          Case{R"(EXT="MID" |)", 12, ""}, Case{R"(SIZE="10")", 1, ""}, Case{R"(EXT "MID")", 5, ""},
                          Case{R"(EXT="MID" EXT="MIDI")", 11, ""}, Case{R"(EXT="MID" ))", 11, ""}, Case{"!", 2, ""},
                          Case{"&", 1, ""}, Case{R"(tempx > 3)", 1, "f"}, Case{R"(key < "F")", 5, "f"},
                          Case{R"(key = "F)", 7, "f"}, Case{R"(tempo > 1 & | key = "F")", 13, "f"},
                          Case{"tempo > fast", 9, "f"}, Case{"has(tempo", 10, "f"}, Case{"tempo 3", 7, "f"}}) {
        ExpressionError error;
        EXPECT_EQ(FileExpression::Parse(c.text, *c.fields ? &kTestFields : nullptr, error), nullptr) << c.text;
        const std::string described = DescribeExpressionError(c.text, error);
        EXPECT_NE(described.find("at position " + std::to_string(c.position) + "\n"), std::string::npos)
            << c.text << ": " << described;
        EXPECT_EQ(described.substr(described.rfind('\n') + 1), std::string(c.position + 1, ' ') + "^") << c.text;
    }
    // The position counts characters; the caret stands under the character
    // by screen columns, two for each wide one before it.
    ExpressionError error;
    const std::string wide = "NAME = \"\u97f3\u697d\" EXT";
    ASSERT_EQ(FileExpression::Parse(wide, nullptr, error), nullptr);
    EXPECT_EQ(DescribeExpressionError(wide, error), "unexpected 'E' at position 13\n  " + wide + "\n" + std::string(16, ' ') + "^");

    // Deep nesting is refused, not a stack overflow.
    EXPECT_EQ(FileExpression::Parse(std::string(100000, '('), nullptr, error), nullptr);
    EXPECT_EQ(FileExpression::Parse(std::string(100000, '!') + R"(EXT="A")", nullptr, error), nullptr);
}

TEST(RowOrder, NumbersAsNumbersTextWithoutCaseMissingLastAndStable) {
    using Values = std::vector<std::optional<std::string>>;
    std::vector<std::pair<int, Values>> rows = {{0, {"9.000", "b"}},  {1, {std::nullopt, "a"}}, {2, {"10.000", "A"}},
                                                {3, {"9.000", "a"}},  {4, {"C", "c"}},          {5, {"-1", std::nullopt}}};
    const auto order = [&rows](const std::string& list) {
        std::vector<SortKey> keys;
        std::string error;
        EXPECT_TRUE(ParseSortKeys(list, kTestFields, keys, error)) << error;
        std::stable_sort(rows.begin(), rows.end(), [&keys](const auto& a, const auto& b) {
            return SortsBefore(SortValuesOf(a.second, keys), SortValuesOf(b.second, keys), keys);
        });
        std::string ids;
        for (const auto& row : rows) ids += std::to_string(row.first);
        return ids;
    };
    EXPECT_EQ(order("tempo"), "503241");       // numbers first, 9 before 10; text; missing last
    EXPECT_EQ(order("-tempo"), "420351");      // the whole order reversed, missing still last
    EXPECT_EQ(order("key, -tempo"), "231045");  // ties broken by the next key, case ignored
    EXPECT_EQ(order("1"), "231045");           // equal keys keep their order
    rows = {{0, {"1", "b"}}, {1, {"1", "C"}}};
    EXPECT_EQ(order("key"), "01");  // b before C: text without regard to case

    std::vector<SortKey> keys;
    std::string error;
    EXPECT_FALSE(ParseSortKeys("tempo,,key", kTestFields, keys, error));
    EXPECT_FALSE(ParseSortKeys("-", kTestFields, keys, error));
    EXPECT_FALSE(ParseSortKeys("speed", kTestFields, keys, error));
    EXPECT_NE(error.find("speed"), std::string::npos);
}

// Everything one named path gives a walk.
struct WalkResult {
    std::vector<WalkEntry> entries;
    std::size_t skipped = 0;
};

WalkResult Walk(FileWalk& walk, const fs::path& path) {
    WalkResult result;
    walk.Start(path);
    for (WalkEntry entry; walk.Next(entry);) result.entries.push_back(entry);
    result.skipped = walk.Skipped();
    return result;
}

// The files of a walk relative to root, and its problems by file name.
std::vector<std::string> Relative(const WalkResult& walk, const fs::path& root, bool problems = false) {
    std::vector<std::string> out;
    for (const WalkEntry& entry : walk.entries)
        if (entry.problem.empty() != problems) out.push_back(entry.path.lexically_relative(root).generic_string());
    return out;
}

WalkOptions MidiOnly(bool recurse = true) {
    WalkOptions options;
    options.recurse = recurse;
    options.accept = [](const fs::path& name) { return FileExtension(name.string()) == "mid"; };
    return options;
}

TEST(FileWalk, SortedDepthFirstFilteredAndNamedFilesAlwaysTaken) {
    TestFolder folder;
    for (const char* name : {"b.mid", "a.mid", "c/z.mid", "c/a.mid", "c/d/e.mid", "notes.txt", "c0.mid", "Z.mid"})
        folder.Write(name, SmallMidi());
    FileWalk walk(MidiOnly());
    const WalkResult all = Walk(walk, folder.Root());
    // Byte order of names; a folder's files at the folder's place.
    EXPECT_EQ(Relative(all, folder.Root()),
              (std::vector<std::string>{"Z.mid", "a.mid", "b.mid", "c/a.mid", "c/d/e.mid", "c/z.mid", "c0.mid"}));
    EXPECT_EQ(all.skipped, 1u);
    FileWalk every{WalkOptions{}};
    EXPECT_EQ(Relative(Walk(every, folder.Root()), folder.Root()).size(), 8u);

    FileWalk top(MidiOnly(false));
    EXPECT_EQ(Relative(Walk(top, folder.Root()), folder.Root()),
              (std::vector<std::string>{"Z.mid", "a.mid", "b.mid", "c0.mid"}));
    EXPECT_EQ(Relative(Walk(top, folder.Root() / "notes.txt"), folder.Root()), std::vector<std::string>{"notes.txt"});
    // A folder is walked once in a run.
    EXPECT_TRUE(Walk(top, folder.Root()).entries.empty());

    // Files come as the walk goes: the first before any later folder is read.
    std::vector<std::string> seen;
    WalkOptions counting;
    counting.accept = [&](const fs::path& name) { seen.push_back(name.string()); return true; };
    FileWalk streamed(counting);
    streamed.Start(folder.Root());
    WalkEntry first;
    ASSERT_TRUE(streamed.Next(first));
    EXPECT_EQ(seen, std::vector<std::string>{"Z.mid"});
}

TEST(FileWalk, AMissingPathIsAProblem) {
    TestFolder folder;
    FileWalk walk(MidiOnly());
    const WalkResult result = Walk(walk, folder.Root() / "gone");
    ASSERT_EQ(result.entries.size(), 1u);
    EXPECT_EQ(result.entries[0].path, folder.Root() / "gone");
    EXPECT_EQ(result.entries[0].problem, "no such file or folder");
}

// The descriptors this process holds, or -1 where the system does not tell.
int OpenDescriptors() {
#ifdef _WIN32
    return -1;
#else
    std::error_code error;
    int count = 0;
    for (fs::directory_iterator entry("/proc/self/fd", error), end; !error && entry != end; entry.increment(error)) ++count;
    return error ? -1 : count;
#endif
}

TEST(SystemFiles, TheOpenCheckClosesWhatItOpens) {
    // A file that reads as nothing is opened once more, to tell a file that
    // is not MIDI from one that does not open. More checks than Windows' C
    // runtime holds streams (512): one left open each time would make the
    // later ones fail there, and shows in the count elsewhere.
    TestFolder folder;
    const fs::path file = folder.Write("a.mid", SmallMidi());
    const int before = OpenDescriptors();
    for (int i = 0; i < 2000; ++i) {
        std::error_code error;
        ASSERT_TRUE(CanOpenForReading(file, error)) << i << ": " << error.message();
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

#ifdef _WIN32
TEST(FileWalk, NamesWindowsCannotOpenAreReportedForWhatTheyAre) {
    TestFolder folder;
    // Only the \\?\ form of a path keeps a trailing dot or blank, or a
    // device name, as it is; it removes them again too, which the folder's
    // own clean-up cannot.
    const auto longForm = [&](const wchar_t* name) { return L"\\\\?\\" + folder.Root().wstring() + L"\\" + name; };
    const wchar_t* const names[] = {L"dot.mid.", L"blank.mid ", L"nul.mid"};
    for (const wchar_t* name : names)
        CloseHandle(CreateFileW(longForm(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    FileWalk walk{WalkOptions{}};
    const WalkResult result = Walk(walk, folder.Root());
    for (const wchar_t* name : names) DeleteFileW(longForm(name).c_str());
    std::vector<std::string> problems;
    for (const WalkEntry& entry : result.entries) problems.push_back(entry.path.filename().string() + ": " + entry.problem);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "blank.mid : the name ends in a dot or a blank, which Windows drops, so the file cannot be opened by it",
                            "dot.mid.: the name ends in a dot or a blank, which Windows drops, so the file cannot be opened by it",
                            "nul.mid: the name is a Windows device (NUL, CON, COM1, ...), not a file"}));
    // A pattern, as cmd.exe passes *.mid on, names no file, even where it
    // matches some.
    folder.Write("a.mid", SmallMidi());
    const WalkResult pattern = Walk(walk, folder.Root() / "*.mid");
    ASSERT_EQ(pattern.entries.size(), 1u);
    EXPECT_EQ(pattern.entries[0].problem, "no such file or folder");
}

TEST(SystemPath, LongPathsTakeTheirLongFormAndThePluginGetsFullPaths) {
    // Wine takes a long path in any form, Windows only in its \\?\ form:
    // what is tested is the form the host's own calls use.
    std::wstring current = fs::current_path().native();
    if (current.back() != L'\\') current += L'\\';
    const std::wstring over(260 - current.size(), L'a');  // 260 characters made absolute
    EXPECT_EQ(SystemPath(over).native(), L"\\\\?\\" + current + over);
    EXPECT_EQ(SystemPath(over.substr(1)).native(), over.substr(1));
    EXPECT_EQ(PathForPlugin(L"x.mid").native(), current + L"x.mid");
}
#else
TEST(SystemFiles, APipeWhereAFileWasListedIsOpenedWithoutWaiting) {
    // The walk saw a file; by the time it is opened a FIFO may stand there,
    // with no writer ever to come.
    TestFolder folder;
    const fs::path fifo = folder.Root() / "swapped.mid";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto opening = std::async(std::launch::async, [&fifo] {
        std::error_code error;
        return CanOpenForReading(fifo, error);
    });
    if (opening.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "the open waits for a writer";
        std::ofstream writer(fifo);  // lets it go
    }
    opening.get();
}

TEST(FileWalk, SymbolicLinkLoopsEndAndEachFolderIsReadOnce) {
    TestFolder folder;
    folder.Write("x/a.mid", SmallMidi());
    folder.Write("x/y/b.mid", SmallMidi());
    fs::create_directory_symlink(folder.Root() / "x", folder.Root() / "x/y/back");  // a loop
    fs::create_directory_symlink(folder.Root() / "x/y", folder.Root() / "x/y2");     // the same folder again
    fs::create_symlink(folder.Root() / "missing.mid", folder.Root() / "x/dangling.mid");
    FileWalk walk(MidiOnly());
    const WalkResult result = Walk(walk, folder.Root());
    EXPECT_EQ(Relative(result, folder.Root()), (std::vector<std::string>{"x/a.mid", "x/y/b.mid"}));
    EXPECT_EQ(Relative(result, folder.Root(), true), std::vector<std::string>{"x/dangling.mid"});
}
#endif

TEST(OutputFormat, CsvQuotesOnlyWhatNeedsItAndEndsRowsWithCrLf) {
    EXPECT_EQ(CsvField("plain text"), "plain text");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField("cr\r"), "\"cr\r\"");

    std::ostringstream out;
    auto writer = MakeRowWriter(OutputFormat::kCsv, out);
    writer->Begin({"Tempo, BPM", "Key"});
    writer->Row("dir/a \"x\".mid", {std::string("120.00"), std::nullopt});
    writer->End();
    EXPECT_EQ(out.str(), "path,\"Tempo, BPM\",Key\r\n\"dir/a \"\"x\"\".mid\",120.00,\r\n");
}

TEST(OutputFormat, TsvWritesValuesAsTheyAreButForTabsAndLineBreaks) {
    std::ostringstream out;
    auto writer = MakeRowWriter(OutputFormat::kTsv, out);
    writer->Begin({"A", "B", "C"});
    writer->Row("odd\tname\r\n.mid", {std::nullopt, std::string("4/4"), std::nullopt});
    // Backslashes are never doubled, whatever follows them.
    writer->Row("C:\\music\\new\\rock\\t.mid", {std::string("x"), std::string("y"), std::string("z")});
    writer->End();
    EXPECT_EQ(out.str(), "path\tA\tB\tC\nodd\\tname\\r\\n.mid\t\t4/4\t\nC:\\music\\new\\rock\\t.mid\tx\ty\tz\n");
    EXPECT_EQ(TsvField("a\rb.mid"), "a\\rb.mid");
    EXPECT_EQ(TsvField("back\\x\ty.mid"), "back\\x\\ty.mid");  // one backslash, then the escaped tab
}

TEST(OutputFormat, JsonNumbersKeepThePluginsDigitsTextIsEscapedEmptyIsNullAndOddNamesKeepTheirBytes) {
    const auto write = [](OutputFormat format, int rows) {
        std::ostringstream out;
        auto writer = MakeRowWriter(format, out);
        writer->Begin({"Zeta", "Alpha", "Gamma"});
        if (rows > 0) writer->Row("a\"b\\c\u00e9\x01.mid", {std::nullopt, std::string("150.00"), std::string("59176")});
        // Only a plain decimal is a number: these stay text.
        if (rows > 1) writer->Row(std::string("bad\xff.mid"), {std::string("007"), std::string("1e3"), std::string("6/8")});
        writer->End();
        return out.str();
    };
    const std::string first = "{\"path\":\"a\\\"b\\\\c\u00e9\\u0001.mid\",\"Zeta\":null,\"Alpha\":150.00,\"Gamma\":59176}";
    // A name that is not UTF-8 keeps its bytes, in base64.
    const std::string second = "{\"path\":{\"bytes\":\"YmFk/y5taWQ=\"},\"Zeta\":\"007\",\"Alpha\":\"1e3\",\"Gamma\":\"6/8\"}";
    EXPECT_EQ(write(OutputFormat::kJsonLines, 2), first + "\n" + second + "\n");
    EXPECT_EQ(write(OutputFormat::kJson, 2), "[\n" + first + ",\n" + second + "\n]\n");
    EXPECT_EQ(write(OutputFormat::kJson, 0), "[]\n");
    for (const char* number : {"0", "-1", "81.36", "60000000.00"}) EXPECT_TRUE(IsPlainNumber(number)) << number;
    for (const char* text : {"", "-", "1.", ".5", "01", "1e3", "+1", "4/4", "0x10", "1.2.3"}) EXPECT_FALSE(IsPlainNumber(text)) << text;
}

TEST(DisplayWidth, WideCharactersCountTwoAndCombiningMarksNone) {
    EXPECT_EQ(DisplayWidth("plain.mid"), 9u);
    EXPECT_EQ(DisplayWidth("\u00e9"), 1u);                  // precomposed
    EXPECT_EQ(DisplayWidth("e\u0301\u20dd"), 1u);           // combining acute, enclosing circle
    EXPECT_EQ(DisplayWidth("\u97f3\u697d\uff21\ud55c"), 8u);  // CJK, fullwidth A, Hangul syllable
    EXPECT_EQ(DisplayWidth("\u1112\u1161\u11ab"), 2u);      // the same syllable from conjoining jamo
    EXPECT_EQ(DisplayWidth("\uff71\u0416"), 2u);            // halfwidth katakana, Cyrillic
    EXPECT_EQ(DisplayWidth("\U0001F3B9\u200d\ufe0f"), 2u);  // emoji, zero-width joiner, variation selector
    EXPECT_EQ(DisplayWidth("\U00020000"), 2u);              // CJK extension B
}

TEST(TerminalText, ControlCharactersNeverReachTheTerminal) {
    // C0 (escape), DEL, and C1 (CSI, U+009B, which some terminals obey),
    // and a byte that is not UTF-8: one '?' each in the table, the bytes
    // escaped in messages.
    const std::string name = "a\x1b[2J b\x7f c\xc2\x9b d\xc2\x80 \xff.mid";
    EXPECT_EQ(PrintableText(name), "a?[2J b? c? d? ?.mid");
    EXPECT_EQ(PrintableText(name, StandIn::kEscapedBytes), "a\\x1B[2J b\\x7F c\\xC2\\x9B d\\xC2\\x80 \\xFF.mid");
    for (const StandIn standIn : {StandIn::kQuestionMark, StandIn::kEscapedBytes})
        EXPECT_EQ(PrintableText("caf\u00e9 \u00a0\u97f3.mid", standIn), "caf\u00e9 \u00a0\u97f3.mid");
}

TEST(OutputFormat, TableFitsItsWidthByDisplayColumnsThenWrapsThenShortensHeadersThenBecomesAList) {
    const auto write = [](std::size_t width) {
        std::ostringstream out;
        auto writer = MakeRowWriter(OutputFormat::kTable, out, width);
        writer->Begin({"Tempo (BPM)", "Key Signature", "Length (ticks)"});
        writer->Row("\u97f3\u697d.mid", {std::string("120.00"), std::string("Eb"), std::string("960")});
        writer->Row("e\u0301te\u0301\tx.mid", {std::string("81.36"), std::nullopt, std::string("23040")});
        writer->End();
        return out.str();
    };
    // Values right-aligned when every one is a number; a path never widens a column.
    const std::string oneLine =
        "Tempo (BPM)  Key Signature  Length (ticks)  path\n"
        "     120.00  Eb                        960  \u97f3\u697d.mid\n"
        "      81.36                          23040  e\u0301te\u0301?x.mid\n";
    EXPECT_EQ(write(0), oneLine);
    EXPECT_EQ(write(74), oneLine);
    EXPECT_EQ(write(73),
              " Tempo  Key         Length  path\n"
              " (BPM)  Signature  (ticks)\n"
              "120.00  Eb             960  \u97f3\u697d.mid\n"
              " 81.36               23040  e\u0301te\u0301?x.mid\n");
    const std::string shortHeaders =
        " Tempo  Key      Len  path\n"
        " (BPM)  Sig  (ticks)\n"
        "120.00  Eb       960  \u97f3\u697d.mid\n"
        " 81.36         23040  e\u0301te\u0301?x.mid\n";
    EXPECT_EQ(write(57), shortHeaders);
    // 15 columns left for paths at the start of a row, but no fewer.
    EXPECT_EQ(write(37), shortHeaders);
    // Labels padded to the widest, whichever comes last.
    EXPECT_EQ(write(36),
              "\u97f3\u697d.mid\n"
              "  Tempo (BPM):    120.00\n"
              "  Key Signature:  Eb\n"
              "  Length (ticks): 960\n"
              "\n"
              "e\u0301te\u0301?x.mid\n"
              "  Tempo (BPM):    81.36\n"
              "  Key Signature:\n"
              "  Length (ticks): 23040\n");
}

TEST(OutputFormat, ATableCutsTextValuesToLeavePathsTheirRoomButNeverNumbers) {
    const auto write = [](std::size_t width) {
        std::ostringstream out;
        auto writer = MakeRowWriter(OutputFormat::kTable, out, width);
        writer->Begin({"status", "Key Signature", "Length (ticks)"});
        writer->Row("a.mid", {std::string("ok"), std::string("sf=-11 major"), std::string("12345678")});
        writer->Row("\u97f3.mid", {std::string("\u97f3\u697d\u97f3\u697d\u97f3\u697d"), std::string("Eb"), std::nullopt});
        writer->End();
        return out.str();
    };
    // Short headers leave paths 15 columns from 57 on.
    EXPECT_EQ(write(57),
              "status        Key Sig            Len  path\n"
              "                             (ticks)\n"
              "ok            sf=-11 major  12345678  a.mid\n"
              "\u97f3\u697d\u97f3\u697d\u97f3\u697d  Eb                      \u97f3.mid\n");
    // Narrower, the widest text column gives first, an ellipsis where a
    // value is cut, no wide character split; never below a header's width.
    EXPECT_EQ(write(52),
              "status       Key Sig            Len  path\n"
              "                            (ticks)\n"
              "ok           sf=-11 major  12345678  a.mid\n"
              "\u97f3\u697d\u97f3\u697d\u97f3\u2026  Eb                      \u97f3.mid\n");
    EXPECT_EQ(write(38),
              "status  Key       Len  path\n"
              "        Sig   (ticks)\n"
              "ok      sf\u2026  12345678  a.mid\n"
              "\u97f3\u697d\u2026   Eb             \u97f3.mid\n");
    // Cut to their headers and still short of 15 columns: the list, whole.
    const std::string list = write(37);
    EXPECT_EQ(list.rfind("a.mid\n  status:         ok\n  Key Signature:  sf=-11 major\n", 0), 0u) << list;
}

TEST(OutputFormat, TableColumnsAlignByScreenColumnsWithEmptyCellsAndListLabelsByTheWidest) {
    std::ostringstream table;
    auto writer = MakeRowWriter(OutputFormat::kTable, table);
    writer->Begin({"Key", "Length (ticks)"});
    writer->Row("a.mid", {std::string("\u97f3\u697d"), std::string("960")});
    writer->Row("junk.mid", {std::nullopt, std::nullopt});  // not MIDI: the numbers stay right-aligned
    writer->Row("b.mid", {std::string("Eb"), std::string("23040")});
    writer->End();
    EXPECT_EQ(table.str(),
              "Key   Length (ticks)  path\n"
              "\u97f3\u697d             960  a.mid\n"
              "                      junk.mid\n"
              "Eb             23040  b.mid\n");

    std::ostringstream list;
    writer = MakeRowWriter(OutputFormat::kList, list);
    writer->Begin({"Time Signature", "Format"});
    writer->Row("a.mid", {std::string("4/4"), std::string("1")});
    writer->End();
    EXPECT_EQ(list.str(), "a.mid\n  Time Signature: 4/4\n  Format:         1\n");
}

TEST(OrderedWork, ResultsArriveInStreamOrderAndTheStreamIsReadAWindowAhead) {
    constexpr std::size_t kCount = 200;
    constexpr std::size_t kWindow = 16;
    for (unsigned threads : {1u, 2u, 8u, 100u}) {
        std::vector<std::size_t> emitted;
        std::size_t taken = 0;
        std::size_t mostAhead = 0;
        std::vector<unsigned> delays(kCount);
        std::mt19937 random(threads);
        for (unsigned& delay : delays) delay = static_cast<unsigned>(random() % 300);
        RunOrdered<std::size_t, std::size_t>(
            threads, kWindow,
            [&](std::size_t& item) {
                if (taken == kCount) return false;
                item = taken++;
                // Taken and not yet emitted, this one included.
                mostAhead = std::max(mostAhead, taken - emitted.size());
                return true;
            },
            [&](const std::size_t& item) {
                std::this_thread::sleep_for(std::chrono::microseconds(delays[item]));
                return item * 3;
            },
            [&](std::size_t& item, std::size_t& result) {
                EXPECT_EQ(result, item * 3);
                emitted.push_back(item);
                return true;
            });
        std::vector<std::size_t> expected(kCount);
        for (std::size_t i = 0; i < kCount; ++i) expected[i] = i;
        EXPECT_EQ(emitted, expected) << threads << " threads";
        // The window is filled, and never overfilled; one thread takes an
        // item only when the last one is emitted.
        EXPECT_EQ(mostAhead, threads == 1 ? 1 : kWindow) << threads << " threads";
    }

    // A refusing emit ends the run; what was taken ahead is dropped.
    std::size_t taken = 0;
    std::size_t emitted = 0;
    RunOrdered<std::size_t, std::size_t>(
        4, kWindow, [&](std::size_t& item) { item = taken++; return true; },
        [](const std::size_t& item) { return item; },
        [&](std::size_t&, std::size_t&) { return ++emitted < 10; });
    EXPECT_EQ(emitted, 10u);
    EXPECT_LE(taken, 10 + kWindow);
}

TEST(FieldSelection, NamesInAnyCaseOrIndexesInTheOrderGiven) {
    const std::vector<std::string> catalogue{"MIDI Tempo (BPM)", "MIDI Format", "MIDI Tracks"};
    std::vector<int> selected;
    std::string error;
    ASSERT_TRUE(SelectFields(" midi tracks ,0,MIDI FORMAT,2", catalogue, selected, error)) << error;
    EXPECT_EQ(selected, (std::vector<int>{2, 0, 1, 2}));

    for (const char* bad : {"3", "-1", "MIDI", "0,,1", "", "1x", "99999999999999999999"}) {
        EXPECT_FALSE(SelectFields(bad, catalogue, selected, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(FieldSelection, HeadersWordsAndPrefixesThatPickOneField) {
    const std::vector<std::string> catalogue{"MIDI Tempo (BPM)", "MIDI Format", "MIDI Tempo (us/qn)",
                                             "MIDI Duration (sec)", "MIDI Time Signature", "MIDI Key Signature"};
    std::vector<int> selected;
    std::string error;
    ASSERT_TRUE(SelectFields("Duration (sec),duration,KEY,bpm,us/qn,tempo (bpm),time sig,fmt,dur (sec),form", catalogue,
                             selected, error))
        << error;
    EXPECT_EQ(selected, (std::vector<int>{3, 3, 5, 0, 2, 0, 4, 1, 3, 1}));
    // A word two fields share names both.
    EXPECT_FALSE(SelectFields("tempo", catalogue, selected, error));
    EXPECT_EQ(error, "--fields: 'tempo' is ambiguous: 'MIDI Tempo (BPM)' or 'MIDI Tempo (us/qn)'");
    EXPECT_FALSE(SelectFields("sig", catalogue, selected, error));
    EXPECT_NE(error.find("'MIDI Time Signature' or 'MIDI Key Signature'"), std::string::npos) << error;
    EXPECT_FALSE(SelectFields("pitch", catalogue, selected, error));
    EXPECT_EQ(error, "--fields: no field 'pitch' (see --list-fields)");
}

TEST(FieldSelection, ShortNamesDropOnlyTheWholeWordsAllNamesShare) {
    EXPECT_EQ(ShortFieldNames({"MIDI Tempo (BPM)", "MIDI Tempo (us/qn)", "MIDI Format"}),
              (std::vector<std::string>{"Tempo (BPM)", "Tempo (us/qn)", "Format"}));
    for (const std::vector<std::string>& kept : {std::vector<std::string>{"MIDI Tempo (BPM)", "MIDI Tempo (us/qn)",
                                                                          "MIDIX"},
                                                 {"Tempo", "Tempo x"}, {"MIDI Format"}})
        EXPECT_EQ(ShortFieldNames(kept), kept);
}

TEST(RunTotals, CountsFilesAndAddsPlayingTime) {
    RunTotals totals;
    totals.AddShown(std::string("4.000"));
    totals.AddShown(std::string("3599.5"));
    totals.AddShown(std::nullopt);
    totals.AddNotMidi();
    totals.AddShown(std::string("not a number"));
    totals.errors = 2;
    totals.skipped = 3;
    EXPECT_EQ(FormatTotals(totals), "files read: 5\nnot MIDI: 1\nnot readable: 2\nskipped by extension: 3\n"
                                    "total playing time: 3603.500 s (1:00:04)\n"
                                    "MIDI files without playing time: 1\n");
}

TEST(ReasonText, ReasonsAreInTheWordsOfEveryMessage) {
    EXPECT_EQ(ReasonText(std::make_error_code(std::errc::no_such_file_or_directory)), "no such file or folder");
    EXPECT_EQ(ReasonText(std::make_error_code(std::errc::permission_denied)), "permission denied");
    const std::string rare = ReasonText(std::make_error_code(std::errc::io_error));
    EXPECT_TRUE(std::islower(static_cast<unsigned char>(rare[0])) && rare.back() != '.') << rare;
}

TEST(TerminalText, BytesThatAreNotUtf8AreShownEscaped) {
    const auto escaped = [](const std::string& text) { return PrintableText(text, StandIn::kEscapedBytes); };
    // A lead byte at the end, or followed by ASCII rather than a continuation.
    EXPECT_EQ(escaped("a\xff" "b\xc3"), "a\\xFFb\\xC3");
    EXPECT_EQ(escaped("bad\xc3.mid"), "bad\\xC3.mid");
    EXPECT_EQ(escaped("\xed\xa0\x80"), "\\xED\\xA0\\x80");  // a surrogate is not UTF-8
    // Overlong forms, "/" and NUL in disguise, are not UTF-8 either.
    EXPECT_EQ(escaped("a\xc0\xaf" "b\xe0\x80\xaf"), "a\\xC0\\xAFb\\xE0\\x80\\xAF");
    std::u16string wide;
    for (const char* bad : {"x\xc0\xafy", "x\xc0\x80", "bad\xc3.mid"}) EXPECT_FALSE(Utf8ToUtf16(bad, wide)) << bad;
}

}  // namespace
