// Writes the fuzzer's seed corpus: small files, each showing the fuzzer one
// structure of the format it would take long to find alone.
//
//   make_corpus FOLDER
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "samples/midi_bytes.h"

using namespace midi_bytes;

namespace {

Bytes ManyTempoChanges(int count) {
    Bytes events;
    for (int i = 0; i < count; ++i) events = events + SetTempo(i == 0 ? 0 : 24, 400000 + 1000 * static_cast<std::uint32_t>(i));
    return events + EndOfTrack(96);
}

std::vector<std::pair<std::string, Bytes>> Seeds() {
    const Bytes song = Header(1, 2, 480) +
                       Track(TrackName(0, "tempo") + TimeSignature(0, 6, 3) + KeySignature(0, -3, 0) +
                             SetTempo(0, 500000) + SetTempo(960, 250000) + EndOfTrack(960)) +
                       Track(NoteOn(0, 60) + Raw({0x00, 0x3E, 0x40}) + NoteOff(480, 60) + EndOfTrack(1440));
    return {
        {"format0", Header(0, 1, 96) + Track(SetTempo(0, 600000) + NoteOn(0, 60) + NoteOff(96, 60) + EndOfTrack(288))},
        {"format1-song", song},
        {"format2", Header(2, 3, 120) + Track(EndOfTrack(120)) + Track(ProgramChange(0, 5) + EndOfTrack(240)) +
                        Track(Raw({0x00, 0xD0, 0x40, 0x00, 0xE0, 0x00, 0x40}) + EndOfTrack(60))},
        {"header-only", Header(0, 0, 96)},
        {"header-length-10", HeaderWithLength(10, 0, 1, 96) + Raw({1, 2, 3, 4}) + Track(EndOfTrack(10))},
        {"smpte-25fps", Header(0, 1, 0xE728) + Track(NoteOn(0, 64) + EndOfTrack(1000))},
        {"smpte-2997", Header(0, 1, 0xE350) + Track(EndOfTrack(3000))},
        {"division-zero", Header(0, 1, 0) + Track(EndOfTrack(10))},
        {"running-status-meta", Header(0, 1, 96) + Track(TrackName(0, "x") + Raw({0x00, 0x51, 0x03, 0x07, 0xA1, 0x20}) +
                                                         EndOfTrack(5))},
        {"sysex-and-system", Header(0, 1, 96) + Track(SysEx(0, Raw({0x7E, 0x7F, 0x09, 0x01, 0xF7})) +
                                                      Raw({0x00, 0xF7, 0x01, 0xF7, 0x00, 0xF2, 0x00}) + EndOfTrack(1))},
        {"signatures-odd", Header(1, 1, 96) + Track(Meta(0, 0x58, Raw({3, 4, 24})) + Meta(0, 0x58, Raw({7, 33, 24, 8, 1, 2})) +
                                                    Meta(0, 0x59, Raw({0xF8, 1, 0})) + KeySignature(0, 8, 0) +
                                                    Meta(0, 0x51, Raw({1, 2, 3, 4})) + SetTempo(0, 0) + EndOfTrack(7))},
        {"tempo-map-70", Header(0, 1, 96) + Track(ManyTempoChanges(70))},
        {"long-quantity", Header(0, 1, 96) + Track(Raw({0xFF, 0xFF, 0xFF, 0xFF, 0x90, 0x3C, 0x40}) + EndOfTrack(0))},
        {"no-end-of-track", Header(0, 1, 96) + Track(NoteOn(0, 60) + NoteOff(96, 60))},
        {"truncated", Header(1, 3, 96) + TrackWithLength(400, SetTempo(0, 450000) + NoteOn(10, 60))},
        {"foreign-chunk", Header(1, 3, 96) + Track(EndOfTrack(10)) + Text("XFIH") + Be32(2) + Raw({0, 0}) +
                              Track(EndOfTrack(20))},
        {"event-past-chunk-end", Header(1, 2, 96) + TrackWithLength(3, Raw({0x00, 0xFF, 0x01, 0x05}) + Text("hello")) +
                                     Track(EndOfTrack(50))},
        {"empty-chunks", Header(1, 4, 96) + Track({}) + Track({}) + Track(EndOfTrack(30)) + Track({})},
        {"huge-lengths", Header(1, 2, 96) + TrackWithLength(0xFFFFFFF0u, SysEx(0, Raw({1})) + EndOfTrack(9))},
        {"data-without-status", Header(0, 1, 96) + Track(Raw({0x00, 0x3C, 0x40}) + EndOfTrack(5))},
        {"not-midi", Text("RIFF") + Be32(4) + Text("WAVEfmt ")},
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    for (const auto& [name, bytes] : Seeds()) {
        const std::string path = std::string(argv[1]) + "/" + name + ".mid";
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            std::perror(path.c_str());
            return 1;
        }
        std::fclose(file);
    }
    return 0;
}
