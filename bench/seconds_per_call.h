// Times a piece of work: the best of five rounds, each a batch of calls grown
// until it lasts at least minBatchSeconds, so that short calls are not
// measured below the clock's resolution.
#pragma once

#include <algorithm>
#include <chrono>

template <typename Work>
double SecondsPerCall(Work work, double minBatchSeconds) {
    using Clock = std::chrono::steady_clock;
    long calls = 1;
    for (;;) {
        const auto start = Clock::now();
        for (long i = 0; i < calls; ++i) work();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (seconds >= minBatchSeconds || calls >= (1L << 24)) break;
        calls *= seconds < minBatchSeconds / 10 ? 10 : 2;
    }
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        for (long i = 0; i < calls; ++i) work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count() / static_cast<double>(calls));
    }
    return best;
}
