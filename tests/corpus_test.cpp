// Real files, odd and broken ones included, through the shared library:
// files from a public MIDI test corpus (tests/data, MIT licence beside them)
// and the project's own samples.
#include <gtest/gtest.h>

#include <string>

#include "tests/loaded_plugin.h"
#include "tests/test_files.h"

namespace {

using loaded_plugin::Value;

struct FileCase {
    const char* path;
    // The nine fields in catalogue order, "<empty>" where the field is empty.
    const char* fields[9];
};

constexpr const char* E = "<empty>";

const FileCase kCorpus[] = {
    {"test-karaoke-kar.mid", {"90.00", "1", "3", "100", "666667", "10.600", E, E, "1590"}},
    {"test-2-tracks-type-1.mid", {"120.00", "1", "2", "96", "500000", "4.500", E, E, "864"}},
    {"test-multichannel-chords-3.mid", {"120.00", "1", "3", "96", "500000", "4.000", E, E, "768"}},
    {"test-vlq-4-byte.mid", {"120.00", "0", "1", "96", "500000", "4.000", E, E, "768"}},
    {"test-track-length.mid", {"120.00", "0", "1", "96", "500000", "1.500", E, E, "288"}},
    {"test-smpte-offset.mid", {"120.00", "0", "1", "96", "500000", "4.000", E, E, "768"}},
    {"test-corrupt-file-extra-byte.mid", {"120.00", "0", "1", "96", "500000", "4.000", E, E, "768"}},
    // Cut short before its End of Track.
    {"test-corrupt-file-missing-byte.mid", {"120.00", "0", "1", "96", "500000", E, E, E, E}},
    // End of Track at tick 0: a length of 0 reads as empty.
    {"test-empty.mid", {"120.00", "0", "1", "96", "500000", E, E, E, E}},
    // A foreign chunk before the track ends the chunk loop.
    {"test-non-midi-track.mid", {"120.00", "0", "1", "96", "500000", E, E, E, E}},
    // Running status is carried through meta and system events, so a data
    // byte after them is not a channel message and the walk stops.
    {"test-running-status-metaevent.mid", {"120.00", "0", "1", "96", "500000", E, E, E, E}},
    {"test-running-status-sysex.mid", {"120.00", "0", "1", "96", "500000", E, E, E, E}},
    {"test-illegal-message-all.mid", {"120.00", "0", "1", "96", "500000", E, E, E, E}},
    {"test-empty-file.mid", {E, E, E, E, E, E, E, E, E}},
    {"test-not-a-midi-file.mid", {E, E, E, E, E, E, E, E, E}},
};

const FileCase kSamples[] = {
    {"format0-waltz.mid", {"150.00", "0", "1", "480", "400000", "4.000", "3/4", "D", "3840"}},
    {"format1-song.mid", {"120.00", "1", "3", "96", "500000", "5.500", "6/8", "Em", "864"}},
    {"format2-patterns.mid", {"240.00", "2", "2", "240", "250000", "8.000", "2/4", E, "1920"}},
    {"no-end-of-track.mid", {"120.00", "0", "1", "480", "500000", E, E, "Am", E}},
    {"smpte-25fps.mid", {"120.00", "0", "1", "59176", "500000", "1.000", E, E, "1000"}},
    // 96 tempo changes, every one of them counted in the playing time.
    {"ritardando-96-tempos.mid", {"81.36", "1", "2", "480", "737500", "29.700", "4/4", "Eb", "23040"}},
    {"not-a-midi-file.mid", {E, E, E, E, E, E, E, E, E}},
};

void ExpectFields(const std::string& folder, const FileCase& file) {
    const std::u16string path = test_files::Utf16Path(folder + "/" + file.path);
    for (int field = 0; field < 9; ++field) EXPECT_EQ(Value(path, field), file.fields[field]) << file.path << " field " << field;
}

TEST(CorpusTest, PublicTestFiles) {
    for (const FileCase& file : kCorpus) ExpectFields(MIDIFIELDS_TEST_DATA, file);
}

TEST(CorpusTest, ProjectSamples) {
    for (const FileCase& file : kSamples) ExpectFields(MIDIFIELDS_SAMPLES, file);
}

}  // namespace
