#include "midi/track_walk.h"

#include "midi/tempo_map.h"

namespace {

constexpr int kMetaStatus = 0xFF;
constexpr int kMetaSetTempo = 0x51;
constexpr int kMetaTimeSignature = 0x58;
constexpr int kMetaKeySignature = 0x59;
constexpr int kMetaEndOfTrack = 0x2F;

enum class WalkStep { kContinue, kStop };

// Handles one meta event whose type byte has been read. Returns kStop at End
// of Track and whenever the data runs out.
WalkStep HandleMetaEvent(ByteReader& reader, int type, std::uint32_t ticks, std::uint16_t trackIndex,
                         MidiSummary& summary, TempoMap& tempoMap) {
    std::uint32_t length;
    if (!ReadVariableQuantity(reader, length)) return WalkStep::kStop;
    std::uint8_t data[4];

    if (type == kMetaSetTempo && length == 3) {
        if (ReadBytes(reader, data, 3) != 3) return WalkStep::kStop;
        const std::uint32_t tempo = (std::uint32_t{data[0]} << 16) | (std::uint32_t{data[1]} << 8) | data[2];
        summary.tempo = tempo;
        if (trackIndex == 0) RecordTempoChange(tempoMap, ticks, tempo);
        return WalkStep::kContinue;
    }
    if (type == kMetaTimeSignature && length >= 4 && !summary.timeSignatureSeen) {
        if (ReadBytes(reader, data, 4) != 4) return WalkStep::kStop;
        summary.timeSignatureSeen = 1;
        summary.timeSignatureNumerator = data[0];
        summary.timeSignatureDenominatorPower = data[1];
        SkipBytes(reader, length - 4);
        return WalkStep::kContinue;
    }
    if (type == kMetaKeySignature && length >= 2 && !summary.keySignatureSeen) {
        if (ReadBytes(reader, data, 2) != 2) return WalkStep::kStop;
        summary.keySignatureSeen = 1;
        summary.keySignatureSharpsFlats = static_cast<std::int8_t>(data[0]);
        summary.keySignatureMinor = data[1];
        SkipBytes(reader, length - 2);
        return WalkStep::kContinue;
    }
    SkipBytes(reader, length);
    if (type == kMetaEndOfTrack) {
        if (ticks > summary.lengthTicks) summary.lengthTicks = ticks;
        return WalkStep::kStop;
    }
    return WalkStep::kContinue;
}

}  // namespace

bool ReadVariableQuantity(ByteReader& reader, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const int byte = ReadByte(reader);
        if (byte == kEndOfData) return false;
        value = (value << 7) | static_cast<std::uint32_t>(byte & 0x7F);
        if ((byte & 0x80) == 0) break;
    }
    return true;
}

void WalkTrackEvents(ByteReader& reader, std::int64_t chunkEnd, std::uint16_t trackIndex, MidiSummary& summary,
                     TempoMap& tempoMap) {
    std::uint32_t ticks = 0;  // wraps modulo 2^32, as tick counts do
    int runningStatus = 0;    // 0: none yet

    while (TellPosition(reader) < chunkEnd) {
        std::uint32_t delta;
        if (!ReadVariableQuantity(reader, delta)) return;
        ticks += delta;

        int status = ReadByte(reader);
        if (status == kEndOfData) return;
        if (status < 0x80) {
            // A data byte where a status belongs: running status. Every
            // status byte, meta and system ones included, sets it.
            if (runningStatus == 0) return;
            UnreadByte(reader, status);
            status = runningStatus;
        } else {
            runningStatus = status;
        }

        if (status == kMetaStatus) {
            const int type = ReadByte(reader);
            if (type == kEndOfData) return;
            if (HandleMetaEvent(reader, type, ticks, trackIndex, summary, tempoMap) == WalkStep::kStop) return;
            continue;
        }
        switch (status >> 4) {
            case 0xF: {  // system exclusive and other system events: length, then data
                std::uint32_t length;
                if (!ReadVariableQuantity(reader, length)) return;
                SkipBytes(reader, length);
                break;
            }
            case 0xC:  // program change
            case 0xD:  // channel pressure
                SkipBytes(reader, 1);
                break;
            default:  // note off/on, key pressure, control change, pitch bend
                SkipBytes(reader, 2);
                break;
        }
    }
}
