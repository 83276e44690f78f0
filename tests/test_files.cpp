#include "tests/test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>

#include "host/text_encoding.h"

namespace fs = std::filesystem;

namespace test_files {

namespace {

// A new folder under base. Test cases may run as processes side by side: a
// name that already exists belongs to another, so try another one.
fs::path NewFolder(const fs::path& base) {
    static std::atomic<int> counter{0};
    static std::random_device random;
    fs::path folder;
    do {
        folder = base / ("midifields-" + std::to_string(random()) + "-" + std::to_string(counter++));
    } while (!fs::create_directory(folder));
    return folder;
}

void WriteBytes(const fs::path& path, const midi_bytes::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << path;
}

}  // namespace

const std::string& TempFolder() {
    static const std::string folder = [] {
        const char* kept = std::getenv("MIDIFIELDS_TEST_FILES_DIR");
        return NewFolder(kept != nullptr && *kept != '\0' ? fs::u8path(kept) : fs::temp_directory_path()).u8string();
    }();
    return folder;
}

std::string WriteTempFile(const midi_bytes::Bytes& bytes, const std::string& name) {
    static std::atomic<int> counter{0};
    const std::string path = TempFolder() + "/" + (name.empty() ? "file" + std::to_string(counter++) + ".mid" : name);
    WriteBytes(fs::u8path(path), bytes);
    return path;
}

std::u16string Utf16Path(const std::string& path) {
    std::u16string out;
    EXPECT_TRUE(Utf8ToUtf16(path, out)) << path;
    return out;
}

TestFolder::TestFolder() : root_(NewFolder(fs::temp_directory_path())) {}

TestFolder::~TestFolder() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

fs::path TestFolder::Write(const fs::path& relative, const midi_bytes::Bytes& bytes) const {
    const fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    WriteBytes(path, bytes);
    return path;
}

}  // namespace test_files
