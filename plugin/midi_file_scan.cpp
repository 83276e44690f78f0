#include "plugin/midi_file_scan.h"

namespace {

std::ptrdiff_t ReadFromFile(void* file, std::uint8_t* buffer, std::size_t count) {
    return ReadFileBytes(*static_cast<ReadableFile*>(file), buffer, count);
}

bool SeekInFile(void* file, std::int64_t position) { return SeekFileTo(*static_cast<ReadableFile*>(file), position); }

}  // namespace

void ScanMidiFile(const char16_t* path, MidiSummary& summary) {
    ResetMidiSummary(summary);
    ReadableFile file;
    if (!OpenFileForReading(path, file)) return;
    ScanOpenedFile(file, summary);
}

void ScanOpenedFile(ReadableFile& file, MidiSummary& summary) {
    // The scanner reads through its own buffer straight from the file.
    ScanMidiSource(ByteSource{ReadFromFile, SeekInFile, &file, file.size, nullptr}, summary);
    CloseFile(file);
}
