// The plug-in's four exported entry points, with C linkage and undecorated
// names. Text buffers belong to the host; lengths are in bytes.
#pragma once

#include "platform/platform.h"

// Writes the detection expression EXT="MID" | EXT="MIDI" into detectString
// (maxLength bytes, cut and terminated when short). Returns 0.
MIDIFIELDS_EXPORT int ContentGetDetectString(char* detectString, int maxLength);

// Writes the name of field fieldIndex in the ANSI code page into fieldName:
// at most maxLength - 2 characters, a terminator, and a zero byte at
// maxLength - 1. Clears units when given. Returns 11, or 0 past the last
// field (nothing written).
MIDIFIELDS_EXPORT int ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLength);

// Scans fileName and writes field fieldIndex as wide text into fieldValue
// (maxLength bytes, so maxLength / 2 characters, cut and terminated when
// short). Returns 11 when a value was written, -3 when the field is empty,
// the index is unknown or the file is not a readable MIDI file. unitIndex
// and flags are not read.
MIDIFIELDS_EXPORT int ContentGetValueW(const HostWideChar* fileName, int fieldIndex, int unitIndex,
                                       HostWideChar* fieldValue, int maxLength, int flags);

// Accepted and ignored: the plug-in has no settings.
MIDIFIELDS_EXPORT void ContentSetDefaultParams(void* defaultParams);
