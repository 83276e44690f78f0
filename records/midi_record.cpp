// A record is the nine value requests of the host interface answered from
// one scan: the same summary, formatted field by field by the same code.
#include "records/midi_record.h"

#include <type_traits>

#include "midi/midi_summary.h"
#include "platform/file_access.h"
#include "plugin/detect_string.h"
#include "plugin/field_catalogue.h"
#include "plugin/midi_file_scan.h"
#include "plugin/value_text.h"

#if defined(MIDIFIELDS_RECORDS_SHARED) && defined(_WIN32)
#define MIDIFIELDS_RECORDS_EXPORT extern "C" __declspec(dllexport)
#elif defined(MIDIFIELDS_RECORDS_SHARED)
#define MIDIFIELDS_RECORDS_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define MIDIFIELDS_RECORDS_EXPORT extern "C"
#endif

static_assert(std::is_same_v<MidiRecordPathChar, SystemNameChar>, "paths in the system's own form");
static_assert(kMidiRecordFieldCount == kFieldCount && kMidiRecordTextCapacity == kValueTextCapacity,
              "a record holds every field's whole text");

namespace {

// The catalogue's names as narrow text, made when the program is compiled:
// the names are ASCII, so each character is its own byte.
struct NarrowName {
    char text[kValueTextCapacity];
};

constexpr NarrowName Narrowed(const char16_t* name) {
    NarrowName narrow{};
    for (int i = 0; name[i] != 0 && i < kValueTextCapacity - 1; ++i) narrow.text[i] = static_cast<char>(name[i]);
    return narrow;
}

constexpr bool AllAscii() {
    for (const char16_t* name : kFieldNames)
        for (int i = 0; name[i] != 0; ++i)
            if (name[i] >= 0x80 || i >= kValueTextCapacity - 1) return false;
    return true;
}
static_assert(AllAscii(), "the field names are short ASCII text");

constexpr NarrowName kNarrowNames[kFieldCount] = {
    Narrowed(kFieldNames[0]), Narrowed(kFieldNames[1]), Narrowed(kFieldNames[2]),
    Narrowed(kFieldNames[3]), Narrowed(kFieldNames[4]), Narrowed(kFieldNames[5]),
    Narrowed(kFieldNames[6]), Narrowed(kFieldNames[7]), Narrowed(kFieldNames[8]),
};

// Each field as ContentGetValueW gives it: the wide text kind and the text,
// or empty (for a summary that is not valid, every field).
void FillRecord(const MidiSummary& summary, MidiRecord& record) {
    for (int field = 0; field < kFieldCount; ++field) {
        ValueText value;
        const bool has = summary.valid && FormatFieldValue(summary, field, value);
        record.results[field] = has ? kValueKindWideText : kResultFieldEmpty;
        record.lengths[field] = has ? value.length : 0;
        char16_t* text = record.texts[field];
        for (int i = 0; has && i < value.length; ++i) text[i] = value.text[i];
        text[has ? value.length : 0] = 0;
    }
}

void FillEmptyRecord(MidiRecord& record) {
    MidiSummary summary;
    ResetMidiSummary(summary);
    FillRecord(summary, record);
}

}  // namespace

MIDIFIELDS_RECORDS_EXPORT int ReadMidiRecord(const MidiRecordPathChar* path, MidiRecord* record) {
    if (record == nullptr) return kMidiRecordNoRecord;
    try {
        MidiSummary summary;
        ResetMidiSummary(summary);
        ReadableFile file;
        const bool opened = OpenFileBySystemName(path, file);
        if (opened) ScanOpenedFile(file, summary);
        FillRecord(summary, *record);
        return opened ? kMidiRecordRead : kMidiRecordNotOpened;
    } catch (...) {
        FillEmptyRecord(*record);
        return kMidiRecordNotOpened;
    }
}

MIDIFIELDS_RECORDS_EXPORT int ReadMidiRecordFromMemory(const void* data, std::size_t size, MidiRecord* record) {
    if (record == nullptr) return kMidiRecordNoRecord;
    try {
        MidiSummary summary;
        if (data == nullptr) size = 0;
        ScanMidiSource(InPlaceByteSource(static_cast<const std::uint8_t*>(data), size), summary);
        FillRecord(summary, *record);
        return kMidiRecordRead;
    } catch (...) {
        FillEmptyRecord(*record);
        return kMidiRecordRead;
    }
}

MIDIFIELDS_RECORDS_EXPORT const char* GetMidiRecordFieldName(int fieldIndex) {
    return FieldName(fieldIndex) != nullptr ? kNarrowNames[fieldIndex].text : nullptr;
}

MIDIFIELDS_RECORDS_EXPORT const char* GetMidiRecordDetectString() { return kDetectString; }
