// The DLL among other Windows programs: files they hold open, files they
// rename, and paths longer than the classic limit, through the loaded
// library as a host uses it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/loaded_plugin.h"
#include "tests/test_files.h"

namespace {

using loaded_plugin::Value;

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// A small MIDI file of 480 ticks, written into the test folder.
std::u16string WriteSmallFile(const char* name) {
    return test_files::Utf16Path(test_files::WriteTempFile(test_files::SmallMidi(480), name));
}

// Another program's handle on path, with its access and sharing.
HANDLE HoldOpen(const std::u16string& path, DWORD access, DWORD sharing) {
    return CreateFileW(Wide(path), access, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(SharedFileTest, FilesOthersHoldOpenStillRead) {
    // A sync client or an editor that saves by renaming: read and delete
    // access, everything shared.
    const std::u16string syncing = WriteSmallFile("syncing.mid");
    HANDLE other = HoldOpen(syncing, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Value(syncing, 8), "480");
    CloseHandle(other);

    // A program writing the file, which lets others read it.
    const std::u16string writing = WriteSmallFile("writing.mid");
    other = HoldOpen(writing, GENERIC_WRITE, FILE_SHARE_READ);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Value(writing, 8), "480");
    CloseHandle(other);
}

TEST(SharedFileTest, AFileCanBeRenamedAndDeletedAfterARequest) {
    const std::u16string path = WriteSmallFile("to-rename.mid");
    const std::u16string renamed = path + u".renamed";
    EXPECT_EQ(Value(path, 8), "480");
    EXPECT_TRUE(MoveFileW(Wide(path), Wide(renamed))) << GetLastError();
    EXPECT_EQ(Value(renamed, 8), "480");
    EXPECT_TRUE(DeleteFileW(Wide(renamed))) << GetLastError();
}

TEST(LongPathTest, AThousandCharacterPathReadsPlainAndPrefixed) {
    // Folders of 200 characters down to about 1,000 in all, made through the
    // \\?\ form, which any Windows takes.
    std::u16string folder = test_files::Utf16Path(test_files::TempFolder());
    for (char16_t& c : folder)
        if (c == u'/') c = u'\\';
    const std::u16string prefix = u"\\\\?\\";
    while (folder.size() < 800) {
        folder += u'\\' + std::u16string(200, u'd');
        ASSERT_TRUE(CreateDirectoryW(Wide(prefix + folder), nullptr)) << GetLastError();
    }
    const std::u16string path = folder + u'\\' + std::u16string(1000 - folder.size() - 5, u'f') + u".mid";
    ASSERT_EQ(path.size(), 1000u);
    const midi_bytes::Bytes bytes = test_files::SmallMidi(960);
    HANDLE file = CreateFileW(Wide(prefix + path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    CloseHandle(file);

    EXPECT_EQ(Value(path, 8), "960");
    EXPECT_EQ(Value(prefix + path, 8), "960");
    // A relative step inside is resolved as Windows resolves it.
    const std::size_t last = path.rfind(u'\\');
    EXPECT_EQ(Value(path.substr(0, last) + u"\\.\\x\\.." + path.substr(last), 8), "960");
}

}  // namespace
