#include "fuzz/reference_scan.h"

namespace {

struct Cursor {
    const std::uint8_t* data;
    std::size_t size;
    std::int64_t position;

    bool AtOrPastEnd() const { return position < 0 || position >= static_cast<std::int64_t>(size); }
    // Returns -1 past the end; the position still moves on a hit only.
    int Next() {
        if (AtOrPastEnd()) return -1;
        return data[position++];
    }
    // Reads n bytes or fails; a short read consumes what it got.
    bool Take(std::uint8_t* out, int n) {
        for (int i = 0; i < n; ++i) {
            const int byte = Next();
            if (byte < 0) return false;
            out[i] = static_cast<std::uint8_t>(byte);
        }
        return true;
    }
};

std::uint32_t Be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

bool Quantity(Cursor& cursor, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const int byte = cursor.Next();
        if (byte < 0) return false;
        value = value << 7 | (static_cast<std::uint32_t>(byte) & 0x7F);
        if (!(byte & 0x80)) return true;
    }
    return true;  // four bytes at most; the fifth is left for the status
}

struct TempoChange {
    std::uint32_t tick;
    std::uint32_t tempo;
};

void Walk(Cursor& cursor, std::int64_t end, bool firstTrack, ReferenceSummary& out,
          std::vector<TempoChange>& changes) {
    std::uint32_t ticks = 0;
    int running = 0;
    while (cursor.position < end) {
        std::uint32_t delta;
        if (!Quantity(cursor, delta)) return;
        ticks += delta;
        int status = cursor.Next();
        if (status < 0) return;
        if (status < 0x80) {
            if (running == 0) return;
            --cursor.position;  // the data byte is read again as part of the event
            status = running;
        }
        running = status;
        if (status == 0xFF) {
            const int type = cursor.Next();
            if (type < 0) return;
            std::uint32_t length;
            if (!Quantity(cursor, length)) return;
            std::uint8_t bytes[4];
            if (type == 0x51 && length == 3) {
                if (!cursor.Take(bytes, 3)) return;
                out.tempo = std::uint32_t{bytes[0]} << 16 | std::uint32_t{bytes[1]} << 8 | bytes[2];
                if (firstTrack) changes.push_back({ticks, out.tempo});
                continue;
            }
            if (type == 0x58 && length >= 4 && !out.timeSignatureSeen) {
                if (!cursor.Take(bytes, 4)) return;
                out.timeSignatureSeen = true;
                out.timeSignatureNumerator = bytes[0];
                out.timeSignatureDenominatorPower = bytes[1];
                cursor.position += length - 4;
                continue;
            }
            if (type == 0x59 && length >= 2 && !out.keySignatureSeen) {
                if (!cursor.Take(bytes, 2)) return;
                out.keySignatureSeen = true;
                out.keySignatureSharpsFlats = static_cast<std::int8_t>(bytes[0]);
                out.keySignatureMinor = bytes[1];
                cursor.position += length - 2;
                continue;
            }
            cursor.position += length;
            if (type == 0x2F) {
                if (ticks > out.lengthTicks) out.lengthTicks = ticks;
                return;
            }
            continue;
        }
        if (status >= 0xF0) {
            std::uint32_t length;
            if (!Quantity(cursor, length)) return;
            cursor.position += length;
        } else if (status >= 0xC0 && status <= 0xDF) {
            cursor.position += 1;
        } else {
            cursor.position += 2;
        }
    }
}

double Duration(const ReferenceSummary& s, const std::vector<TempoChange>& changes) {
    if (s.division == 0 || s.lengthTicks == 0) return 0.0;
    const double division = s.division;
    if (s.division & 0x8000) {
        // SMPTE: minus the frame rate in the upper byte, ticks per frame below.
        const int rate = 256 - (s.division >> 8);
        const double ticksPerFrame = s.division & 0xFF;
        double fps = 0.0;
        if (rate == 24 || rate == 25 || rate == 30) fps = rate;
        if (rate == 29) fps = 30000.0 / 1001.0;
        if (fps == 0.0 || ticksPerFrame == 0.0) return 0.0;
        return static_cast<double>(s.lengthTicks) / (fps * ticksPerFrame);
    }
    double total = 0.0;
    std::uint32_t previous = 0;
    std::uint32_t tempo = 500000;
    for (const TempoChange& change : changes) {
        if (change.tick > s.lengthTicks) break;
        total += static_cast<double>(change.tick - previous) * static_cast<double>(tempo) / division;
        tempo = change.tempo;
        previous = change.tick;
    }
    if (s.lengthTicks > previous) total += static_cast<double>(s.lengthTicks - previous) * static_cast<double>(tempo) / division;
    return total / 1000000.0;
}

}  // namespace

bool ReferenceHeaderAccepted(const std::uint8_t* data, std::size_t size) {
    return size >= 14 && data[0] == 'M' && data[1] == 'T' && data[2] == 'h' && data[3] == 'd' && Be32(data + 4) >= 6;
}

ReferenceSummary ReferenceScan(const std::uint8_t* data, std::size_t size) {
    ReferenceSummary out;
    if (!ReferenceHeaderAccepted(data, size)) return out;
    out.format = static_cast<std::uint16_t>(data[8] << 8 | data[9]);
    out.trackCount = static_cast<std::uint16_t>(data[10] << 8 | data[11]);
    out.division = static_cast<std::uint16_t>(data[12] << 8 | data[13]);
    Cursor cursor{data, size, 14 + static_cast<std::int64_t>(Be32(data + 4)) - 6};
    std::vector<TempoChange> changes;
    for (unsigned track = 0; track < out.trackCount; ++track) {
        std::uint8_t chunk[8];
        if (!cursor.Take(chunk, 8)) break;
        if (chunk[0] != 'M' || chunk[1] != 'T' || chunk[2] != 'r' || chunk[3] != 'k') break;
        const std::int64_t end = cursor.position + Be32(chunk + 4);
        Walk(cursor, end, track == 0, out, changes);
        cursor.position = end;
    }
    out.durationSeconds = Duration(out, changes);
    out.valid = true;
    return out;
}
