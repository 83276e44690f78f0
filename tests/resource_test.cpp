// What a request leaves behind: no open file descriptor, and no C++ heap
// allocation at all. This program replaces the global operator new so it can
// count the allocations made while requests run.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "midi/midi_summary.h"
#include "plugin/content_exports.h"
#include "host/text_encoding.h"
#include "records/midi_record.h"
#include "tests/request_mix.h"

namespace {

std::atomic<bool> countingAllocations{false};
std::atomic<long> allocations{0};

void* Allocate(std::size_t size) {
    if (countingAllocations.load(std::memory_order_relaxed)) ++allocations;
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

}  // namespace

// Every replaceable form that does not take an alignment ends up here; the
// matching deletes give the memory back to malloc.
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

int OpenDescriptors() {
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr) return -1;
    int count = 0;
    while (readdir(folder) != nullptr) ++count;
    closedir(folder);
    return count;
}

// Paths a host may meet beyond the usual mix: a FIFO, which must not block
// the open, and a device.
std::vector<std::u16string> AllPaths() {
    std::vector<std::u16string> paths = request_mix::MixedPaths();
    const std::string fifo = test_files::TempFolder() + "/pipe.mid";
    if (mkfifo(fifo.c_str(), 0600) == 0) paths.push_back(test_files::Utf16Path(fifo));
    paths.push_back(test_files::Utf16Path("/dev/null"));
    return paths;
}

TEST(ResourceTest, RequestsLeaveNoDescriptorOpen) {
    const std::vector<std::u16string> paths = AllPaths();
    const int before = OpenDescriptors();
    ASSERT_GT(before, 0) << "no /proc/self/fd here";
    char16_t buffer[32];
    int answered = 0;
    for (int round = 0; round < 2000; ++round)
        for (const auto& path : paths) {
            const int field = round % 10;
            if (ContentGetValueW(path.c_str(), field, 0, buffer, sizeof buffer, 0) == 11) ++answered;
        }
    EXPECT_GT(answered, 0);
    EXPECT_GE(2000 * paths.size(), 20000u);
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(ResourceTest, RequestsMakeNoHeapAllocation) {
    const std::vector<std::u16string> paths = AllPaths();
    // Results go to storage sized in advance, so the counted loop itself
    // allocates nothing.
    std::vector<int> kinds(paths.size() * 10);
    char16_t buffer[32];
    countingAllocations = true;
    for (int round = 0; round < 20; ++round)
        for (std::size_t file = 0; file < paths.size(); ++file)
            for (int field = 0; field < 10; ++field)
                kinds[file * 10 + static_cast<std::size_t>(field)] =
                    ContentGetValueW(paths[file].c_str(), field, 0, buffer, sizeof buffer, 0);
    countingAllocations = false;
    EXPECT_EQ(allocations.load(), 0);

    // The counter itself works: a std::vector allocates.
    countingAllocations = true;
    std::vector<int> probe(3);
    countingAllocations = false;
    EXPECT_EQ(allocations.load(), 1);
    (void)kinds;
}

TEST(ResourceTest, RecordsByPathAndFromMemoryMakeNoHeapAllocationAndLeaveNoDescriptorOpen) {
    // The paths as the system names them, and one file's bytes, made in
    // advance: the counted loop allocates nothing of its own.
    std::vector<std::string> names;
    for (const std::u16string& path : AllPaths()) names.push_back(Utf16ToUtf8(path.c_str()));
    const midi_bytes::Bytes bytes = test_files::SmallMidi();
    MidiRecord record;
    const int before = OpenDescriptors();
    const long allocatedBefore = allocations.load();
    int read = 0;
    countingAllocations = true;
    for (int round = 0; round < 200; ++round) {
        for (const std::string& name : names) read += ReadMidiRecord(name.c_str(), &record) == kMidiRecordRead;
        read += ReadMidiRecordFromMemory(bytes.data(), bytes.size() - static_cast<std::size_t>(round % 7), &record);
    }
    countingAllocations = false;
    EXPECT_EQ(allocations.load(), allocatedBefore);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_GT(read, 400);
}

}  // namespace
