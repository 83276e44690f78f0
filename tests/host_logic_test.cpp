// The host's own logic: the detection expression, the folder walk, the
// output formats, ordered parallel work, field selection and totals.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <sstream>
#include <thread>

#include "host/detect_expression.h"
#include "host/field_selection.h"
#include "host/file_walk.h"
#include "host/ordered_work.h"
#include "host/output_format.h"
#include "host/path_text.h"
#include "host/run_totals.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;
using test_files::SmallMidi;
using test_files::TestFolder;

namespace {

std::unique_ptr<DetectExpression> MustParse(const std::string& text) {
    std::string error;
    std::unique_ptr<DetectExpression> expression = DetectExpression::Parse(text, error);
    EXPECT_NE(expression, nullptr) << error;
    return expression;
}

TEST(DetectExpression, PluginExpressionMatchesExtensionsInAnyCase) {
    const auto expression = MustParse(R"(EXT="MID" | EXT="MIDI")");
    for (const char* name : {"a.mid", "b.MID", "c.Midi", "d.MIDI", "x.y.mid", "space name.mid"})
        EXPECT_TRUE(expression->Accepts(name)) << name;
    for (const char* name : {"a.txt", "mid", "a.mid.txt", ".mid", "a.midi2", "a.", "a.mi"})
        EXPECT_FALSE(expression->Accepts(name)) << name;
}

TEST(DetectExpression, OperatorsPrecedenceAndParentheses) {
    // & binds tighter than |, ! tighter than both.
    const auto mixed = MustParse(R"(EXT="A" | EXT="B" & EXT="C")");
    EXPECT_TRUE(mixed->Accepts("x.a"));
    EXPECT_FALSE(mixed->Accepts("x.b"));

    const auto grouped = MustParse(R"(!(EXT="A" | EXT="b"))");
    EXPECT_FALSE(grouped->Accepts("x.A"));
    EXPECT_FALSE(grouped->Accepts("x.B"));
    EXPECT_TRUE(grouped->Accepts("x.c"));

    const auto notFirst = MustParse(R"(!EXT="txt" & ext!="log")");
    EXPECT_TRUE(notFirst->Accepts("x.mid"));
    EXPECT_FALSE(notFirst->Accepts("x.TXT"));
    EXPECT_FALSE(notFirst->Accepts("x.log"));

    EXPECT_TRUE(MustParse("  ( ( EXT = \"kar\" ) )  ")->Accepts("song.KAR"));
}

TEST(DetectExpression, MalformedTextIsRefusedWithAReason) {
    for (const char* text : {"", R"(EXT="MID)", R"((EXT="MID")", R"(EXT="MID" |)", R"(SIZE="10")", R"(EXT "MID")",
                             R"(EXT="MID" EXT="MIDI")", R"(EXT="MID" ))", "!", "&"}) {
        std::string error;
        EXPECT_EQ(DetectExpression::Parse(text, error), nullptr) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    // Deep nesting is refused, not a stack overflow.
    std::string error;
    EXPECT_EQ(DetectExpression::Parse(std::string(100000, '('), error), nullptr);
    EXPECT_EQ(DetectExpression::Parse(std::string(100000, '!') + R"(EXT="A")", error), nullptr);
}

std::vector<std::string> Relative(const std::vector<fs::path>& files, const fs::path& root) {
    std::vector<std::string> out;
    for (const fs::path& file : files) out.push_back(file.lexically_relative(root).generic_string());
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
    const WalkResult all = WalkPaths({folder.Root()}, MidiOnly());
    EXPECT_TRUE(all.problems.empty());
    // Byte order of names; a folder's files at the folder's place.
    EXPECT_EQ(Relative(all.files, folder.Root()),
              (std::vector<std::string>{"Z.mid", "a.mid", "b.mid", "c/a.mid", "c/d/e.mid", "c/z.mid", "c0.mid"}));

    const WalkResult top = WalkPaths({folder.Root(), folder.Root() / "notes.txt"}, MidiOnly(false));
    EXPECT_EQ(Relative(top.files, folder.Root()),
              (std::vector<std::string>{"Z.mid", "a.mid", "b.mid", "c0.mid", "notes.txt"}));
}

TEST(FileWalk, MissingPathsAreProblemsAndTheRestIsStillWalked) {
    TestFolder folder;
    folder.Write("a.mid", SmallMidi());
    const WalkResult result = WalkPaths({folder.Root() / "gone", folder.Root()}, MidiOnly());
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].path, folder.Root() / "gone");
    EXPECT_EQ(result.files.size(), 1u);
}

#ifndef _WIN32
TEST(FileWalk, SymbolicLinkLoopsEndAndEachFolderIsReadOnce) {
    TestFolder folder;
    folder.Write("x/a.mid", SmallMidi());
    folder.Write("x/y/b.mid", SmallMidi());
    fs::create_directory_symlink(folder.Root() / "x", folder.Root() / "x/y/back");  // a loop
    fs::create_directory_symlink(folder.Root() / "x/y", folder.Root() / "x/y2");     // the same folder again
    fs::create_symlink(folder.Root() / "missing.mid", folder.Root() / "x/dangling.mid");
    const WalkResult result = WalkPaths({folder.Root()}, MidiOnly());
    EXPECT_EQ(Relative(result.files, folder.Root()), (std::vector<std::string>{"x/a.mid", "x/y/b.mid"}));
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0].path.filename(), "dangling.mid");
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

TEST(OutputFormat, TsvEscapesTabsAndLineBreaksAndKeepsBackslashes) {
    std::ostringstream out;
    auto writer = MakeRowWriter(OutputFormat::kTsv, out);
    writer->Begin({"A", "B", "C"});
    writer->Row("odd\tname\n.mid", {std::nullopt, std::string("4/4"), std::nullopt});
    writer->Row("C:\\music\\a.mid", {std::string("x"), std::string("y"), std::string("z")});
    writer->End();
    EXPECT_EQ(out.str(), "path\tA\tB\tC\nodd\\tname\\n.mid\t\t4/4\t\nC:\\music\\a.mid\tx\ty\tz\n");
}

TEST(OutputFormat, JsonLinesEscapeTextKeepColumnOrderAndUseNullForEmpty) {
    std::ostringstream out;
    auto writer = MakeRowWriter(OutputFormat::kJson, out);
    writer->Begin({"Zeta", "Alpha"});
    writer->Row("a\"b\\c\u00e9\x01.mid", {std::nullopt, std::string("1/4")});
    writer->Row(std::string("bad\xff.mid"), {std::string("x"), std::string("y")});
    writer->End();
    EXPECT_EQ(out.str(),
              "{\"path\":\"a\\\"b\\\\c\u00e9\\u0001.mid\",\"Zeta\":null,\"Alpha\":\"1/4\"}\n"
              "{\"path\":\"bad\xef\xbf\xbd.mid\",\"Zeta\":\"x\",\"Alpha\":\"y\"}\n");
}

TEST(OutputFormat, TableAlignsColumnsByCharactersNotBytes) {
    std::ostringstream out;
    auto writer = MakeRowWriter(OutputFormat::kTable, out);
    writer->Begin({"Key", "Len"});
    writer->Row("\u00e9t\u00e9.mid", {std::string("Eb"), std::nullopt});
    writer->Row("a\tb.mid", {std::nullopt, std::string("10")});
    writer->End();
    EXPECT_EQ(out.str(),
              "path     Key  Len\n"
              "\u00e9t\u00e9.mid  Eb\n"
              "a?b.mid       10\n");
}

TEST(OrderedWork, ResultsArriveInInputOrderWhateverTheThreadCount) {
    for (unsigned threads : {1u, 2u, 8u, 100u}) {
        const std::size_t count = 200;
        std::vector<std::size_t> emitted;
        std::vector<unsigned> delays(count);
        std::mt19937 random(threads);
        for (unsigned& delay : delays) delay = static_cast<unsigned>(random() % 300);
        RunOrdered<std::size_t>(
            count, threads,
            [&](std::size_t index) {
                std::this_thread::sleep_for(std::chrono::microseconds(delays[index]));
                return index * 3;
            },
            [&](std::size_t index, std::size_t& result) {
                EXPECT_EQ(result, index * 3);
                emitted.push_back(index);
            });
        std::vector<std::size_t> expected(count);
        for (std::size_t i = 0; i < count; ++i) expected[i] = i;
        EXPECT_EQ(emitted, expected) << threads << " threads";
    }
    bool called = false;
    RunOrdered<int>(0, 4, [&](std::size_t) { called = true; return 0; }, [&](std::size_t, int&) { called = true; });
    EXPECT_FALSE(called);
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

TEST(RunTotals, CountsFilesAndAddsPlayingTime) {
    RunTotals totals;
    totals.AddFile(false, std::string("4.000"));
    totals.AddFile(false, std::string("3599.5"));
    totals.AddFile(false, std::nullopt);
    totals.AddFile(true, std::nullopt);
    totals.AddFile(false, std::string("not a number"));
    totals.errors = 2;
    EXPECT_EQ(FormatTotals(totals),
              "files read: 5\nnot MIDI: 1\nnot readable: 2\ntotal playing time: 3603.500 s (1:00:04)\n");
}

TEST(PathText, InvalidUtf8BytesAreShownEscaped) {
    EXPECT_EQ(EscapeInvalidUtf8("ok \u00e9"), "ok \u00e9");
    EXPECT_EQ(EscapeInvalidUtf8("a\xff" "b\xc3"), "a\\xFFb\\xC3");
    EXPECT_EQ(EscapeInvalidUtf8("\xed\xa0\x80"), "\\xED\\xA0\\x80");  // a surrogate is not UTF-8
}

}  // namespace
