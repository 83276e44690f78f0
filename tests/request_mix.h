// A mix of files for the tests that hammer the value export: valid files of
// several shapes, the same files cut short, garbage with and without a MIDI
// header, an empty file, a missing path and a folder.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/test_files.h"

namespace request_mix {

inline std::vector<std::u16string> MixedPaths() {
    using namespace midi_bytes;
    const std::vector<Bytes> valid = {
        Header(0, 1, 96) + Track(SetTempo(0, 600000) + TimeSignature(0, 6, 3) + KeySignature(0, -3, 0) +
                                 NoteOn(0, 60) + NoteOff(96, 60) + EndOfTrack(288)),
        Header(1, 3, 480) + Track(SetTempo(0, 500000) + SetTempo(960, 250000) + EndOfTrack(1920)) +
            Track(NoteOn(0, 64) + Raw({0x10, 0x40, 0x00}) + EndOfTrack(4000)) + Track(KeySignature(0, 9, 1) + EndOfTrack(1)),
        Header(0, 1, 0xE728) + Track(EndOfTrack(1000)),
        Header(2, 2, 0) + Track(SysEx(0, Raw({1, 2, 3})) + EndOfTrack(5)) + Track({}),
    };
    std::vector<Bytes> files = valid;
    for (const Bytes& bytes : valid)
        for (std::size_t cut : {bytes.size() / 3, bytes.size() / 2, bytes.size() - 1})
            files.push_back(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
    std::mt19937 random(7);
    for (int i = 0; i < 4; ++i) {
        Bytes garbage(64 + 97 * static_cast<std::size_t>(i));
        for (auto& b : garbage) b = static_cast<std::uint8_t>(random());
        files.push_back(i % 2 ? Header(1, 4, 96) + Text("MTrk") + garbage : garbage);
    }
    files.push_back({});

    std::vector<std::u16string> paths;
    for (const Bytes& bytes : files) paths.push_back(test_files::Utf16Path(test_files::WriteTempFile(bytes)));
    paths.push_back(test_files::Utf16Path(test_files::TempFolder() + "/missing.mid"));
    paths.push_back(test_files::Utf16Path(test_files::TempFolder()));
    return paths;
}

}  // namespace request_mix
