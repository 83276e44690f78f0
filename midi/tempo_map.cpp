#include "midi/tempo_map.h"

namespace {

constexpr double kMicrosecondsPerSecond = 1000000.0;

// One segment: the product of the converted values first, then the quotient.
double SegmentMicroseconds(std::uint32_t ticks, std::uint32_t tempo, std::uint16_t division) {
    return static_cast<double>(ticks) * static_cast<double>(tempo) / static_cast<double>(division);
}

void FoldTempoChange(PlayingTimeFold& fold, std::uint32_t tick, std::uint32_t tempo) {
    fold.cut = fold.cut || tick > fold.lengthTicks;
    if (fold.cut) return;
    // Unsigned difference: a tick count that wrapped past 2^32 wraps here too.
    fold.totalMicroseconds += SegmentMicroseconds(tick - fold.previousTick, fold.currentTempo, fold.division);
    fold.currentTempo = tempo;
    fold.previousTick = tick;
}

void StoreTempoChange(void* context, std::uint32_t tick, std::uint32_t tempo) {
    TempoMap& tempoMap = *static_cast<TempoMap*>(context);
    if (++tempoMap.changesSeen <= kTempoChangesStored) tempoMap.entries[tempoMap.count++] = TempoMapEntry{tick, tempo};
    if (tempoMap.everyChange.division != 0) FoldTempoChange(tempoMap.everyChange, tick, tempo);
    if (tick > tempoMap.latestChangeTick) tempoMap.latestChangeTick = tick;
}

void FoldReplayedChange(void* context, std::uint32_t tick, std::uint32_t tempo) {
    PlayingTimeFold& fold = *static_cast<PlayingTimeFold*>(context);
    // The map stored the first changes; StartPlayingTime folded them in.
    if (++fold.changesMet > kTempoChangesStored) FoldTempoChange(fold, tick, tempo);
}

}  // namespace

void InitTempoMap(TempoMap& tempoMap, std::uint32_t initialTempo, std::uint16_t division) {
    tempoMap.entries[0] = TempoMapEntry{0, initialTempo};
    tempoMap.count = 1;
    tempoMap.changesSeen = 0;
    // No length yet, so nothing is cut off: the highest length of all.
    const std::uint16_t ticksPerQuarter = (division & 0x8000) != 0 ? 0 : division;
    tempoMap.everyChange = PlayingTimeFold{0.0, 0, initialTempo, 0xFFFFFFFFu, ticksPerQuarter, false, 0};
    tempoMap.latestChangeTick = 0;
}

TempoSink TempoMapSink(TempoMap& tempoMap) { return TempoSink{StoreTempoChange, &tempoMap}; }

PlayingTimeFold StartPlayingTime(const MidiSummary& summary, const TempoMap& tempoMap) {
    PlayingTimeFold fold{0.0, 0, tempoMap.entries[0].tempo, summary.lengthTicks, summary.division, false, 0};
    for (std::uint32_t i = 1; i < tempoMap.count; ++i) FoldTempoChange(fold, tempoMap.entries[i].tick, tempoMap.entries[i].tempo);
    return fold;
}

const PlayingTimeFold* FoldOfEveryChange(TempoMap& tempoMap, const MidiSummary& summary,
                                         std::uint32_t firstChunkLength) {
    if (tempoMap.everyChange.division == 0 || firstChunkLength == 0 || tempoMap.latestChangeTick > firstChunkLength)
        return nullptr;
    tempoMap.everyChange.lengthTicks = summary.lengthTicks;
    return &tempoMap.everyChange;
}

TempoSink ReplaySink(PlayingTimeFold& fold) { return TempoSink{FoldReplayedChange, &fold}; }

double FinishPlayingTime(const PlayingTimeFold& fold) {
    double total = fold.totalMicroseconds;
    if (fold.lengthTicks > fold.previousTick)
        total += SegmentMicroseconds(fold.lengthTicks - fold.previousTick, fold.currentTempo, fold.division);
    return total / kMicrosecondsPerSecond;
}

double SmpteDurationSeconds(std::uint16_t division, std::uint32_t lengthTicks) {
    const int frameRate = -static_cast<int>(static_cast<std::int8_t>(division >> 8));
    const std::uint32_t ticksPerFrame = division & 0xFFu;
    double framesPerSecond;
    switch (frameRate) {
        case 24: framesPerSecond = 24.0; break;
        case 25: framesPerSecond = 25.0; break;
        case 29: framesPerSecond = 30000.0 / 1001.0; break;  // 29.97 drop-frame
        case 30: framesPerSecond = 30.0; break;
        default: return 0.0;
    }
    if (ticksPerFrame == 0) return 0.0;
    return static_cast<double>(lengthTicks) / (framesPerSecond * static_cast<double>(ticksPerFrame));
}
