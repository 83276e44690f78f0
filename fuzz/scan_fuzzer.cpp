// Fuzz target: the real scan and all nine value texts on arbitrary bytes.
//
// For every input it checks what must always hold, not just that nothing
// crashed:
//  - the scan from memory agrees with an independent plain reading
//    of the same bytes (fuzz/reference_scan), field by field; in particular
//    the summary is valid exactly when the header is accepted and lengthTicks
//    is 0 or a tick count reached at an End of Track;
//  - the same bytes from a source whose reads fail past some position give
//    either the very same summary (the scan never read there) or none at
//    all: a read error never passes for a shorter file;
//  - the duration is finite and not negative;
//  - every value text is terminated inside its buffer, has one of the
//    documented forms and equals the printf spelling of the field;
//  - the path-based export, called with odd buffer lengths between canary
//    bytes, returns the same result, writes the same (possibly cut) text and
//    never touches a byte outside the buffer; the catalogue and detection
//    exports likewise, with any index and length;
//  - the record of the bytes, read from memory where they lie and from the
//    file by its path, holds the nine answers of the value export exactly.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/reference_scan.h"
#include "midi/midi_summary.h"
#include "plugin/content_exports.h"
#include "plugin/key_names.h"
#include "plugin/value_text.h"
#include "records/midi_record.h"
#include "tests/memory_source.h"

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void Check(bool condition, const char* what) {
    if (!condition) Fail(what);
}

std::string Narrow(const char16_t* text) {
    std::string out;
    for (; *text != 0; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

bool IsDecimal(const std::string& s, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return to - from == 1 || s[from] != '0';  // no leading zero
}

bool IsFixed(const std::string& s, std::size_t decimals) {
    const std::size_t dot = s.find('.');
    return dot != std::string::npos && IsDecimal(s, 0, dot) && s.size() == dot + 1 + decimals &&
           s.find_first_not_of("0123456789", dot + 1) == std::string::npos;
}

bool IsKeyName(const std::string& s) {
    for (int i = 0; i < kKeyNameCount; ++i)
        if (s == Narrow(MajorKeyNames[i]) || s == Narrow(MinorKeyNames[i])) return true;
    if (s.compare(0, 3, "sf=") != 0) return false;
    const std::size_t space = s.find(' ');
    if (space == std::string::npos) return false;
    const std::size_t digits = s[3] == '-' ? 4 : 3;
    const std::string word = s.substr(space + 1);
    return IsDecimal(s, digits, space) && (word == "major" || word == "minor");
}

// One of the documented forms for this field.
bool HasDocumentedForm(int field, const std::string& s) {
    switch (field) {
        case 0: return IsFixed(s, 2);
        case 5: return IsFixed(s, 3);
        case 6: {
            const std::size_t slash = s.find('/');
            return slash != std::string::npos && IsDecimal(s, 0, slash) && IsDecimal(s, slash + 1, s.size());
        }
        case 7: return IsKeyName(s);
        default: return IsDecimal(s, 0, s.size());
    }
}

// The field as the documented printf conversions spell it, from the
// reference reading; empty when the field has no value.
std::string ExpectedText(const ReferenceSummary& r, int field) {
    char text[64] = "";
    switch (field) {
        case 0:
            if (r.tempo != 0) std::snprintf(text, sizeof text, "%.2f", 60000000.0 / r.tempo);
            break;
        case 1: std::snprintf(text, sizeof text, "%u", unsigned{r.format}); break;
        case 2: std::snprintf(text, sizeof text, "%u", unsigned{r.trackCount}); break;
        case 3: std::snprintf(text, sizeof text, "%u", unsigned{r.division}); break;
        case 4: std::snprintf(text, sizeof text, "%u", unsigned{r.tempo}); break;
        case 5:
            if (r.durationSeconds > 0.0) std::snprintf(text, sizeof text, "%.3f", r.durationSeconds);
            break;
        case 6:
            if (r.timeSignatureSeen)
                std::snprintf(text, sizeof text, "%u/%u", unsigned{r.timeSignatureNumerator},
                              1u << (r.timeSignatureDenominatorPower % 32));
            break;
        case 7:
            if (!r.keySignatureSeen) break;
            if (r.keySignatureSharpsFlats >= -7 && r.keySignatureSharpsFlats <= 7)
                return Narrow((r.keySignatureMinor ? MinorKeyNames : MajorKeyNames)[r.keySignatureSharpsFlats + 7]);
            std::snprintf(text, sizeof text, "sf=%d %s", int{r.keySignatureSharpsFlats},
                          r.keySignatureMinor ? "minor" : "major");
            break;
        case 8:
            if (r.lengthTicks != 0) std::snprintf(text, sizeof text, "%u", unsigned{r.lengthTicks});
            break;
    }
    return text;
}

void CheckSummary(const MidiSummary& s, const ReferenceSummary& r) {
    Check((s.valid == 1) == r.valid, "valid exactly when the header is accepted");
    Check(s.valid == 0 || s.valid == 1, "valid is a flag");
    Check(std::isfinite(s.durationSeconds) && s.durationSeconds >= 0.0, "duration finite and not negative");
    if (!r.valid) {
        MidiSummary initial;
        ResetMidiSummary(initial);
        Check(s.format == 0 && s.trackCount == 0 && s.division == 0 && s.tempo == initial.tempo &&
                  s.lengthTicks == 0 && s.durationSeconds == 0.0 && !s.timeSignatureSeen && !s.keySignatureSeen,
              "a rejected file leaves the initial summary");
        return;
    }
    Check(s.format == r.format && s.trackCount == r.trackCount && s.division == r.division, "header fields");
    Check(s.tempo == r.tempo, "last Set Tempo");
    Check(s.lengthTicks == r.lengthTicks, "lengthTicks is the longest End of Track");
    Check(s.durationSeconds == r.durationSeconds, "duration");
    Check((s.timeSignatureSeen != 0) == r.timeSignatureSeen && s.timeSignatureNumerator == r.timeSignatureNumerator &&
              s.timeSignatureDenominatorPower == r.timeSignatureDenominatorPower,
          "time signature");
    Check((s.keySignatureSeen != 0) == r.keySignatureSeen && s.keySignatureSharpsFlats == r.keySignatureSharpsFlats &&
              s.keySignatureMinor == r.keySignatureMinor,
          "key signature");
}

void CheckValueTexts(const MidiSummary& s, const ReferenceSummary& r) {
    for (int field = -1; field <= 9; ++field) {
        ValueText value;
        std::memset(value.text, 0x5A, sizeof value.text);
        const bool has = FormatFieldValue(s, field, value);
        Check(value.length >= 0 && value.length < kValueTextCapacity && value.text[value.length] == 0,
              "value text terminated inside its buffer");
        for (int i = 0; i < value.length; ++i) Check(value.text[i] != 0, "no terminator inside the text");
        const std::string text = Narrow(value.text);
        if (field < 0 || field > 8) {
            Check(!has && text.empty(), "no value past the catalogue");
            continue;
        }
        Check(has == !text.empty(), "a value is never empty text");
        if (has) Check(HasDocumentedForm(field, text), "documented form");
        Check(text == ExpectedText(r, field), "text equals the printf spelling");
    }
}

// Where the export path writes the input: tmpfs when there is one, so the
// fuzzer does not wear a disk. Removed when the fuzzer exits normally.
const std::string& InputPath() {
    static const std::string path = [] {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(folder) + "/midifields-fuzz-" + std::to_string(getpid()) + ".mid";
    }();
    static const bool removedAtExit = std::atexit([] { unlink(InputPath().c_str()); }) == 0;
    (void)removedAtExit;
    return path;
}

std::u16string Utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Writes the input where the path-based calls read it; false when there is
// no writable temp folder (nothing to check there then).
bool WriteInputFile(const std::uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr) return false;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
    return true;
}

void CheckExports(const MidiSummary& s, std::size_t size) {

    constexpr unsigned char kCanary = 0xA5;
    constexpr int kGuard = 8;
    // Odd, tiny, negative and roomy byte lengths, rotated by the input so
    // each field meets each of them.
    static const int kLengths[] = {-3, 0, 1, 2, 3, 5, 8, 9, 13, 96};
    constexpr int kLengthCount = sizeof kLengths / sizeof kLengths[0];
    const std::u16string path = Utf16(InputPath());
    for (int field = -1; field <= 9; ++field) {
        const int maxLength = kLengths[(size + static_cast<std::size_t>(field + 1)) % kLengthCount];
        const int room = maxLength > 0 ? maxLength : 0;
        alignas(char16_t) unsigned char bytes[kGuard + 96 + kGuard];
        std::memset(bytes, kCanary, sizeof bytes);
        auto* buffer = reinterpret_cast<char16_t*>(bytes + kGuard);
        const int kind = ContentGetValueW(path.c_str(), field, 0, buffer, maxLength, 0);
        for (int i = 0; i < kGuard; ++i)
            Check(bytes[i] == kCanary && bytes[kGuard + room + i] == kCanary, "nothing written outside the buffer");
        ValueText value;
        const int capacity = maxLength / 2;
        // A buffer without room for a terminator takes no value.
        const bool has = s.valid && capacity > 0 && FormatFieldValue(s, field, value);
        Check(kind == (has ? kValueKindWideText : kResultFieldEmpty), "export result agrees with the scan");
        if (!s.valid || field < 0 || field > 8 || capacity <= 0) {
            for (int i = kGuard; i < kGuard + room; ++i) Check(bytes[i] == kCanary, "buffer untouched");
            continue;
        }
        char16_t written[48];
        std::memcpy(written, buffer, static_cast<std::size_t>(capacity) * sizeof(char16_t));
        int length = 0;
        while (length < capacity && written[length] != 0) ++length;
        Check(length < capacity, "export text terminated inside the buffer");
        const int expected = has ? (value.length < capacity - 1 ? value.length : capacity - 1) : 0;
        Check(length == expected && std::memcmp(written, value.text, static_cast<std::size_t>(length) * 2) == 0,
              "export text is the value text, cut to the buffer");
    }
}

void CheckRecordIsTheExportsAnswers(const MidiRecord& record, const char* what) {
    const std::u16string path = Utf16(InputPath());
    for (int field = 0; field < kMidiRecordFieldCount; ++field) {
        char16_t buffer[256] = {};
        const int kind = ContentGetValueW(path.c_str(), field, 0, buffer, sizeof buffer, 0);
        Check(record.results[field] == kind, what);
        int length = 0;
        while (buffer[length] != 0) ++length;
        Check(record.lengths[field] == length && record.texts[field][length] == 0 &&
                  std::memcmp(record.texts[field], buffer, static_cast<std::size_t>(length) * 2) == 0,
              what);
    }
}

void CheckRecords(const std::uint8_t* data, std::size_t size) {
    MidiRecord record;
    std::memset(&record, 0x5A, sizeof record);
    Check(ReadMidiRecordFromMemory(data, size, &record) == kMidiRecordRead, "a record from memory is read");
    CheckRecordIsTheExportsAnswers(record, "the record from memory is the exports' answers");
    std::memset(&record, 0x5A, sizeof record);
    Check(ReadMidiRecord(InputPath().c_str(), &record) == kMidiRecordRead, "a record by path is read");
    CheckRecordIsTheExportsAnswers(record, "the record by path is the exports' answers");
}

// The narrow-text exports with an index and a buffer length taken from the
// input's last two bytes: any index, and lengths from -3 up to 296 bytes
// in a 300-byte buffer between canaries.
void CheckNarrowExports(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return;
    const int fieldIndex = static_cast<std::int8_t>(data[size - 1]);
    const int maxLength = static_cast<int>(data[size - 2] % 40) - 3 + (data[size - 2] >= 240 ? 260 : 0);
    const int room = maxLength > 0 ? maxLength : 0;
    constexpr unsigned char kCanary = 0x5C;
    constexpr int kGuard = 8;
    unsigned char bytes[kGuard + 300 + kGuard];
    unsigned char units[kGuard + 4 + kGuard];

    std::memset(bytes, kCanary, sizeof bytes);
    std::memset(units, kCanary, sizeof units);
    char* name = reinterpret_cast<char*>(bytes + kGuard);
    const int kind = ContentGetSupportedField(fieldIndex, name, reinterpret_cast<char*>(units + kGuard), maxLength);
    const bool known = fieldIndex >= 0 && fieldIndex <= 8;
    Check(kind == (known ? kValueKindWideText : kNoMoreFields), "catalogue result");
    for (int i = 0; i < kGuard; ++i)
        Check(bytes[i] == kCanary && bytes[kGuard + room + i] == kCanary && units[i] == kCanary &&
                  units[kGuard + 1 + i] == kCanary,
              "field name written outside its buffer");
    if (known && maxLength >= 1) {
        Check(std::memchr(name, 0, static_cast<std::size_t>(maxLength)) != nullptr, "field name terminated");
        Check(std::strlen(name) <= static_cast<std::size_t>(maxLength > 2 ? maxLength - 2 : 0), "name cut");
    }

    std::memset(bytes, kCanary, sizeof bytes);
    Check(ContentGetDetectString(reinterpret_cast<char*>(bytes + kGuard), maxLength) == 0, "detect result");
    for (int i = 0; i < kGuard; ++i)
        Check(bytes[i] == kCanary && bytes[kGuard + room + i] == kCanary, "detect string written outside its buffer");
    if (maxLength >= 1)
        Check(std::memchr(bytes + kGuard, 0, static_cast<std::size_t>(maxLength)) != nullptr, "detect string terminated");
    ContentSetDefaultParams(bytes);
}

bool SameSummary(const MidiSummary& a, const MidiSummary& b) {
    return a.valid == b.valid && a.format == b.format && a.trackCount == b.trackCount && a.division == b.division &&
           a.tempo == b.tempo && a.lengthTicks == b.lengthTicks && a.durationSeconds == b.durationSeconds &&
           a.timeSignatureSeen == b.timeSignatureSeen && a.timeSignatureNumerator == b.timeSignatureNumerator &&
           a.timeSignatureDenominatorPower == b.timeSignatureDenominatorPower &&
           a.keySignatureSeen == b.keySignatureSeen && a.keySignatureSharpsFlats == b.keySignatureSharpsFlats &&
           a.keySignatureMinor == b.keySignatureMinor;
}

void CheckFailingSource(const std::uint8_t* data, std::size_t size, const MidiSummary& whole) {
    MemorySource memory;
    const ByteSource source = MemoryByteSource(memory, data, size);
    memory.failAt = static_cast<std::int64_t>(size / 2);
    MidiSummary summary;
    ScanMidiSource(source, summary);
    MidiSummary initial;
    ResetMidiSummary(initial);
    Check(SameSummary(summary, whole) || SameSummary(summary, initial),
          "a failed read gives the whole file's summary or none");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ReferenceSummary reference = ReferenceScan(data, size);
    Check(reference.valid == ReferenceHeaderAccepted(data, size), "reference header check");

    MemorySource memory;
    ByteSource source = MemoryByteSource(memory, data, size);
    if (size % 2 != 0) source.size = -1;  // the reader's two ways: the size known and unknown
    MidiSummary summary;
    std::memset(&summary, 0xEE, sizeof summary);  // the scan must reset it
    ScanMidiSource(source, summary);

    CheckSummary(summary, reference);
    CheckFailingSource(data, size, summary);
    CheckValueTexts(summary, reference);
    if (WriteInputFile(data, size)) {
        CheckExports(summary, size);
        CheckRecords(data, size);
    }
    CheckNarrowExports(data, size);
    return 0;
}
