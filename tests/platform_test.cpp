// Opening files by UTF-16 paths, and the bounded text writers.
#include "platform/platform.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstring>

#include "tests/test_files.h"

namespace {

TEST(OpenFileTest, NonAsciiPathsOpen) {
    // Cyrillic, CJK, and an emoji outside the Basic Multilingual Plane.
    for (const char* name : {"\xd0\x9c\xd1\x83\xd0\xb7\xd1\x8b\xd0\xba\xd0\xb0.mid", "\xe9\x9f\xb3\xe6\xa5\xbd.mid",
                             "\xf0\x9f\x8e\xb9 piano.mid"}) {
        const std::u16string path = test_files::Utf16Path(test_files::WriteTempFile(midi_bytes::Text("MThd"), name));
        FILE* file = OpenFileForReading(path.c_str());
        ASSERT_NE(file, nullptr) << name;
        EXPECT_EQ(std::fgetc(file), 'M');
        std::fclose(file);
    }
}

TEST(OpenFileTest, UnpairedSurrogatesAndNonFilesFail) {
    const std::u16string folder = test_files::Utf16Path(test_files::TempFolder());
    const char16_t loneHigh[] = {u'/', 0xD83C, u'a', 0};
    const char16_t loneLow[] = {u'/', 0xDFB9, 0};
    const char16_t highAtEnd[] = {u'/', 0xD83C, 0};
    EXPECT_EQ(OpenFileForReading((folder + loneHigh).c_str()), nullptr);
    EXPECT_EQ(OpenFileForReading((folder + loneLow).c_str()), nullptr);
    EXPECT_EQ(OpenFileForReading((folder + highAtEnd).c_str()), nullptr);
    EXPECT_EQ(OpenFileForReading(folder.c_str()), nullptr);
    EXPECT_EQ(OpenFileForReading(u""), nullptr);
    EXPECT_EQ(OpenFileForReading(nullptr), nullptr);
}

TEST(OpenFileTest, DevicesAndPipesAreRefused) {
    // A read from a device or a pipe could wait forever; a scan must not.
#ifdef _WIN32
    for (const char16_t* device : {u"NUL", u"nul.mid", u"\\\\.\\NUL", u"CONIN$"}) {
        FILE* file = OpenFileForReading(device);
        EXPECT_EQ(file, nullptr);
        if (file != nullptr) std::fclose(file);
    }
#else
    EXPECT_EQ(OpenFileForReading(u"/dev/null"), nullptr);
    // A FIFO with no writer would block a plain open forever.
    const std::string fifo = test_files::TempFolder() + "/pipe.mid";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(OpenFileForReading(test_files::Utf16Path(fifo).c_str()), nullptr);
#endif
}

TEST(OpenFileTest, PositionsBeyondFourGigabytes) {
    // Seeking past the end is allowed and reads nothing; the position must
    // survive as a 64-bit number, not wrap at 2^31 or 2^32.
    const std::u16string path = test_files::Utf16Path(test_files::WriteTempFile(midi_bytes::Text("MThd")));
    FILE* file = OpenFileForReading(path.c_str());
    ASSERT_NE(file, nullptr);
    const std::int64_t far = 5'000'000'123;
    EXPECT_EQ(SeekFile(file, far, SEEK_SET), 0);
    EXPECT_EQ(SeekFile(file, -far + 2, SEEK_CUR), 0);  // back to 2 only if far survived whole
    EXPECT_EQ(std::fgetc(file), 'h');
    std::fclose(file);
}

TEST(OpenFileTest, OverlongPathFails) {
    const std::u16string path = test_files::Utf16Path("/" + std::string(5000, 'a'));
    EXPECT_EQ(OpenFileForReading(path.c_str()), nullptr);
}

#ifndef _WIN32
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
#endif

TEST(OpenFileTest, SizeComesWithTheOpenOrIsUnknown) {
    std::int64_t size = 0;
    const std::u16string path = test_files::Utf16Path(test_files::WriteTempFile(midi_bytes::Text("MThd..")));
    FILE* file = OpenFileForReading(path.c_str(), &size);
    ASSERT_NE(file, nullptr);
#ifdef _WIN32
    EXPECT_EQ(size, -1);  // Windows would need calls of its own to tell it
#else
    EXPECT_EQ(size, 6);
#endif
    std::fclose(file);

    EXPECT_EQ(OpenFileForReading(u"/no/such/file.mid", &size), nullptr);
    EXPECT_EQ(size, -1);
    // An empty file, like those in /proc that still have content, gives no size.
    file = OpenFileForReading(test_files::Utf16Path(test_files::WriteTempFile({})).c_str(), &size);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(size, -1);
    std::fclose(file);
}

TEST(TextWriterTest, NarrowCopyIsBoundedAndTerminated) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    CopyNarrowTextBounded(buffer, "abcdef", 4);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], '#');
    CopyNarrowTextBounded(buffer, "xyz", 0);
    EXPECT_STREQ(buffer, "abc");
    WriteNarrowText(buffer, 1, "xyz");
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'b');
}

TEST(TextWriterTest, WideWriteIsBoundedAndTerminated) {
    WideChar buffer[6];
    for (auto& c : buffer) c = u'#';
    WriteWideText(buffer, 3, u"12345");
    EXPECT_EQ(std::u16string(buffer), u"12");
    EXPECT_EQ(buffer[3], u'#');
    WriteWideText(buffer, 0, u"xyz");
    EXPECT_EQ(std::u16string(buffer), u"12");
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
