// The cases of tests/data/shared_cases.json, which the Python package's tests
// read too, so the two hosts keep one behaviour: the detection expression's
// grammar, --fields, walks of trees made for each case (the order, the files
// taken, and each path's status), and the Windows rules for names and long
// paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <nlohmann/json.hpp>

#include "host/field_selection.h"
#include "host/field_source.h"
#include "host/file_expression.h"
#include "host/file_feed.h"
#include "host/file_reading.h"
#include "host/options.h"
#include "host/read_status.h"
#include "host/system.h"
#include "host/text_encoding.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

#ifdef _WIN32
constexpr const char* kSystem = "windows";
#else
constexpr const char* kSystem = "posix";
#endif

const json& Cases() {
    static const json cases = [] {
        std::ifstream in(fs::path(MIDIFIELDS_TEST_DATA) / "shared_cases.json", std::ios::binary);
        EXPECT_TRUE(in.good()) << "shared_cases.json";
        return json::parse(in);
    }();
    return cases;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Base64Decoded(const std::string& text) {
    std::string out;
    std::uint32_t group = 0;
    int bits = 0;
    for (const char c : text) {
        const std::size_t digit =
            std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/").find(c);
        if (digit == std::string::npos) continue;  // padding
        group = (group << 6) | static_cast<std::uint32_t>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((group >> bits) & 0xFF);
        }
    }
    return out;
}

// A text of the case file: a string (UTF-8), {"bytes": base64}, or a list
// of pieces joined, [text, count] standing for text repeated.
std::string Text(const json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_object()) return Base64Decoded(value.at("bytes").get<std::string>());
    std::string out;
    for (const json& piece : value) {
        if (piece.is_array() && piece.size() == 2 && piece[1].is_number()) {
            for (int k = 0; k < piece[1].get<int>(); ++k) out += Text(piece[0]);
        } else {
            out += Text(piece);
        }
    }
    return out;
}

bool RunsHere(const json& entry) {
    if (!entry.contains("systems")) return true;
    for (const json& system : entry["systems"])
        if (system == kSystem) return true;
    return false;
}

TEST(SharedCases, DetectionExpressionsAcceptTheNamesTheyShould) {
    for (const json& c : Cases()["detection"]["accepts"]) {
        const std::string text = Text(c["expression"]);
        ExpressionError error;
        const auto expression = FileExpression::Parse(text, nullptr, error);
        ASSERT_NE(expression, nullptr) << text << ": " << error.message;
        for (const json& name : c["names"])
            EXPECT_EQ(expression->Accepts(Text(name[0])), name[1].get<bool>()) << text << " on " << Text(name[0]);
    }
}

TEST(SharedCases, MalformedDetectionExpressionsAreRefusedSayingWhatAndWhere) {
    for (const json& c : Cases()["detection"]["errors"]) {
        const std::string text = Text(c["expression"]);
        ExpressionError error;
        EXPECT_EQ(FileExpression::Parse(text, nullptr, error), nullptr) << text;
        EXPECT_EQ(error.message, c["message"].get<std::string>()) << text;
        EXPECT_EQ(error.position, c["position"].get<std::size_t>()) << text;
    }
}

TEST(SharedCases, FieldListsPickTheirFieldsOrSayWhyNot) {
    const std::vector<std::string> catalogue = ReadCatalogue(FieldSource{});
    for (const json& c : Cases()["fields"]) {
        const std::string list = c["list"].get<std::string>();
        std::vector<int> selected;
        std::string error;
        const bool picked = SelectFields(list, catalogue, selected, error);
        if (c.contains("indexes")) {
            EXPECT_TRUE(picked) << list << ": " << error;
            EXPECT_EQ(selected, c["indexes"].get<std::vector<int>>()) << list;
        } else {
            EXPECT_FALSE(picked) << list;
            EXPECT_EQ(error, c["error"].get<std::string>()) << list;
        }
    }
}

// Makes a case's tree under root, then sets the modes it asks for.
void MakeTree(const fs::path& root, const json& tree) {
    const std::string midi = ReadAll(fs::path(MIDIFIELDS_SAMPLES) / "format0-waltz.mid");
    for (const json& entry : tree) {
        if (entry.contains("mode")) continue;
        const std::string relative = Text(entry.contains("file")     ? entry["file"]
                                          : entry.contains("folder") ? entry["folder"]
                                          : entry.contains("link")   ? entry["link"]
                                                                     : entry["fifo"]);
        const fs::path path = root / PathFromUtf8(relative);
        fs::create_directories(entry.contains("folder") ? path : path.parent_path());
        if (entry.contains("file")) {
            std::ofstream out(path, std::ios::binary);
            out << (entry.contains("text") ? entry["text"].get<std::string>() : midi);
            ASSERT_TRUE(out.good()) << relative;
        } else if (entry.contains("link")) {
            fs::create_symlink(PathFromUtf8(entry["to"].get<std::string>()), path);
#ifndef _WIN32
        } else if (entry.contains("fifo")) {
            ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << relative;
#endif
        }
    }
    for (const json& entry : tree)
        if (entry.contains("mode"))
            fs::permissions(root / PathFromUtf8(Text(entry["mode"])),
                            static_cast<fs::perms>(std::stoi(entry["bits"].get<std::string>(), nullptr, 8)));
}

void RestoreModes(const fs::path& root, const json& tree) {
    for (const json& entry : tree)
        if (entry.contains("mode")) {
            std::error_code ignored;
            fs::permissions(root / PathFromUtf8(Text(entry["mode"])), fs::perms::owner_all | fs::perms::group_read |
                                                                           fs::perms::group_exec | fs::perms::others_read |
                                                                           fs::perms::others_exec, ignored);
        }
}

// The paths a run of the program with these arguments reads under root, in
// its order, each with its status: the program's feed and reading, with the
// file test the program builds (run_host.cpp) from the options.
std::vector<std::pair<std::string, std::string>> RunStatuses(const fs::path& root, const json& arguments) {
    std::vector<std::string> words;
    for (const json& argument : arguments) words.push_back(argument.get<std::string>());
    HostOptions options;
    std::string error;
    std::ostringstream help;
    EXPECT_EQ(ParseOptions(words, options, error, help), ParseOutcome::kRun) << error;
    std::string rootText;
    PathToUtf8(root, rootText);
    rootText += "/";
    for (std::string& path : options.paths) path = rootText + path;

    ExpressionError expressionError;
    const std::shared_ptr<FileExpression> detect =
        FileExpression::Parse(ReadDetectString(FieldSource{}), nullptr, expressionError);
    WalkOptions walkOptions;
    walkOptions.recurse = options.recurse;
    if (!options.allFiles) walkOptions.accept = MidiNameTest(*detect, options.extensions);
    FileFeed feed(walkOptions, options.paths, nullptr, '\n');
    const std::vector<bool> wanted(ReadCatalogue(FieldSource{}).size(), true);
    std::vector<std::pair<std::string, std::string>> statuses;
    for (WalkEntry entry; feed.Next(entry);) {
        const FileOutcome outcome = entry.problem.empty() ? ReadFile(FieldSource{}, entry.path, wanted)
                                                          : FileOutcome{entry.problem, {}};
        std::string path;
        PathToUtf8(entry.path, path);
        if (path.compare(0, rootText.size(), rootText) == 0) path = path.substr(rootText.size());
        std::replace(path.begin(), path.end(), '\\', '/');
        statuses.emplace_back(path, StatusText(outcome.problem, !AllEmpty(outcome.values)));
    }
    return statuses;
}

#ifndef _WIN32
// The run as a user without root's rights (nobody), in a child process that
// gives them up; as it is when not root.
std::vector<std::pair<std::string, std::string>> RunStatusesUnprivileged(const fs::path& root, const json& arguments) {
    if (geteuid() != 0) return RunStatuses(root, arguments);
    int channel[2];
    EXPECT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
        std::string out;
        for (const auto& [path, status] : RunStatuses(root, arguments)) out += path + '\0' + status + '\0';
        for (std::size_t at = 0; at < out.size();) {
            const ssize_t written = write(channel[1], out.data() + at, out.size() - at);
            if (written <= 0) _exit(1);
            at += static_cast<std::size_t>(written);
        }
        _exit(0);
    }
    close(channel[1]);
    std::string in;
    char buffer[4096];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) in.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<std::pair<std::string, std::string>> statuses;
    for (std::size_t at = 0; at < in.size();) {
        const std::size_t pathEnd = in.find('\0', at);
        const std::size_t statusEnd = in.find('\0', pathEnd + 1);
        statuses.emplace_back(in.substr(at, pathEnd - at), in.substr(pathEnd + 1, statusEnd - pathEnd - 1));
        at = statusEnd + 1;
    }
    return statuses;
}
#endif

TEST(SharedCases, WalksReadThePathsTheyShouldInTheirOrderEachWithItsStatus) {
    for (const json& c : Cases()["walks"]) {
        if (!RunsHere(c)) continue;
        SCOPED_TRACE(c["name"].get<std::string>());
        test_files::TestFolder folder;
        MakeTree(folder.Root(), c["tree"]);
#ifndef _WIN32
        const auto statuses = c.value("unprivileged", false) ? RunStatusesUnprivileged(folder.Root(), c["arguments"])
                                                             : RunStatuses(folder.Root(), c["arguments"]);
#else
        const auto statuses = RunStatuses(folder.Root(), c["arguments"]);
#endif
        RestoreModes(folder.Root(), c["tree"]);
        const json& expected = c["expected"].is_object() ? c["expected"][kSystem] : c["expected"];
        std::vector<std::pair<std::string, std::string>> wanted;
        for (const json& entry : expected) wanted.emplace_back(Text(entry[0]), entry[1].get<std::string>());
        EXPECT_EQ(statuses, wanted);
    }
}

#ifdef _WIN32
TEST(SharedCases, WindowsNamesItCannotOpenAreToldByTheName) {
    for (const json& c : Cases()["windows"]["unopenable_names"])
        EXPECT_EQ(UnopenableNameReason(PathFromUtf8(c[0].get<std::string>())), c[1].get<std::string>()) << c[0];
}

TEST(SharedCases, LongWindowsPathsTakeTheirLongForm) {
    for (const json& c : Cases()["windows"]["long_paths"]) {
        std::string form;
        PathToUtf8(SystemPath(PathFromUtf8(Text(c["path"]))), form);
        EXPECT_EQ(form, Text(c["system"])) << Text(c["path"]);
    }
}
#endif

}  // namespace
