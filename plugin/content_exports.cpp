// The host interface. Every call stands alone: a value request scans the file
// anew into a summary in this frame and formats the one field asked for.
// Nothing here may write outside the host's buffers or let anything escape
// to the host but a result code.
//
// Only the definitions carry the export attribute, so the declarations in
// content_exports.h serve a host as they are.
#include "plugin/content_exports.h"

#include "midi/midi_summary.h"
#include "platform/platform.h"
#include "plugin/field_catalogue.h"
#include "plugin/value_text.h"

namespace {

constexpr char kDetectString[] = "EXT=\"MID\" | EXT=\"MIDI\"";
constexpr int kFieldNameScratchSize = 256;

}  // namespace

MIDIFIELDS_EXPORT int ContentGetDetectString(char* detectString, int maxLength) {
    WriteNarrowText(detectString, maxLength, kDetectString);
    return 0;
}

MIDIFIELDS_EXPORT int ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLength) {
    const WideChar* name = FieldName(fieldIndex);
    if (name == nullptr) return kNoMoreFields;
    if (fieldName == nullptr || maxLength <= 0) return kValueKindWideText;

    char ansiName[kFieldNameScratchSize];
    ConvertWideToAnsi(name, ansiName, kFieldNameScratchSize);
    // The host interface counts maxLength - 1 with the terminator, so a name
    // keeps at most maxLength - 2 characters; the last byte is zeroed too.
    CopyNarrowTextBounded(fieldName, ansiName, maxLength - 1);
    fieldName[maxLength - 1] = '\0';
    if (units != nullptr) units[0] = '\0';
    return kValueKindWideText;
}

MIDIFIELDS_EXPORT int ContentGetValueW(const HostWideChar* fileName, int fieldIndex, int /*unitIndex*/,
                                       HostWideChar* fieldValue, int maxLength, int /*flags*/) {
    try {
        if (FieldName(fieldIndex) == nullptr) return kResultFieldEmpty;
        MidiSummary summary;
        ScanMidiFile(reinterpret_cast<const WideChar*>(fileName), summary);
        if (!summary.valid) return kResultFieldEmpty;

        WideChar* buffer = reinterpret_cast<WideChar*>(fieldValue);
        const int capacity = fieldValue != nullptr ? maxLength / 2 : 0;
        if (capacity > 0) buffer[0] = 0;
        ValueText value;
        if (!FormatFieldValue(summary, fieldIndex, value)) return kResultFieldEmpty;
        WriteWideText(buffer, capacity, value.text);
        return kValueKindWideText;
    } catch (...) {
        return kResultFieldEmpty;
    }
}

MIDIFIELDS_EXPORT void ContentSetDefaultParams(void* /*defaultParams*/) {}
