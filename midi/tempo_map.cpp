#include "midi/tempo_map.h"

#include "midi/playing_time.h"

void InitTempoMap(TempoMap& tempoMap, std::uint32_t initialTempo) {
    tempoMap.entries[0] = TempoMapEntry{0, initialTempo};
    tempoMap.count = 1;
    tempoMap.changesSeen = 0;
    tempoMap.replay = nullptr;
}

void RecordTempoChange(TempoMap& tempoMap, std::uint32_t tick, std::uint32_t tempo) {
    ++tempoMap.changesSeen;
    if (tempoMap.replay != nullptr) {
        if (tempoMap.changesSeen >= kTempoMapCapacity) FoldTempoChange(*tempoMap.replay, tick, tempo);
        return;
    }
    if (tempoMap.count < kTempoMapCapacity) tempoMap.entries[tempoMap.count++] = TempoMapEntry{tick, tempo};
}
