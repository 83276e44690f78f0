// The header and chunk scan of a Standard MIDI File.
//
// Layout read here, all integers big-endian:
//   header chunk  "MThd", length (u32, at least 6), format (u16),
//                 number of tracks (u16), division (u16), then length - 6
//                 bytes that are skipped
//   track chunks  "MTrk", length (u32), then the events
// Only "MTrk" chunks are walked; the first chunk of any other type ends the
// scan of chunks, as does the end of the file. At most trackCount chunks are
// read. Positions are 64-bit, so lengths near 2^32 and files over 2 GiB
// neither wrap nor go negative.
#include "midi/big_endian.h"
#include "midi/byte_reader.h"
#include "midi/midi_summary.h"
#include "midi/tempo_map.h"
#include "midi/track_walk.h"

namespace {

constexpr std::size_t kHeaderChunkSize = 14;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::uint32_t kMinimumHeaderLength = 6;

bool HasType(const std::uint8_t* bytes, const char (&type)[5]) {
    return bytes[0] == type[0] && bytes[1] == type[1] && bytes[2] == type[2] && bytes[3] == type[3];
}

struct FirstChunk {
    std::int64_t start;          // first event
    std::int64_t end;            // declared end
    std::uint32_t lengthTicks;  // at its End of Track; 0 without one (or at tick 0)
};

// Walks up to trackCount "MTrk" chunks. Returns the bounds of the first one,
// or start == end == -1 when there was none.
FirstChunk WalkTrackChunks(ByteReader& reader, MidiSummary& summary, TempoMap& tempoMap) {
    FirstChunk first{-1, -1, 0};
    const TempoSink tempoMapSink = TempoMapSink(tempoMap);
    for (std::uint16_t trackIndex = 0; trackIndex < summary.trackCount; ++trackIndex) {
        std::uint8_t chunkHeader[kChunkHeaderSize];
        if (ReadBytes(reader, chunkHeader, kChunkHeaderSize) != kChunkHeaderSize) break;
        if (!HasType(chunkHeader, "MTrk")) break;
        const std::int64_t start = TellPosition(reader);
        const std::int64_t end = start + BigEndian(chunkHeader + 4, 4);
        WalkTrackEvents(reader, end, summary, trackIndex == 0 ? &tempoMapSink : nullptr);
        if (trackIndex == 0) first = FirstChunk{start, end, summary.lengthTicks};
        // The next chunk starts at the declared end, wherever the walk stopped.
        SeekToPosition(reader, end);
    }
    return first;
}

double ComputeDurationSeconds(ByteReader& reader, const MidiSummary& summary, TempoMap& tempoMap,
                              FirstChunk firstChunk) {
    if (summary.division == 0 || summary.lengthTicks == 0) return 0.0;
    if (summary.division & 0x8000) return SmpteDurationSeconds(summary.division, summary.lengthTicks);
    if (TempoMapMissedChanges(tempoMap)) {
        if (const PlayingTimeFold* whole = FoldOfEveryChange(tempoMap, summary, firstChunk.lengthTicks))
            return FinishPlayingTime(*whole);
    }
    PlayingTimeFold fold = StartPlayingTime(summary, tempoMap);
    if (TempoMapMissedChanges(tempoMap) && !fold.cut) {
        // The first chunk's changes past the map's capacity, from a second
        // walk of it; only files with that many pay for it. The walk writes
        // to a summary of its own, since the real one keeps the last tempo
        // of any track.
        MidiSummary scratch;
        ResetMidiSummary(scratch);
        const TempoSink replaySink = ReplaySink(fold);
        SeekToPosition(reader, firstChunk.start);
        WalkTrackEvents(reader, firstChunk.end, scratch, &replaySink);
    }
    return FinishPlayingTime(fold);
}

}  // namespace

void ResetMidiSummary(MidiSummary& summary) {
    summary = MidiSummary{};
    summary.tempo = kDefaultTempo;
    summary.timeSignatureNumerator = 4;
    summary.timeSignatureDenominatorPower = 2;
}

void ScanMidiSource(const ByteSource& source, MidiSummary& summary) {
    ResetMidiSummary(summary);
    // About 32 KiB of buffer, in this frame: no allocation and no clearing.
    ByteReader reader;
    InitByteReader(reader, source);

    std::uint8_t header[kHeaderChunkSize];
    if (ReadBytes(reader, header, kHeaderChunkSize) != kHeaderChunkSize) return;
    if (!HasType(header, "MThd")) return;
    const std::uint32_t headerLength = BigEndian(header + 4, 4);
    if (headerLength < kMinimumHeaderLength) return;
    summary.format = static_cast<std::uint16_t>(BigEndian(header + 8, 2));
    summary.trackCount = static_cast<std::uint16_t>(BigEndian(header + 10, 2));
    summary.division = static_cast<std::uint16_t>(BigEndian(header + 12, 2));
    SkipBytes(reader, headerLength - kMinimumHeaderLength);

    TempoMap tempoMap;
    InitTempoMap(tempoMap, summary.tempo, summary.division);
    const FirstChunk firstChunk = WalkTrackChunks(reader, summary, tempoMap);
    summary.durationSeconds = ComputeDurationSeconds(reader, summary, tempoMap, firstChunk);
    // A file that ends early is a truncated file, and what was read of it
    // stands; a read that failed leaves the file unknown, not shorter.
    if (reader.readFailed) {
        ResetMidiSummary(summary);
        return;
    }
    summary.valid = 1;
}
