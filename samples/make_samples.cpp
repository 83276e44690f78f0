// Writes the sample MIDI files in samples/, byte by byte:
//   make_samples OUTPUT_FOLDER
// The files are committed; a test checks that they match this program.
#include <cstdio>
#include <string>

#include "samples/midi_bytes.h"

using namespace midi_bytes;

namespace {

// A bar of four quarter notes from a given key, at 480 ticks per quarter.
Bytes QuarterNotes(int firstKey, int channel = 0) {
    Bytes events;
    for (int i = 0; i < 4; ++i) events = events + NoteOn(0, firstKey + 2 * i, 96, channel) + NoteOff(480, firstKey + 2 * i, channel);
    return events;
}

// A slowing performance: a tempo change on every eighth note, far more than
// a small fixed tempo map would hold.
Bytes RitardandoConductor() {
    Bytes events = TimeSignature(0, 4, 2) + KeySignature(0, -3, 0);
    std::uint32_t delta = 0;
    for (std::uint32_t step = 0; step < 96; ++step) {
        events = events + SetTempo(delta, 500000 + step * 2500);
        delta = 240;
    }
    return events + EndOfTrack(240);
}

bool WriteFile(const std::string& folder, const char* name, const Bytes& bytes) {
    const std::string path = folder + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];

    // Format 0: one track, 3/4 in D major, 100 BPM then 150 BPM.
    const Bytes format0 = Header(0, 1, 480) +
                          Track(TrackName(0, "Waltz") + TimeSignature(0, 3, 2) + KeySignature(0, 2, 0) +
                                SetTempo(0, 600000) + QuarterNotes(62) + SetTempo(0, 400000) + QuarterNotes(69) +
                                EndOfTrack(0));

    // Format 1: a conductor track (6/8, E minor, two tempos) and two voices,
    // the second one longer and using running status.
    const Bytes format1 =
        Header(1, 3, 96) +
        Track(TrackName(0, "Conductor") + TimeSignature(0, 6, 3) + KeySignature(0, 1, 1) + SetTempo(0, 750000) +
              SetTempo(384, 500000) + EndOfTrack(0)) +
        Track(ProgramChange(0, 0) + NoteOn(0, 64) + NoteOff(96, 64) + NoteOn(0, 67) + NoteOff(96, 67) + EndOfTrack(0)) +
        Track(ProgramChange(0, 32, 1) + NoteOn(0, 40, 90, 1) + Raw({0x60, 43, 90, 0x60, 45, 90}) +
              NoteOff(96, 40, 1) + Raw({0x00, 43, 0, 0x00, 45, 0}) + EndOfTrack(576));

    // Format 2: two independent patterns, each with its own tempo.
    const Bytes format2 = Header(2, 2, 240) +
                          Track(SetTempo(0, 1000000) + TimeSignature(0, 2, 2) + QuarterNotes(60) + EndOfTrack(0)) +
                          Track(SetTempo(0, 250000) + TimeSignature(0, 5, 3) + QuarterNotes(72) + EndOfTrack(0));

    // A track cut off before its End of Track: no length, no playing time.
    const Bytes noEndOfTrack = Header(0, 1, 480) + Track(SetTempo(0, 500000) + KeySignature(0, 0, 1) + QuarterNotes(57));

    // SMPTE time: 25 frames per second, 40 ticks per frame, one second long.
    const Bytes smpte = Header(0, 1, 0xE728) + Track(NoteOn(0, 60) + NoteOff(1000, 60) + EndOfTrack(0));

    const Bytes ritardando = Header(1, 2, 480) + Track(RitardandoConductor()) + Track(QuarterNotes(48) + EndOfTrack(11520 - 1920));

    const Bytes notMidi = Text("This is a text file that only has a .mid name.\n");

    const bool ok = WriteFile(folder, "format0-waltz.mid", format0) && WriteFile(folder, "format1-song.mid", format1) &&
                    WriteFile(folder, "format2-patterns.mid", format2) &&
                    WriteFile(folder, "no-end-of-track.mid", noEndOfTrack) && WriteFile(folder, "smpte-25fps.mid", smpte) &&
                    WriteFile(folder, "ritardando-96-tempos.mid", ritardando) &&
                    WriteFile(folder, "not-a-midi-file.mid", notMidi);
    if (!ok) {
        std::fprintf(stderr, "make_samples: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
