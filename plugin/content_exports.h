// The host interface: the four functions the plug-in exports with C linkage
// under these undecorated names, the types of pointers to them (a host finds
// them by name at run time) and the result codes. It needs nothing but the
// language, so the plug-in, the host and the tests share it. Text buffers
// belong to the host; lengths are in bytes. Wide text is UTF-16 in 16-bit
// code units on every system: char16_t here, what Windows calls WCHAR.
#pragma once

constexpr int kValueKindWideText = 11;  // a value was written as wide text
constexpr int kResultFieldEmpty = -3;   // the field has no value for this file
constexpr int kNoMoreFields = 0;        // ends the catalogue

extern "C" {

// Writes the detection expression EXT="MID" | EXT="MIDI" into detectString
// (maxLength bytes, cut and terminated when short). Returns 0.
int ContentGetDetectString(char* detectString, int maxLength);

// Writes the name of field fieldIndex in the ANSI code page into fieldName:
// at most maxLength - 2 characters, a terminator, and a zero byte at
// maxLength - 1. Clears units when given. Returns kValueKindWideText, or
// kNoMoreFields past the last field (nothing written).
int ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLength);

// Scans fileName and writes field fieldIndex as wide text into fieldValue
// (maxLength bytes, so maxLength / 2 characters, cut and terminated when
// short). Returns kValueKindWideText when a value was written,
// kResultFieldEmpty when the field is empty, the index is unknown, the file
// is not a readable MIDI file, or fieldValue is null or maxLength below 2
// (then nothing is written). unitIndex and flags are not read.
int ContentGetValueW(const char16_t* fileName, int fieldIndex, int unitIndex, char16_t* fieldValue, int maxLength,
                     int flags);

// Accepted and ignored: the plug-in has no settings.
void ContentSetDefaultParams(void* defaultParams);

}  // extern "C"

using ContentGetDetectStringFunction = decltype(&ContentGetDetectString);
using ContentGetSupportedFieldFunction = decltype(&ContentGetSupportedField);
using ContentGetValueWFunction = decltype(&ContentGetValueW);
using ContentSetDefaultParamsFunction = decltype(&ContentSetDefaultParams);
