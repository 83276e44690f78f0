// Records against the plug-in: for every file, a record read by its path
// and one read from its bytes in memory hold exactly the nine value
// requests' result codes and texts; and the memory entry point takes any
// bytes, none at all included.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/system.h"
#include "records/midi_record.h"
#include "tests/loaded_plugin.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {

std::vector<char> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The record must be what nine requests of the loaded plug-in give.
void ExpectRecordIsThePluginsAnswers(const MidiRecord& record, const std::u16string& path, const std::string& what) {
    for (int field = 0; field < kMidiRecordFieldCount; ++field) {
        char16_t buffer[256] = {};
        const int result = loaded_plugin::GetValue(path.c_str(), field, buffer, sizeof buffer);
        EXPECT_EQ(record.results[field], result) << what << " field " << field;
        EXPECT_EQ(std::u16string(record.texts[field]), std::u16string(buffer)) << what << " field " << field;
        EXPECT_EQ(record.lengths[field], static_cast<int>(std::u16string(record.texts[field]).size())) << what;
    }
}

std::vector<fs::path> Folders() {
    std::vector<fs::path> folders{MIDIFIELDS_SAMPLES, MIDIFIELDS_TEST_DATA, MIDIFIELDS_FUZZ_CORPUS};
    // The public corpus beside the repository, where a checkout has it.
    if (fs::is_directory(MIDIFIELDS_SHARED_CORPUS)) folders.emplace_back(MIDIFIELDS_SHARED_CORPUS);
    return folders;
}

TEST(MidiRecord, EveryFileByPathAndFromMemoryGivesTheNineAnswersOfThePlugin) {
    int files = 0;
    for (const fs::path& folder : Folders()) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (!entry.is_regular_file()) continue;
            ++files;
            const std::u16string widePath = test_files::Utf16Path(entry.path().string());
            MidiRecord byPath;
            EXPECT_EQ(ReadMidiRecord(PathForRecords(entry.path()).c_str(), &byPath), kMidiRecordRead);
            ExpectRecordIsThePluginsAnswers(byPath, widePath, entry.path().string());
            const std::vector<char> bytes = FileBytes(entry.path());
            MidiRecord fromMemory;
            EXPECT_EQ(ReadMidiRecordFromMemory(bytes.data(), bytes.size(), &fromMemory), kMidiRecordRead);
            ExpectRecordIsThePluginsAnswers(fromMemory, widePath, entry.path().string() + " from memory");
        }
    }
    EXPECT_GT(files, 40);
}

TEST(MidiRecord, NoBytesAFileThatIsNotThereAndNoRecord) {
    const midi_bytes::Bytes whole = test_files::SmallMidi();
    MidiRecord record;
    const auto expectEmpty = [&record](const char* what) {
        for (int field = 0; field < kMidiRecordFieldCount; ++field) {
            EXPECT_EQ(record.results[field], kResultFieldEmpty) << what;
            EXPECT_EQ(record.lengths[field], 0) << what;
            EXPECT_EQ(record.texts[field][0], 0) << what;
        }
    };
    EXPECT_EQ(ReadMidiRecordFromMemory(whole.data(), 0, &record), kMidiRecordRead);
    expectEmpty("length 0");
    EXPECT_EQ(ReadMidiRecordFromMemory(nullptr, 0, &record), kMidiRecordRead);
    expectEmpty("null, length 0");
    EXPECT_EQ(ReadMidiRecordFromMemory(nullptr, 100, &record), kMidiRecordRead);
    expectEmpty("null, length 100");
    EXPECT_EQ(ReadMidiRecordFromMemory(whole.data(), 13, &record), kMidiRecordRead);
    expectEmpty("a header cut short");

    // Cut inside its only track: the header's fields, no length.
    EXPECT_EQ(ReadMidiRecordFromMemory(whole.data(), whole.size() - 2, &record), kMidiRecordRead);
    EXPECT_EQ(std::u16string(record.texts[1]), u"0");
    EXPECT_EQ(record.results[8], kResultFieldEmpty);

    const fs::path missing = fs::path(test_files::TempFolder()) / "no-such-file.mid";
    EXPECT_EQ(ReadMidiRecord(PathForRecords(missing).c_str(), &record), kMidiRecordNotOpened);
    expectEmpty("a missing file");
    EXPECT_EQ(ReadMidiRecord(nullptr, &record), kMidiRecordNotOpened);
    EXPECT_EQ(ReadMidiRecord(PathForRecords(missing).c_str(), nullptr), kMidiRecordNoRecord);
    EXPECT_EQ(ReadMidiRecordFromMemory(whole.data(), whole.size(), nullptr), kMidiRecordNoRecord);
}

TEST(MidiRecord, TheCatalogueAndDetectionAreThePlugins) {
    for (int field = -1; field <= kMidiRecordFieldCount; ++field) {
        char name[256] = {};
        const int kind = loaded_plugin::Exports().getSupportedField(field, name, nullptr, sizeof name);
        const char* recordName = GetMidiRecordFieldName(field);
        EXPECT_EQ(recordName == nullptr, kind == kNoMoreFields) << field;
        if (recordName != nullptr) {
            EXPECT_EQ(std::string(recordName), name);
        }
    }
    char detect[256] = {};
    loaded_plugin::Exports().getDetectString(detect, sizeof detect);
    EXPECT_EQ(std::string(GetMidiRecordDetectString()), detect);
}

}  // namespace
