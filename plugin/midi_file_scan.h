// The scan of a file named by its path: what every value request runs.
#pragma once

#include "midi/midi_summary.h"
#include "platform/file_access.h"

// Scans the file at path (NUL-terminated UTF-16) into summary. Success is
// summary.valid == 1; a file that cannot be opened, has no acceptable header
// or fails to read leaves the summary in its initial state. The file is
// closed again before this returns.
void ScanMidiFile(const char16_t* path, MidiSummary& summary);

// Scans a file that OpenFileForReading or OpenFileBySystemName opened into
// summary, then closes it.
void ScanOpenedFile(ReadableFile& file, MidiSummary& summary);
