// A fresh folder for a host test, removed again at the end of the test,
// and files written into it byte by byte.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "tests/midi_bytes.h"

namespace host_test {

class TestFolder {
public:
    TestFolder() {
        // Test cases may run as processes side by side: a folder that
        // already exists belongs to another, so try another name.
        static std::atomic<int> counter{0};
        static std::random_device random;
        do {
            root_ = std::filesystem::temp_directory_path() /
                    ("midifields-host-" + std::to_string(random()) + "-" + std::to_string(counter++));
        } while (!std::filesystem::create_directory(root_));
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& Root() const { return root_; }

    // Writes bytes to a file at relative (folders made as needed).
    std::filesystem::path Write(const std::filesystem::path& relative, const midi_bytes::Bytes& bytes) const {
        const std::filesystem::path path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(out.good()) << path;
        return path;
    }

private:
    std::filesystem::path root_;
};

// A small valid file: format 0, one track of `ticks` ticks at 120 BPM.
inline midi_bytes::Bytes SmallMidi(std::uint32_t ticks = 480, std::uint16_t division = 480) {
    using namespace midi_bytes;
    return Header(0, 1, division) + Track(NoteOn(0, 60) + NoteOff(ticks, 60) + EndOfTrack(0));
}

}  // namespace host_test
