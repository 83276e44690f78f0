// The text of each field, formatted from a summary.
#include "plugin/value_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "plugin/field_catalogue.h"

namespace {

MidiSummary ValidSummary() {
    MidiSummary summary;
    ResetMidiSummary(summary);
    summary.valid = 1;
    return summary;
}

std::string Narrow(const char16_t* text) {
    std::string out;
    for (; *text != 0; ++text) out += static_cast<char>(*text);
    return out;
}

// The field's text, or "<empty>" when the field has no value.
std::string Field(const MidiSummary& summary, int index) {
    ValueText value;
    if (!FormatFieldValue(summary, index, value)) {
        EXPECT_EQ(value.text[0], 0);
        return "<empty>";
    }
    return Narrow(value.text);
}

TEST(ValueTextTest, DefaultsOfAFileWithoutEvents) {
    const MidiSummary summary = ValidSummary();
    EXPECT_EQ(Field(summary, kFieldTempoBpm), "120.00");
    EXPECT_EQ(Field(summary, kFieldTempoMicroseconds), "500000");
    EXPECT_EQ(Field(summary, kFieldFormat), "0");
    EXPECT_EQ(Field(summary, kFieldDurationSeconds), "<empty>");
    EXPECT_EQ(Field(summary, kFieldTimeSignature), "<empty>");
    EXPECT_EQ(Field(summary, kFieldKeySignature), "<empty>");
    EXPECT_EQ(Field(summary, kFieldLengthTicks), "<empty>");
}

TEST(ValueTextTest, Tempo) {
    MidiSummary summary = ValidSummary();
    summary.tempo = 600000;
    EXPECT_EQ(Field(summary, kFieldTempoBpm), "100.00");
    EXPECT_EQ(Field(summary, kFieldTempoMicroseconds), "600000");
    summary.tempo = 16777215;
    EXPECT_EQ(Field(summary, kFieldTempoBpm), "3.58");
    summary.tempo = 1;
    EXPECT_EQ(Field(summary, kFieldTempoBpm), "60000000.00");
    summary.tempo = 0;  // a Set Tempo of 0: no beats per minute to show
    EXPECT_EQ(Field(summary, kFieldTempoBpm), "<empty>");
    EXPECT_EQ(Field(summary, kFieldTempoMicroseconds), "0");
}

TEST(ValueTextTest, HeaderWordsAsUnsignedDecimals) {
    MidiSummary summary = ValidSummary();
    summary.format = 65535;
    summary.trackCount = 17;
    summary.division = 0xE728;
    summary.lengthTicks = 4294967295u;
    EXPECT_EQ(Field(summary, kFieldFormat), "65535");
    EXPECT_EQ(Field(summary, kFieldTracks), "17");
    EXPECT_EQ(Field(summary, kFieldDivision), "59176");
    EXPECT_EQ(Field(summary, kFieldLengthTicks), "4294967295");
}

TEST(ValueTextTest, Duration) {
    MidiSummary summary = ValidSummary();
    summary.durationSeconds = 1.5;
    EXPECT_EQ(Field(summary, kFieldDurationSeconds), "1.500");
    summary.durationSeconds = 0.0004;  // above zero, so shown even as 0.000
    EXPECT_EQ(Field(summary, kFieldDurationSeconds), "0.000");
    summary.durationSeconds = 72057594037.927936;
    EXPECT_EQ(Field(summary, kFieldDurationSeconds), "72057594037.928");
}

TEST(ValueTextTest, TimeSignatureDenominatorIsTwoToThePowerModulo32) {
    MidiSummary summary = ValidSummary();
    summary.timeSignatureSeen = 1;
    const std::pair<int, const char*> cases[] = {{2, "6/4"}, {3, "6/8"}, {0, "6/1"}, {31, "6/2147483648"},
                                                 {32, "6/1"}, {33, "6/2"}, {255, "6/2147483648"}};
    summary.timeSignatureNumerator = 6;
    for (const auto& [power, text] : cases) {
        summary.timeSignatureDenominatorPower = static_cast<std::uint8_t>(power);
        EXPECT_EQ(Field(summary, kFieldTimeSignature), text) << power;
    }
    summary.timeSignatureNumerator = 255;
    summary.timeSignatureDenominatorPower = 2;
    EXPECT_EQ(Field(summary, kFieldTimeSignature), "255/4");
}

TEST(ValueTextTest, KeySignatureNamesAndOutOfRangeValues) {
    MidiSummary summary = ValidSummary();
    summary.keySignatureSeen = 1;
    const struct {
        int sharpsFlats;
        int minor;
        const char* text;
    } cases[] = {{-3, 0, "Eb"},  {0, 1, "Am"},   {2, 2, "Bm"},         {-7, 0, "Cb"},           {7, 0, "C#"},
                 {-7, 1, "Abm"}, {7, 255, "A#m"}, {8, 0, "sf=8 major"}, {-8, 1, "sf=-8 minor"}, {-128, 0, "sf=-128 major"},
                 {127, 9, "sf=127 minor"}};
    for (const auto& c : cases) {
        summary.keySignatureSharpsFlats = static_cast<std::int8_t>(c.sharpsFlats);
        summary.keySignatureMinor = static_cast<std::uint8_t>(c.minor);
        EXPECT_EQ(Field(summary, kFieldKeySignature), c.text) << c.sharpsFlats << " " << c.minor;
    }
}

TEST(ValueTextTest, IndexOutsideTheCatalogueHasNoValue) {
    const MidiSummary summary = ValidSummary();
    EXPECT_EQ(Field(summary, 9), "<empty>");
    EXPECT_EQ(Field(summary, -1), "<empty>");
}

TEST(NumberTextTest, SameDigitsAsCLocalePrintf) {
    // Correct rounding from the binary value, ties included (0.125 is exact).
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> magnitude(0.0, 12.0);
    MidiSummary summary = ValidSummary();
    for (int i = 0; i < 20000; ++i) {
        const double value = i < 3 ? (0.125 + i * 0.25) : std::pow(10.0, magnitude(random)) / 1000.0;
        summary.durationSeconds = value;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.3f", value);
        ASSERT_EQ(Field(summary, kFieldDurationSeconds), expected) << value;
    }
    for (std::uint32_t tempo = 1; tempo < 16777216; tempo += 997) {
        summary.tempo = tempo;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.2f", 60000000.0 / tempo);
        ASSERT_EQ(Field(summary, kFieldTempoBpm), expected) << tempo;
    }
}

TEST(NumberTextTest, DecimalPointDoesNotFollowTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    // The locale's name differs between C runtimes.
    bool german = false;
    for (const char* name : {"de_DE.UTF-8", "de-DE", "German_Germany.1252"})
        if (!german && std::setlocale(LC_ALL, name) != nullptr) german = true;
    if (!german) GTEST_SKIP() << "no German locale on this machine";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5");  // the locale really uses a decimal comma
    MidiSummary summary = ValidSummary();
    summary.tempo = 600000;
    summary.durationSeconds = 1.5;
    EXPECT_EQ(Field(summary, kFieldTempoBpm), "100.00");
    EXPECT_EQ(Field(summary, kFieldDurationSeconds), "1.500");
    std::setlocale(LC_ALL, previous.c_str());
}

}  // namespace
