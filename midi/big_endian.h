// Standard MIDI Files store every multi-byte integer most significant byte
// first: chunk lengths (32 bits), the header's words (16 bits), the Set Tempo
// value (24 bits).
#pragma once

#include <cstddef>
#include <cstdint>

// The unsigned integer in the first count bytes (at most four), assembled
// byte by byte so the host's byte order never matters.
inline std::uint32_t BigEndian(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = (value << 8) | bytes[i];
    return value;
}
