// The nine fields the plug-in offers, in catalogue order, and the result
// codes of the host interface.
#pragma once

#include "platform/platform.h"

constexpr int kValueKindWideText = 11;  // a value was written as wide text
constexpr int kResultFieldEmpty = -3;   // the field has no value for this file
constexpr int kNoMoreFields = 0;        // ends the catalogue

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

// The field's name, or null for an index outside the catalogue.
const WideChar* FieldName(int fieldIndex);
