// The nine fields the plug-in offers, in catalogue order.
#pragma once

#include "platform/platform.h"

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
