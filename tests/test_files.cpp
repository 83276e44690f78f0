#include "tests/test_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>

namespace test_files {

const std::string& TempFolder() {
    static const std::string folder = [] {
        std::string pattern = ::testing::TempDir() + "midifields-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern;
    }();
    return folder;
}

std::string WriteTempFile(const midi_bytes::Bytes& bytes, const std::string& name) {
    static std::atomic<int> counter{0};
    const std::string path = TempFolder() + "/" + (name.empty() ? "file" + std::to_string(counter++) + ".mid" : name);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
}

std::u16string Utf16Path(const std::string& path) {
    std::u16string out;
    for (std::size_t i = 0; i < path.size();) {
        const auto lead = static_cast<unsigned char>(path[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t codePoint = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length; ++k) codePoint = (codePoint << 6) | (path[i + k] & 0x3F);
        if (codePoint >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(codePoint);
        }
        i += length;
    }
    return out;
}

}  // namespace test_files
