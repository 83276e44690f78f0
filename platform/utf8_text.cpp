#include "platform/utf8_text.h"

#include <cstdint>

bool ConvertUtf16ToUtf8(const char16_t* text, char* out, std::size_t outSize) {
    std::size_t used = 0;
    for (const char16_t* p = text; *p != 0; ++p) {
        std::uint32_t codePoint = *p;
        if (codePoint < 0x80) {  // most paths are ASCII: one byte, straight through
            if (outSize - used <= 1) return false;  // keep room for the terminator
            out[used++] = static_cast<char>(codePoint);
            continue;
        }
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {  // a surrogate: only high then low make a pair
            if (codePoint > 0xDBFF || p[1] < 0xDC00 || p[1] > 0xDFFF) return false;
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (*++p - 0xDC00u);
        }
        // A lead byte that tells the length, then six bits in each byte after it.
        static constexpr unsigned char kLeadByte[] = {0, 0, 0xC0, 0xE0, 0xF0};
        const std::size_t length = codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
        if (outSize - used <= length) return false;  // keep room for the terminator
        for (std::size_t i = length - 1; i > 0; --i, codePoint >>= 6)
            out[used + i] = static_cast<char>(0x80 | (codePoint & 0x3F));
        out[used] = static_cast<char>(kLeadByte[length] | codePoint);
        used += length;
    }
    out[used] = '\0';
    return true;
}
