#include "midi/track_walk.h"

#include "midi/big_endian.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kMetaStatus = 0xFF;
constexpr int kMetaSetTempo = 0x51;
constexpr int kMetaTimeSignature = 0x58;
constexpr int kMetaKeySignature = 0x59;
constexpr int kMetaEndOfTrack = 0x2F;

// The rule of a variable-length quantity, for both readers of one below:
// seven bits a byte, most significant first, up to a byte with bit 7 clear,
// but never more than four bytes (28 bits). nextByte() gives the next byte or
// kEndOfData; the quantity fails only when the data ends inside it. The
// first byte is taken apart from the loop, since most quantities end there:
// written as one loop, the channel-event path below costs 5% more.
template <typename NextByte>
inline bool DecodeVariableQuantity(NextByte nextByte, std::uint32_t& value) {
    int byte = nextByte();
    if (byte == kEndOfData) return false;
    value = static_cast<std::uint32_t>(byte);
    if (MIDIFIELDS_LIKELY((byte & 0x80) == 0)) return true;  // most quantities are one byte
    value &= 0x7F;
    for (int i = 1; i < 4; ++i) {
        byte = nextByte();
        if (byte == kEndOfData) return false;
        value = (value << 7) | static_cast<std::uint32_t>(byte & 0x7F);
        if ((byte & 0x80) == 0) break;
    }
    return true;
}

// Data bytes after a channel status (0x80 to 0xEF): program change (0xCn)
// and channel pressure (0xDn) carry one, the others two.
constexpr int ChannelDataLength(unsigned status) { return (status & 0xE0) == 0xC0 ? 1 : 2; }

// Handles one meta event whose type byte has been read. Returns false when
// the walk ends: at End of Track, and whenever the data runs out.
bool HandleMetaEvent(ByteReader& reader, int type, std::uint32_t ticks, MidiSummary& summary,
                        const TempoSink* tempoSink) {
    std::uint32_t length;
    if (!ReadVariableQuantity(reader, length)) return false;
    std::uint8_t data[4];

    if (type == kMetaSetTempo && length == 3) {
        if (ReadBytes(reader, data, 3) != 3) return false;
        const std::uint32_t tempo = BigEndian(data, 3);
        summary.tempo = tempo;
        if (tempoSink != nullptr) tempoSink->take(tempoSink->context, ticks, tempo);
        return true;
    }
    if (type == kMetaTimeSignature && length >= 4 && !summary.timeSignatureSeen) {
        if (ReadBytes(reader, data, 4) != 4) return false;
        summary.timeSignatureSeen = 1;
        summary.timeSignatureNumerator = data[0];
        summary.timeSignatureDenominatorPower = data[1];
        SkipBytes(reader, length - 4);
        return true;
    }
    if (type == kMetaKeySignature && length >= 2 && !summary.keySignatureSeen) {
        if (ReadBytes(reader, data, 2) != 2) return false;
        summary.keySignatureSeen = 1;
        summary.keySignatureSharpsFlats = static_cast<std::int8_t>(data[0]);
        summary.keySignatureMinor = data[1];
        SkipBytes(reader, length - 2);
        return true;
    }
    SkipBytes(reader, length);
    if (type == kMetaEndOfTrack) {
        if (ticks > summary.lengthTicks) summary.lengthTicks = ticks;
        return false;
    }
    return true;
}

// The longest channel event: a four-byte delta time, a status byte and two
// data bytes.
constexpr std::int64_t kLongestChannelEvent = 7;

#if defined(__SSE2__)
// Runs of note and controller events under running status, several at a
// time. Such an event is three bytes, a one-byte delta time and two data
// bytes, none of them with bit 7 set; 15 bytes without bit 7 are five of
// them, and their delta times are the bytes at offsets 0, 3, 6, 9 and 12.
// A vector of 16 bytes tells that at once and sums the deltas with one
// psadbw, into two 64-bit sums kept until the run ends (their total is
// the ticks modulo 2^32, as a tick count wraps). Where a byte with bit 7
// comes first (a longer delta time, a status byte), the events before it
// are taken the same way and the rest is left to the byte-wise step.
class PlainEventRuns {
public:
    // Takes the events of such a run at event, at most five, all of which
    // must start before the end of the span and lie in the buffer; returns
    // how many were taken.
    int Skip(const std::uint8_t*& event) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(event));
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(bytes)) & 0x7FFFu;
        const int events = high == 0 ? 5 : kEventsBefore[__builtin_ctz(high)];
        const __m128i deltas = _mm_and_si128(bytes, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kDeltaBytes[events])));
        sums_ = _mm_add_epi64(sums_, _mm_sad_epu8(deltas, _mm_setzero_si128()));
        event += 3 * events;
        return events;
    }
    std::uint32_t Ticks() const {
        alignas(16) std::uint64_t lanes[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums_);
        return static_cast<std::uint32_t>(lanes[0] + lanes[1]);
    }

private:
    // Whole events before a byte with bit 7 at each offset.
    static constexpr int kEventsBefore[16] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5};
    // For n events, the bytes of their delta times.
    static constexpr std::uint8_t kDeltaBytes[6][16] = {
        {},
        {0xFF},
        {0xFF, 0, 0, 0xFF},
        {0xFF, 0, 0, 0xFF, 0, 0, 0xFF},
        {0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF},
        {0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF},
    };
    __m128i sums_ = _mm_setzero_si128();
};
#endif

// The common case, note and controller events, straight from the reader's
// buffer: steps over channel events while each one starts before chunkEnd
// and surely lies whole in the buffer, with no position query or refill
// check per byte. Stops before the delta time of anything else (a meta or
// system event, a data byte without a channel running status) and of an
// event that may not fit; the general step below takes that one.
void SkipChannelEvents(ByteReader& reader, std::int64_t chunkEnd, std::uint32_t& ticks, int& runningStatus) {
    const std::int64_t toChunkEnd = chunkEnd - TellPosition(reader);
    const std::int64_t fitting = (reader.end - reader.next) - kLongestChannelEvent;
    const std::int64_t span = toChunkEnd < fitting ? toChunkEnd : fitting;
    if (span <= 0) return;

    const std::uint8_t* event = reader.next;
    const std::uint8_t* const stop = event + span;
    std::uint32_t eventTicks = ticks;
    unsigned status = static_cast<unsigned>(runningStatus);
#if defined(__SSE2__)
    PlainEventRuns runs;
    // Five events of three bytes start before stop: 16 bytes lie in the buffer.
    const std::uint8_t* const runsStop = span > 12 ? stop - 12 : event;
#endif
    while (event < stop) {
        const std::uint8_t* byte = event;
        std::uint32_t delta;
        DecodeVariableQuantity([&byte] { return int{*byte++}; }, delta);  // never short here
        const unsigned first = *byte;
        if (MIDIFIELDS_LIKELY(first - 0x80u < 0x70u)) {  // a channel status, 0x80 to 0xEF
            status = first;
            ++byte;
        } else if (first >= 0x80 || status - 0x80u >= 0x70u) {
            break;  // a system or meta status, or running status that is not a channel one
        }
        // A branch rather than a table: it is predicted, so the next event's
        // address does not wait for a load.
        const int dataLength = ChannelDataLength(status);
        byte += dataLength;
        eventTicks += delta;
        event = byte;
#if defined(__SSE2__)
        // An event that ran on a status with two data bytes may start a run.
        if (first < 0x80 && dataLength == 2)
            while (event < runsStop && runs.Skip(event) == 5) {
            }
#endif
    }
    reader.next = event;
#if defined(__SSE2__)
    eventTicks += runs.Ticks();
#endif
    ticks = eventTicks;
    runningStatus = static_cast<int>(status);
}

// Reads one event of any kind from the reader's position. Returns false when
// the walk ends there.
bool WalkOneEvent(ByteReader& reader, std::uint32_t& ticks, int& runningStatus, MidiSummary& summary,
                     const TempoSink* tempoSink) {
    std::uint32_t delta;
    if (!ReadVariableQuantity(reader, delta)) return false;
    ticks += delta;

    int status = ReadByte(reader);
    if (status == kEndOfData) return false;
    if (status < 0x80) {
        // A data byte where a status belongs: running status. Every
        // status byte, meta and system ones included, sets it.
        if (runningStatus == 0) return false;
        UnreadByte(reader, status);
        status = runningStatus;
    } else {
        runningStatus = status;
    }

    if (status == kMetaStatus) {
        const int type = ReadByte(reader);
        if (type == kEndOfData) return false;
        return HandleMetaEvent(reader, type, ticks, summary, tempoSink);
    }
    if (status >= 0xF0) {  // system exclusive and other system events: length, then data
        std::uint32_t length;
        if (!ReadVariableQuantity(reader, length)) return false;
        SkipBytes(reader, length);
    } else {
        SkipBytes(reader, static_cast<std::uint64_t>(ChannelDataLength(static_cast<unsigned>(status))));
    }
    return true;
}

}  // namespace

bool ReadVariableQuantity(ByteReader& reader, std::uint32_t& value) {
    return DecodeVariableQuantity([&reader] { return ReadByte(reader); }, value);
}

void WalkTrackEvents(ByteReader& reader, std::int64_t chunkEnd, MidiSummary& summary, const TempoSink* tempoSink) {
    std::uint32_t ticks = 0;  // wraps modulo 2^32, as tick counts do
    int runningStatus = 0;    // 0: none yet

    for (;;) {
        SkipChannelEvents(reader, chunkEnd, ticks, runningStatus);
        if (TellPosition(reader) >= chunkEnd) return;
        if (!WalkOneEvent(reader, ticks, runningStatus, summary, tempoSink)) return;
    }
}
