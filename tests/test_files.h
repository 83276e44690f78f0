// Files for tests: folders of their own, MIDI bytes written into them, and
// UTF-16 paths to them.
#pragma once

#include <filesystem>
#include <string>

#include "samples/midi_bytes.h"

namespace test_files {

// A folder for each test program run, kept afterwards: under
// MIDIFIELDS_TEST_FILES_DIR when set, so that a run can keep every file it
// writes (the host cross-check reads them all), else the temp folder.
const std::string& TempFolder();

// Writes bytes to a new file in TempFolder() and returns its UTF-8 path.
std::string WriteTempFile(const midi_bytes::Bytes& bytes, const std::string& name = "");

// UTF-8 path to UTF-16.
std::u16string Utf16Path(const std::string& path);

// A fresh folder for one test, removed again at its end.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& Root() const { return root_; }

    // Writes bytes to a file at relative (folders made as needed).
    std::filesystem::path Write(const std::filesystem::path& relative, const midi_bytes::Bytes& bytes) const;

private:
    std::filesystem::path root_;
};

// A small valid file: format 0, one track of `ticks` ticks at 120 BPM.
inline midi_bytes::Bytes SmallMidi(std::uint32_t ticks = 480, std::uint16_t division = 480) {
    using namespace midi_bytes;
    return Header(0, 1, division) + Track(NoteOn(0, 60) + NoteOff(ticks, 60) + EndOfTrack(0));
}

}  // namespace test_files
