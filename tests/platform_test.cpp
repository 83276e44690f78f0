// Opening and reading files by UTF-16 paths, and the bounded text writers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/ansi_text.h"
#include "platform/bounded_text.h"
#include "platform/file_access.h"
#include "tests/test_files.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/long_path.h"
#else
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "platform/utf8_text.h"
#endif

namespace {

bool Opens(const std::u16string& path) {
    ReadableFile file;
    if (!OpenFileForReading(path.c_str(), file)) return false;
    CloseFile(file);
    return true;
}

TEST(OpenFileTest, NonAsciiPathsOpen) {
    // Cyrillic, CJK, and an emoji outside the Basic Multilingual Plane.
    for (const char* name : {"\xd0\x9c\xd1\x83\xd0\xb7\xd1\x8b\xd0\xba\xd0\xb0.mid", "\xe9\x9f\xb3\xe6\xa5\xbd.mid",
                             "\xf0\x9f\x8e\xb9 piano.mid"}) {
        const std::u16string path = test_files::Utf16Path(test_files::WriteTempFile(midi_bytes::Text("MThd"), name));
        ReadableFile file;
        ASSERT_TRUE(OpenFileForReading(path.c_str(), file)) << name;
        std::uint8_t byte = 0;
        EXPECT_EQ(ReadFileBytes(file, &byte, 1), 1);
        EXPECT_EQ(byte, 'M');
        CloseFile(file);
    }
}

TEST(OpenFileTest, UnpairedSurrogatesAndNonFilesFail) {
    const std::u16string folder = test_files::Utf16Path(test_files::TempFolder());
    const char16_t loneHigh[] = {u'/', 0xD83C, u'a', 0};
    const char16_t loneLow[] = {u'/', 0xDFB9, 0};
    const char16_t highAtEnd[] = {u'/', 0xD83C, 0};
    EXPECT_FALSE(Opens(folder + loneHigh));
    EXPECT_FALSE(Opens(folder + loneLow));
    EXPECT_FALSE(Opens(folder + highAtEnd));
    EXPECT_FALSE(Opens(folder));
    EXPECT_FALSE(Opens(u""));
    ReadableFile file;
    EXPECT_FALSE(OpenFileForReading(nullptr, file));
}

TEST(OpenFileTest, DevicesAndPipesAreRefused) {
    // A read from a device or a pipe could wait forever; a scan must not.
#ifdef _WIN32
    for (const char16_t* device : {u"NUL", u"nul.mid", u"\\\\.\\NUL", u"CONIN$"}) EXPECT_FALSE(Opens(device));
#else
    EXPECT_FALSE(Opens(u"/dev/null"));
    // A FIFO with no writer would block a plain open forever.
    const std::string fifo = test_files::TempFolder() + "/pipe.mid";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(Opens(test_files::Utf16Path(fifo)));
#endif
}

TEST(OpenFileTest, PositionsBeyondFourGigabytesAndTheSize) {
    const std::u16string path = test_files::Utf16Path(test_files::WriteTempFile(midi_bytes::Text("MThd..")));
    ReadableFile file;
    ASSERT_TRUE(OpenFileForReading(path.c_str(), file));
    EXPECT_EQ(file.size, 6);
    // Past the end is allowed and reads nothing; a position cut to 32 bits
    // would land on byte 2 instead.
    std::uint8_t byte = 0;
    EXPECT_TRUE(SeekFileTo(file, (std::int64_t{1} << 32) + 2));
    EXPECT_EQ(ReadFileBytes(file, &byte, 1), 0);
    EXPECT_TRUE(SeekFileTo(file, 2));
    EXPECT_EQ(ReadFileBytes(file, &byte, 1), 1);
    EXPECT_EQ(byte, 'h');
    CloseFile(file);
}

TEST(OpenFileTest, AReadErrorIsNotTheEndOfTheFile) {
    // A folder's handle cannot be read: the error must come back as one.
    std::uint8_t buffer[4];
#ifdef _WIN32
    HANDLE folder = CreateFileW(reinterpret_cast<LPCWSTR>(test_files::Utf16Path(test_files::TempFolder()).c_str()),
                                GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    ReadableFile file{reinterpret_cast<std::intptr_t>(folder), -1};
#else
    ReadableFile file{open(test_files::TempFolder().c_str(), O_RDONLY | O_CLOEXEC), -1};
    ASSERT_GE(file.handle, 0);
#endif
    EXPECT_EQ(ReadFileBytes(file, buffer, sizeof buffer), -1);
    CloseFile(file);
}

#ifdef _WIN32
TEST(OpenFileTest, DataThatIsNotOnThisMachineIsNotFetched) {
    // Wine cannot give a file these attributes; the decision is tested on
    // their values: offline, recall on open, recall on data access.
    for (const std::uint32_t attributes : {0x1000u, 0x40000u, 0x400000u, 0x400020u})
        EXPECT_TRUE(DataIsElsewhere(attributes)) << attributes;
    // Archive, read-only, hidden, sparse, compressed, a pinned cloud file.
    for (const std::uint32_t attributes : {0x20u, 0x1u, 0x2u, 0x200u, 0x800u, 0x80000u})
        EXPECT_FALSE(DataIsElsewhere(attributes)) << attributes;
}

// An opened handle as a test describes it, counting the questions asked.
class DescribedHandle final : public OpenedFile {
public:
    DescribedHandle(std::int64_t size, std::uint32_t attributes, bool diskFile = true)
        : size_(size), attributes_(attributes), diskFile_(diskFile) {}
    bool IsDiskFile() const override { return diskFile_; }
    bool Size(std::int64_t& size) const override {
        size = size_;
        return true;
    }
    bool Attributes(std::uint32_t& attributes) const override {
        ++attributeQuestions;
        attributes = attributes_;
        return attributes_ != INVALID_FILE_ATTRIBUTES;
    }
    mutable int attributeQuestions = 0;

private:
    std::int64_t size_;
    std::uint32_t attributes_;
    bool diskFile_;
};

TEST(OpenFileTest, TheSizeIsTheHandlesAndALinkIsJudgedByWhatItsOpenReached) {
    // Windows describes a symbolic link's name as the link itself, a reparse
    // point of size 0, and Wine follows links in every look, so the choice
    // is tested on the values Windows gives.
    constexpr std::uint32_t kArchive = 0x20, kFolder = 0x10, kReparsePoint = 0x400;
    constexpr std::int64_t kSize = (std::int64_t{1} << 32) + 5;
    // A plain file is judged by its name's look: the handle is asked only
    // its size, so what it would say of the attributes never counts.
    const DescribedHandle file(kSize, kFolder);
    EXPECT_EQ(SizeOfOpened(file, kArchive), kSize);
    EXPECT_EQ(file.attributeQuestions, 0);
    EXPECT_EQ(SizeOfOpened(DescribedHandle(kSize, kArchive), kArchive | 0x1000), -1);  // offline

    // A link is judged by its target: read when that is a file here, never
    // when it is a folder, offline or in the cloud, or cannot be told.
    const DescribedHandle linkedFile(kSize, kArchive);
    EXPECT_EQ(SizeOfOpened(linkedFile, kArchive | kReparsePoint), kSize);
    EXPECT_EQ(linkedFile.attributeQuestions, 1);
    for (const std::uint32_t target : {kFolder, kArchive | 0x1000u, kArchive | 0x400000u, std::uint32_t{INVALID_FILE_ATTRIBUTES}})
        EXPECT_EQ(SizeOfOpened(DescribedHandle(kSize, target), kArchive | kReparsePoint), -1) << target;

    // A device or a pipe, which opens like a file, is never read.
    EXPECT_EQ(SizeOfOpened(DescribedHandle(0, kArchive, false), kArchive), -1);
}

TEST(LongPathTest, ARelativePathIsMeasuredMadeAbsolute) {
    // Wine opens long paths without the prefix; Windows does not. What is
    // tested is the measure and the form the plug-in opens.
    static wchar_t buffer[kLongestPath + 1];
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    if (folder.back() != L'\\') folder += L'\\';
    ASSERT_LT(folder.size(), 200u);
    const std::wstring fits(259 - folder.size(), L'a');  // 259 characters made absolute
    const std::wstring over(260 - folder.size(), L'a');  // 260
    EXPECT_FALSE(NeedsLongPathForm(fits.c_str()));
    ASSERT_TRUE(NeedsLongPathForm(over.c_str()));
    EXPECT_EQ(std::wstring(LongPathForm(over.c_str(), buffer)), L"\\\\?\\" + folder + over);
    EXPECT_FALSE(NeedsLongPathForm((L"C:\\" + std::wstring(256, L'a')).c_str()));
    EXPECT_TRUE(NeedsLongPathForm((L"C:\\" + std::wstring(257, L'a')).c_str()));
}

TEST(LongPathTest, AbsoluteAndPrefixedOnlyWhenLong) {
    static wchar_t buffer[kLongestPath + 1];
    const std::wstring tail(300, L'a');
    EXPECT_FALSE(NeedsLongPathForm(L"C:\\Music\\x.mid"));
    EXPECT_FALSE(NeedsLongPathForm((L"\\\\?\\C:\\" + tail).c_str()));
    EXPECT_FALSE(NeedsLongPathForm((L"\\\\.\\C:\\" + tail).c_str()));
    ASSERT_TRUE(NeedsLongPathForm((L"C:\\" + tail).c_str()));
    // Made absolute and normalised, then prefixed.
    EXPECT_EQ(std::wstring(LongPathForm((L"C:\\Music\\..\\.\\" + tail).c_str(), buffer)), L"\\\\?\\C:\\" + tail);
    EXPECT_EQ(std::wstring(LongPathForm((L"\\\\server\\share\\" + tail).c_str(), buffer)),
              L"\\\\?\\UNC\\server\\share\\" + tail);
    EXPECT_EQ(LongPathForm((L"C:\\" + std::wstring(kLongestPath, L'a')).c_str(), buffer), nullptr);
}
#else
TEST(OpenFileTest, Utf8PathFillsItsBufferExactly) {
    // A last character of one to four UTF-8 bytes: the text fits with its
    // terminator in exactly its length + 1 bytes, and one byte less must
    // fail without writing past the buffer.
    struct Case {
        const char16_t* text;
        const char* utf8;
    };
    for (const Case& c : {Case{u"abc", "abc"}, Case{u"ab\u00e9", "ab\xc3\xa9"}, Case{u"ab\u20ac", "ab\xe2\x82\xac"},
                          Case{u"ab\U0001F3B9", "ab\xf0\x9f\x8e\xb9"}}) {
        const std::size_t length = std::strlen(c.utf8);
        char out[8];
        std::memset(out, '#', sizeof out);
        EXPECT_TRUE(ConvertUtf16ToUtf8(c.text, out, length + 1));
        EXPECT_STREQ(out, c.utf8);
        std::memset(out, '#', sizeof out);
        EXPECT_FALSE(ConvertUtf16ToUtf8(c.text, out, length)) << c.utf8;
        EXPECT_EQ(out[length], '#') << c.utf8;
    }
}

TEST(OpenFileTest, AReadInterruptedByASignalIsRetried) {
    // A signal whose handler does not ask for restarted calls interrupts a
    // read that waits (EINTR), as on a pipe or a slow network mount; that is
    // no read error.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    struct sigaction action {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);  // and no SA_RESTART
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    const pthread_t waiting = pthread_self();
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pthread_kill(waiting, SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(write(ends[1], "MThd", 4), 4);
    });
    ReadableFile file{ends[0], -1};
    std::uint8_t buffer[4];
    EXPECT_EQ(ReadFileBytes(file, buffer, sizeof buffer), 4);
    other.join();
    sigaction(SIGUSR1, &previous, nullptr);
    close(ends[0]);
    close(ends[1]);
}

TEST(OpenFileTest, OverlongPathFails) { EXPECT_FALSE(Opens(test_files::Utf16Path("/" + std::string(5000, 'a')))); }

TEST(OpenFileTest, AnEmptyFileHasNoSize) {
    // Like the files in /proc that say 0 and still have content.
    ReadableFile file;
    ASSERT_TRUE(OpenFileForReading(test_files::Utf16Path(test_files::WriteTempFile({})).c_str(), file));
    EXPECT_EQ(file.size, -1);
    CloseFile(file);
}
#endif

TEST(TextWriterTest, CopiesAreBoundedAndTerminated) {
    char narrow[8];
    std::memset(narrow, '#', sizeof narrow);
    CopyNarrowText(narrow, "abcdef", 4);
    EXPECT_STREQ(narrow, "abc");
    EXPECT_EQ(narrow[4], '#');
    CopyNarrowText(narrow, "xyz", 0);
    EXPECT_STREQ(narrow, "abc");
    CopyNarrowText(narrow, "xyz", 1);
    EXPECT_EQ(narrow[0], '\0');
    EXPECT_EQ(narrow[1], 'b');

    char16_t wide[6];
    for (auto& c : wide) c = u'#';
    CopyWideText(wide, u"12345", 3);
    EXPECT_EQ(std::u16string(wide), u"12");
    EXPECT_EQ(wide[3], u'#');
    CopyWideText(wide, u"xyz", 0);
    EXPECT_EQ(std::u16string(wide), u"12");
}

TEST(TextWriterTest, AnsiConversionOfNames) {
    char buffer[32];
    ConvertWideToAnsi(u"MIDI Tempo (BPM)", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "MIDI Tempo (BPM)");
    ConvertWideToAnsi(u"MIDI Tempo (BPM)", buffer, 5);
    EXPECT_STREQ(buffer, "MIDI");
    ConvertWideToAnsi(u"MIDI", buffer, 1);
    EXPECT_STREQ(buffer, "");
}

TEST(TextWriterTest, AnsiConversionCutsWithinTheBuffer) {
    // Whatever the code page makes of non-ASCII characters, a text too long
    // for the buffer is cut, not dropped, and nothing is written past it.
    for (const char16_t* text : {u"ab\u00e9cdef", u"a\U0001F3B9bcdef", u"\u97f3\u697d\u97f3\u697d\u97f3\u697d"}) {
        for (int size = 1; size <= 8; ++size) {
            char buffer[12];
            std::memset(buffer, '#', sizeof buffer);
            ConvertWideToAnsi(text, buffer, size);
            const std::size_t length = std::strlen(buffer);
            EXPECT_LT(length, static_cast<std::size_t>(size));
            EXPECT_EQ(buffer[size], '#');
            if (text[0] == u'a' && size >= 2) {
                EXPECT_EQ(buffer[0], 'a');
            }
        }
        char whole[8];
        ConvertWideToAnsi(text, whole, sizeof whole);
        EXPECT_GT(std::strlen(whole), 0u);
    }
}

}  // namespace
