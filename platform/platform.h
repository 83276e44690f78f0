// The few operating-system services the plug-in needs, behind one small
// interface: opening a file by its UTF-16 path, 64-bit seeks, and bounded
// writing of narrow and wide text into buffers the host owns; and the scan
// of a file named by its path, which joins the first to the scanner. On
// Windows platform.cpp also holds the DLL's entry point, which gives back
// at unload what the runtime took at load.
//
// This header and platform.cpp are the only places that know which system
// they are built for.
#pragma once

#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#define MIDIFIELDS_EXPORT extern "C" __declspec(dllexport)
#else
#define MIDIFIELDS_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Text inside the plug-in is UTF-16 in char16_t. The host interface spells
// the same 16-bit code units as wchar_t on Windows.
using WideChar = char16_t;

// Opens a regular file for binary reading. Returns null when the path is
// null, names something that is not a regular (disk) file, or cannot be
// opened; on POSIX also when it is not valid UTF-16, since it must become
// UTF-8 there (Windows takes the UTF-16 name as it is).
//
// When size is given it receives the file's size in bytes if the open
// learned it at no extra cost, else -1. The scanner uses it to ask for
// exactly the bytes that exist, which spares the empty read that otherwise
// ends a file.
FILE* OpenFileForReading(const WideChar* path, std::int64_t* size = nullptr);

// fseek with a 64-bit offset; returns 0 on success.
int SeekFile(FILE* file, std::int64_t offset, int origin);

#ifndef _WIN32
// Encodes NUL-terminated UTF-16 as UTF-8 into out (outSize bytes, terminator
// included). Fails on an unpaired surrogate or when out is too small.
bool ConvertUtf16ToUtf8(const WideChar* text, char* out, std::size_t outSize);
#endif

struct MidiSummary;

// Scans the file at path (NUL-terminated UTF-16) into summary, through
// OpenFileForReading: success is summary.valid == 1, and a file that cannot
// be opened or has no acceptable header leaves the summary in its initial
// state. The file is closed again before it returns.
void ScanMidiFile(const WideChar* path, MidiSummary& summary);

// Copies at most count - 1 characters of text followed by a terminator into
// dest; writes nothing when count <= 0.
void CopyNarrowTextBounded(char* dest, const char* text, int count);

// Writes text into a narrow buffer of maxLength bytes: cut to maxLength - 1
// characters and always terminated; writes nothing when maxLength <= 0.
void WriteNarrowText(char* dest, int maxLength, const char* text);

// Writes text into a wide buffer of capacity characters: cut to
// capacity - 1 characters and always terminated; writes nothing when
// capacity <= 0.
void WriteWideText(WideChar* dest, int capacity, const WideChar* text);

// Converts NUL-terminated wide text to the system's ANSI code page, into a
// buffer of destSize bytes that is always terminated; text that does not
// fit is cut after the last whole character that does.
void ConvertWideToAnsi(const WideChar* text, char* dest, int destSize);
