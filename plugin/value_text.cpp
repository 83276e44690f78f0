#include "plugin/value_text.h"

#include <charconv>
#include <cstdint>

#include "plugin/field_catalogue.h"
#include "plugin/key_names.h"

namespace {

void AppendWide(ValueText& value, const char16_t* text) {
    for (; *text != 0 && value.length < kValueTextCapacity - 1; ++text) value.text[value.length++] = *text;
    value.text[value.length] = 0;
}

// Appends the ASCII characters in [first, last).
void AppendAscii(ValueText& value, const char* first, const char* last) {
    for (; first != last && value.length < kValueTextCapacity - 1; ++first)
        value.text[value.length++] = static_cast<char16_t>(*first);
    value.text[value.length] = 0;
}

void AppendInteger(ValueText& value, std::int64_t number) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    AppendAscii(value, digits, result.ptr);
}

// Fixed notation with the given number of decimals, correctly rounded from
// the binary value: the digits printf("%.*f") gives in the C locale.
void AppendFixed(ValueText& value, double number, int decimals) {
    char digits[40];
    const auto result = std::to_chars(digits, digits + sizeof digits, number, std::chars_format::fixed, decimals);
    if (result.ec == std::errc{}) AppendAscii(value, digits, result.ptr);
}

bool FormatKeySignature(const MidiSummary& summary, ValueText& value) {
    const int sharpsFlats = summary.keySignatureSharpsFlats;
    const bool minor = summary.keySignatureMinor != 0;
    if (sharpsFlats >= -7 && sharpsFlats <= 7) {
        AppendWide(value, (minor ? MinorKeyNames : MajorKeyNames)[sharpsFlats + 7]);
    } else {
        AppendWide(value, u"sf=");
        AppendInteger(value, sharpsFlats);
        AppendWide(value, minor ? u" minor" : u" major");
    }
    return true;
}

}  // namespace

bool FormatFieldValue(const MidiSummary& summary, int fieldIndex, ValueText& value) {
    value.length = 0;
    value.text[0] = 0;
    switch (fieldIndex) {
        case kFieldTempoBpm:
            // A Set Tempo of 0 would make the quotient infinite: no value.
            if (summary.tempo == 0) return false;
            AppendFixed(value, 60000000.0 / static_cast<double>(summary.tempo), 2);
            return true;
        case kFieldFormat:
            AppendInteger(value, summary.format);
            return true;
        case kFieldTracks:
            AppendInteger(value, summary.trackCount);
            return true;
        case kFieldDivision:
            AppendInteger(value, summary.division);
            return true;
        case kFieldTempoMicroseconds:
            AppendInteger(value, summary.tempo);
            return true;
        case kFieldDurationSeconds:
            if (!(summary.durationSeconds > 0.0)) return false;
            AppendFixed(value, summary.durationSeconds, 3);
            return true;
        case kFieldTimeSignature:
            if (!summary.timeSignatureSeen) return false;
            AppendInteger(value, summary.timeSignatureNumerator);
            AppendWide(value, u"/");
            AppendInteger(value, std::uint32_t{1} << (summary.timeSignatureDenominatorPower % 32));
            return true;
        case kFieldKeySignature:
            if (!summary.keySignatureSeen) return false;
            return FormatKeySignature(summary, value);
        case kFieldLengthTicks:
            if (summary.lengthTicks == 0) return false;
            AppendInteger(value, summary.lengthTicks);
            return true;
        default:
            return false;
    }
}
