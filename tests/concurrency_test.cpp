// Many host threads asking the loaded library at once: every answer must
// equal the one a single thread gets for the same file and field. On Linux
// and for the DLL under Wine; the test script runs it under ThreadSanitizer
// as well.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/loaded_plugin.h"
#include "tests/request_mix.h"

namespace {

struct Answer {
    int kind;
    std::u16string text;
};

Answer Ask(const std::u16string& path, int field) {
    char16_t buffer[64];
    buffer[0] = u'#';  // shows whether the export wrote anything
    buffer[1] = 0;
    const int kind = loaded_plugin::GetValue(path.c_str(), field, buffer, sizeof buffer);
    return {kind, buffer};
}

TEST(ConcurrencyTest, SixteenThreadsGetTheSingleThreadedAnswers) {
    const std::vector<std::u16string> paths = request_mix::MixedPaths();
    constexpr int kFields = 11;  // -1 to 9: the nine fields and one past each end
    std::vector<Answer> expected;
    for (const auto& path : paths)
        for (int field = -1; field < kFields - 1; ++field) expected.push_back(Ask(path, field));

    constexpr int kThreads = 16;
    constexpr int kRequestsPerThread = 3000;
    std::atomic<int> mismatches{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < kRequestsPerThread; ++i) {
                // Half the threads stay on one file each (several on the same
                // one), the others walk all files in their own stride.
                const std::size_t file = t % 2 ? static_cast<std::size_t>(t / 4) % paths.size()
                                               : static_cast<std::size_t>(i * (t + 1)) % paths.size();
                const int field = (i + t) % kFields - 1;
                const Answer answer = Ask(paths[file], field);
                const Answer& want = expected[file * kFields + static_cast<std::size_t>(field + 1)];
                if (answer.kind != want.kind || answer.text != want.text) ++mismatches;
            }
        });
    }
    go = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
