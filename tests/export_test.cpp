// The four exports through the real shared library, with canary bytes around
// every buffer to catch a write outside it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/loaded_plugin.h"
#include "tests/test_files.h"

namespace {

using namespace midi_bytes;
using loaded_plugin::Exports;
using loaded_plugin::GetValue;
using loaded_plugin::Value;

constexpr unsigned char kCanary = 0xA5;
constexpr std::size_t kGuard = 16;

// A host buffer of `size` bytes with guard bytes before and after it.
class GuardedBuffer {
public:
    explicit GuardedBuffer(std::size_t size) : bytes_(size + 2 * kGuard, kCanary), size_(size) {}
    char* data() { return reinterpret_cast<char*>(bytes_.data() + kGuard); }
    char16_t* wide() { return reinterpret_cast<char16_t*>(bytes_.data() + kGuard); }
    // True when nothing outside the buffer was touched.
    bool GuardsIntact() const {
        for (std::size_t i = 0; i < kGuard; ++i)
            if (bytes_[i] != kCanary || bytes_[kGuard + size_ + i] != kCanary) return false;
        return true;
    }
    bool Untouched() const {
        for (unsigned char b : bytes_)
            if (b != kCanary) return false;
        return true;
    }

private:
    std::vector<unsigned char> bytes_;
    std::size_t size_;
};

const char* const kFieldNames[] = {"MIDI Tempo (BPM)",    "MIDI Format",         "MIDI Tracks",
                                   "MIDI Division",       "MIDI Tempo (us/qn)",  "MIDI Duration (sec)",
                                   "MIDI Time Signature", "MIDI Key Signature", "MIDI Length (ticks)"};

TEST(DetectStringTest, WholeAndCut) {
    char buffer[64];
    EXPECT_EQ(Exports().getDetectString(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "EXT=\"MID\" | EXT=\"MIDI\"");
    for (int maxLength = -1; maxLength <= 24; ++maxLength) {
        GuardedBuffer guarded(maxLength > 0 ? static_cast<std::size_t>(maxLength) : 0);
        EXPECT_EQ(Exports().getDetectString(guarded.data(), maxLength), 0);
        EXPECT_TRUE(guarded.GuardsIntact()) << maxLength;
        if (maxLength > 0) {
            EXPECT_EQ(std::strlen(guarded.data()), std::min<std::size_t>(22, static_cast<std::size_t>(maxLength - 1)));
        }
    }
}

TEST(CatalogueTest, NineFieldsThenTheEnd) {
    for (int index = 0; index < 9; ++index) {
        char name[256];
        char units[256] = "x";
        EXPECT_EQ(Exports().getSupportedField(index, name, units, sizeof name), 11);
        EXPECT_STREQ(name, kFieldNames[index]);
        EXPECT_EQ(units[0], '\0');
    }
    GuardedBuffer guarded(256);
    EXPECT_EQ(Exports().getSupportedField(9, guarded.data(), nullptr, 256), 0);
    EXPECT_EQ(Exports().getSupportedField(-1, guarded.data(), nullptr, 256), 0);
    EXPECT_EQ(Exports().getSupportedField(1 << 30, guarded.data(), nullptr, 256), 0);
    EXPECT_TRUE(guarded.Untouched());
}

TEST(CatalogueTest, NamesAreCutToTwoLessThanTheLength) {
    GuardedBuffer six(6);
    EXPECT_EQ(Exports().getSupportedField(1, six.data(), nullptr, 6), 11);
    EXPECT_STREQ(six.data(), "MIDI");
    EXPECT_EQ(six.data()[5], '\0');
    EXPECT_TRUE(six.GuardsIntact());

    char name[17];
    Exports().getSupportedField(0, name, nullptr, 17);
    EXPECT_STREQ(name, "MIDI Tempo (BPM");

    for (int maxLength = -2; maxLength <= 22; ++maxLength) {
        for (int index = 0; index < 9; ++index) {
            GuardedBuffer guarded(maxLength > 0 ? static_cast<std::size_t>(maxLength) : 0);
            GuardedBuffer units(maxLength > 0 ? static_cast<std::size_t>(maxLength) : 0);
            EXPECT_EQ(Exports().getSupportedField(index, guarded.data(), units.data(), maxLength), 11);
            EXPECT_TRUE(guarded.GuardsIntact() && units.GuardsIntact()) << index << " " << maxLength;
            if (maxLength <= 0) {
                EXPECT_TRUE(guarded.Untouched() && units.Untouched());
            }
            if (maxLength >= 2) {
                EXPECT_EQ(std::string(guarded.data()),
                          std::string(kFieldNames[index]).substr(0, static_cast<std::size_t>(maxLength - 2)));
            }
        }
    }
}

class ValueExportTest : public ::testing::Test {
protected:
    static std::u16string WriteFile(const Bytes& bytes) {
        return test_files::Utf16Path(test_files::WriteTempFile(bytes));
    }
};

TEST_F(ValueExportTest, AllNineFieldsOfAFile) {
    const std::u16string path = WriteFile(
        Header(1, 2, 480) +
        Track(TimeSignature(0, 6, 3) + KeySignature(0, -3, 0) + SetTempo(0, 500000) + SetTempo(960, 250000) + EndOfTrack(960)) +
        Track(SetTempo(0, 600000) + NoteOn(0, 60) + NoteOff(1920, 60) + EndOfTrack(0)));
    const char* const expected[] = {"100.00", "1", "2", "480", "600000", "1.500", "6/8", "Eb", "1920"};
    for (int field = 0; field < 9; ++field) EXPECT_EQ(Value(path, field), expected[field]) << field;
}

TEST_F(ValueExportTest, NonAsciiFileNames) {
    // Cyrillic, CJK, and an emoji outside the Basic Multilingual Plane (a
    // surrogate pair in UTF-16).
    const Bytes file = Header(1, 3, 240) + Track(TimeSignature(0, 3, 2) + EndOfTrack(720));
    for (const char* name : {"\xd0\x9c\xd1\x83\xd0\xb7\xd1\x8b\xd0\xba\xd0\xb0.mid", "\xe9\x9f\xb3\xe6\xa5\xbd.midi",
                             "\xf0\x9f\x8e\xb9 piano.mid"}) {
        const std::u16string path = test_files::Utf16Path(test_files::WriteTempFile(file, name));
        EXPECT_EQ(Value(path, 2), "3") << name;
        EXPECT_EQ(Value(path, 6), "3/4") << name;
        EXPECT_EQ(Value(path, 8), "720") << name;
    }
}

TEST_F(ValueExportTest, NotAMidiFileLeavesTheBufferUntouched) {
    for (const std::u16string& path : {WriteFile(Text("just some text")), test_files::Utf16Path("/no/such/file.mid"),
                                       test_files::Utf16Path(test_files::TempFolder())}) {
        for (int field = 0; field < 9; ++field) {
            GuardedBuffer guarded(64);
            EXPECT_EQ(GetValue(path.c_str(), field, guarded.wide(), 64), -3);
            EXPECT_TRUE(guarded.Untouched());
        }
    }
    GuardedBuffer guarded(64);
    EXPECT_EQ(GetValue(nullptr, 0, guarded.wide(), 64), -3);
    EXPECT_TRUE(guarded.Untouched());
}

TEST_F(ValueExportTest, IndexOutsideTheCatalogueIsEmpty) {
    const std::u16string path = WriteFile(Header(0, 1, 96) + Track(EndOfTrack(96)));
    GuardedBuffer guarded(64);
    EXPECT_EQ(GetValue(path.c_str(), 9, guarded.wide(), 64), -3);
    EXPECT_EQ(GetValue(path.c_str(), -1, guarded.wide(), 64), -3);
    EXPECT_TRUE(guarded.Untouched());
}

TEST_F(ValueExportTest, EmptyFieldOfAValidFileClearsTheBuffer) {
    // No End of Track: no length and no duration, but the header fields.
    const std::u16string path = WriteFile(Header(0, 1, 96) + Track(NoteOn(0, 60)));
    GuardedBuffer guarded(64);
    EXPECT_EQ(GetValue(path.c_str(), 8, guarded.wide(), 64), -3);
    EXPECT_EQ(guarded.wide()[0], 0);
    EXPECT_EQ(Value(path, 5), "<empty>");
    EXPECT_EQ(Value(path, 0), "120.00");
    EXPECT_EQ(Value(path, 3), "96");
}

TEST_F(ValueExportTest, ValueIsCutToTheBufferAndStaysInside) {
    // "60000000.00" (11 characters) for a tempo of 1.
    const std::u16string path = WriteFile(Header(0, 1, 96) + Track(SetTempo(0, 1) + EndOfTrack(96)));
    for (int maxLength = -3; maxLength <= 30; ++maxLength) {
        const std::size_t size = maxLength > 0 ? static_cast<std::size_t>(maxLength) : 0;
        GuardedBuffer guarded(size);
        const int capacity = maxLength / 2;
        // No room for even a terminator: no value, and nothing written.
        EXPECT_EQ(GetValue(path.c_str(), 0, guarded.wide(), maxLength), capacity > 0 ? 11 : -3) << maxLength;
        EXPECT_TRUE(guarded.GuardsIntact()) << maxLength;
        if (capacity <= 0) {
            EXPECT_TRUE(guarded.Untouched()) << maxLength;
            continue;
        }
        const std::u16string text(guarded.wide());
        EXPECT_EQ(text, std::u16string(u"60000000.00").substr(0, static_cast<std::size_t>(std::min(capacity - 1, 11))));
    }
    EXPECT_EQ(GetValue(path.c_str(), 0, nullptr, 64), -3);
}

TEST_F(ValueExportTest, SetDefaultParamsIsHarmless) {
    Exports().setDefaultParams(nullptr);
    char junk[16] = {};
    Exports().setDefaultParams(junk);
    EXPECT_EQ(Value(WriteFile(Header(0, 1, 96) + Track(EndOfTrack(96))), 8), "96");
}

}  // namespace
