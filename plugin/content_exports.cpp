// The host interface. Every call stands alone: a value request scans the file
// anew into a summary in this frame and formats the one field asked for.
// Nothing here may write outside the host's buffers or let anything escape
// to the host but a result code.
//
// Only the definitions carry the export attribute, so the declarations in
// content_exports.h serve a host as they are.
#include "plugin/content_exports.h"

#include "platform/ansi_text.h"
#include "platform/bounded_text.h"
#include "plugin/detect_string.h"
#include "plugin/field_catalogue.h"
#include "plugin/midi_file_scan.h"
#include "plugin/value_text.h"

#ifdef _WIN32
#define MIDIFIELDS_EXPORT extern "C" __declspec(dllexport)
#else
#define MIDIFIELDS_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr int kFieldNameScratchSize = 256;

}  // namespace

MIDIFIELDS_EXPORT int ContentGetDetectString(char* detectString, int maxLength) {
    CopyNarrowText(detectString, kDetectString, maxLength);
    return 0;
}

MIDIFIELDS_EXPORT int ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLength) {
    const char16_t* name = FieldName(fieldIndex);
    if (name == nullptr) return kNoMoreFields;
    if (fieldName == nullptr || maxLength <= 0) return kValueKindWideText;

    char ansiName[kFieldNameScratchSize];
    ConvertWideToAnsi(name, ansiName, kFieldNameScratchSize);
    // The host interface counts maxLength - 1 with the terminator, so a name
    // keeps at most maxLength - 2 characters; the last byte is zeroed too.
    CopyNarrowText(fieldName, ansiName, maxLength - 1);
    fieldName[maxLength - 1] = '\0';
    if (units != nullptr) units[0] = '\0';
    return kValueKindWideText;
}

MIDIFIELDS_EXPORT int ContentGetValueW(const char16_t* fileName, int fieldIndex, int /*unitIndex*/,
                                       char16_t* fieldValue, int maxLength, int /*flags*/) {
    try {
        if (FieldName(fieldIndex) == nullptr) return kResultFieldEmpty;
        // A buffer without room for even a terminator takes no value, and
        // saying one was written would be false.
        const int capacity = maxLength / 2;
        if (fieldValue == nullptr || capacity < 1) return kResultFieldEmpty;
        MidiSummary summary;
        ScanMidiFile(fileName, summary);
        if (!summary.valid) return kResultFieldEmpty;

        fieldValue[0] = 0;
        ValueText value;
        if (!FormatFieldValue(summary, fieldIndex, value)) return kResultFieldEmpty;
        CopyWideText(fieldValue, value.text, capacity);
        return kValueKindWideText;
    } catch (...) {
        return kResultFieldEmpty;
    }
}

MIDIFIELDS_EXPORT void ContentSetDefaultParams(void* /*defaultParams*/) {}
