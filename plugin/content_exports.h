// The host interface: the four functions the plug-in exports with C linkage
// under these undecorated names, the types of pointers to them (a host finds
// them by name at run time) and the result codes. It needs nothing but the
// standard library, so the plug-in, the host and the tests share it. Text
// buffers belong to the host; lengths are in bytes.
#pragma once

#include <type_traits>

// A UTF-16 code unit: wchar_t where that is 16 bits wide (Windows), else
// char16_t.
using HostWideChar = std::conditional_t<sizeof(wchar_t) == 2, wchar_t, char16_t>;
static_assert(sizeof(HostWideChar) == 2, "wide text crosses the interface as 16-bit code units");

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
// kResultFieldEmpty when the field is empty, the index is unknown or the
// file is not a readable MIDI file. unitIndex and flags are not read.
int ContentGetValueW(const HostWideChar* fileName, int fieldIndex, int unitIndex, HostWideChar* fieldValue,
                     int maxLength, int flags);

// Accepted and ignored: the plug-in has no settings.
void ContentSetDefaultParams(void* defaultParams);

}  // extern "C"

using ContentGetDetectStringFunction = decltype(&ContentGetDetectString);
using ContentGetSupportedFieldFunction = decltype(&ContentGetSupportedField);
using ContentGetValueWFunction = decltype(&ContentGetValueW);
using ContentSetDefaultParamsFunction = decltype(&ContentSetDefaultParams);
