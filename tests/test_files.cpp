#include "tests/test_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#endif

namespace test_files {

namespace {

// Where the folders go: MIDIFIELDS_TEST_FILES_DIR when set, so that a run
// can keep every file it writes (the host cross-check reads them all),
// else the test framework's temp folder.
std::string BaseFolder() {
    const char* kept = std::getenv("MIDIFIELDS_TEST_FILES_DIR");
    if (kept != nullptr && *kept != '\0') return std::string(kept) + "/";
    return ::testing::TempDir();
}

#ifdef _WIN32
std::wstring Wide(const std::string& utf8) {
    const std::u16string text = Utf16Path(utf8);
    return std::wstring(text.begin(), text.end());
}
#endif

}  // namespace

const std::string& TempFolder() {
    static const std::string folder = [] {
#ifdef _WIN32
        for (unsigned attempt = 0; attempt < 1000; ++attempt) {
            const std::string candidate = BaseFolder() + "midifields-" + std::to_string(GetCurrentProcessId()) + "-" +
                                          std::to_string(GetTickCount()) + "-" + std::to_string(attempt);
            if (_wmkdir(Wide(candidate).c_str()) == 0) return candidate;
        }
        std::abort();
#else
        std::string pattern = BaseFolder() + "midifields-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern;
#endif
    }();
    return folder;
}

std::string WriteTempFile(const midi_bytes::Bytes& bytes, const std::string& name) {
    static std::atomic<int> counter{0};
    const std::string path = TempFolder() + "/" + (name.empty() ? "file" + std::to_string(counter++) + ".mid" : name);
#ifdef _WIN32
    FILE* file = _wfopen(Wide(path).c_str(), L"wb");
#else
    FILE* file = std::fopen(path.c_str(), "wb");
#endif
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
