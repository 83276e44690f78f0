// The nine fields the plug-in offers, in catalogue order, and their names.
// The names are the plug-in's, stated here once: the command-line host reads
// the playing time by its name too.
#pragma once

enum FieldIndex : int {
    kFieldTempoBpm = 0,
    kFieldFormat = 1,
    kFieldTracks = 2,
    kFieldDivision = 3,
    kFieldTempoMicroseconds = 4,
    kFieldDurationSeconds = 5,
    kFieldTimeSignature = 6,
    kFieldKeySignature = 7,
    kFieldLengthTicks = 8,
    kFieldCount = 9,
};

inline constexpr const char16_t* kFieldNames[kFieldCount] = {
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

// The field's name, or null for an index outside the catalogue.
const char16_t* FieldName(int fieldIndex);
