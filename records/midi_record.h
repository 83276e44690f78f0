// Every field of one Standard MIDI File from one read: the records library.
//
// The plug-in answers a host one field at a time, each answer a scan of its
// own, as the host interface has it. Our own hosts want every field of every
// file, so they read a record instead: one open, one scan, and the nine
// result codes and texts exactly as the nine value requests would give
// them (the same scanner, the same value texts). The command-line program
// links this code in; the Python package loads it as a shared library
// (libmidifields_records.so, midifields_records.dll) through ctypes, which
// relies on the layout and the names below.
//
// No state, no heap and no exception: every call stands alone, may run on
// many threads at once, and returns a result code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/content_exports.h"

// A path as the system names its files: UTF-16 on Windows; on POSIX the
// name's bytes as they are, UTF-8 or not.
#ifdef _WIN32
typedef char16_t MidiRecordPathChar;
#else
typedef char MidiRecordPathChar;
#endif

constexpr int kMidiRecordFieldCount = 9;
// Longer than any field's text ("sf=-128 minor", "255/2147483648", ...).
constexpr int kMidiRecordTextCapacity = 48;

// What ReadMidiRecord and ReadMidiRecordFromMemory return.
constexpr int kMidiRecordRead = 1;       // the data was read; the record holds its fields (all empty: not MIDI)
constexpr int kMidiRecordNotOpened = 0;  // the file could not be opened; every field is empty
constexpr int kMidiRecordNoRecord = -1;  // record is null; nothing was read or written

// The nine fields in catalogue order (GetMidiRecordFieldName).
struct MidiRecord {
    std::int32_t results[kMidiRecordFieldCount];  // kValueKindWideText, or kResultFieldEmpty
    std::int32_t lengths[kMidiRecordFieldCount];  // UTF-16 code units of each text, 0 when empty
    char16_t texts[kMidiRecordFieldCount][kMidiRecordTextCapacity];  // each terminated, "" when empty
};

extern "C" {

// Reads the file at path (NUL-terminated) into record: one open, one scan.
// The file is closed again before this returns.
int ReadMidiRecord(const MidiRecordPathChar* path, MidiRecord* record);

// Reads size bytes at data into record, where they lie: nothing is copied
// and data is never written. A null data reads as no bytes at all.
int ReadMidiRecordFromMemory(const void* data, std::size_t size, MidiRecord* record);

// The name of field fieldIndex (ASCII, the plug-in's), or null past the last.
const char* GetMidiRecordFieldName(int fieldIndex);

// The plug-in's detection expression: the files a host reads by default.
const char* GetMidiRecordDetectString();

}  // extern "C"
