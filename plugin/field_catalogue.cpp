#include "plugin/field_catalogue.h"

namespace {

const WideChar* const kFieldNames[kFieldCount] = {
    u"MIDI Tempo (BPM)",
    u"MIDI Format",
    u"MIDI Tracks",
    u"MIDI Division",
    u"MIDI Tempo (us/qn)",
    u"MIDI Duration (sec)",
    u"MIDI Time Signature",
    u"MIDI Key Signature",
    u"MIDI Length (ticks)",
};

}  // namespace

const WideChar* FieldName(int fieldIndex) {
    // Taken as unsigned, so every negative index is outside too.
    if (static_cast<unsigned>(fieldIndex) >= static_cast<unsigned>(kFieldCount)) return nullptr;
    return kFieldNames[fieldIndex];
}
