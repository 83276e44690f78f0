// Runs a job for each of count items on worker threads and hands the
// results to the caller's thread in item order, whatever the number of
// threads and however long each item takes.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// work(index) runs on a worker and must be safe to call concurrently.
// emit(index, result) runs on the calling thread, in index order.
// idle(emitted) runs on the calling thread now and then while it waits,
// so a progress display can keep moving when one item is slow.
template <typename Result>
void RunOrdered(std::size_t count, unsigned threads, const std::function<Result(std::size_t)>& work,
                const std::function<void(std::size_t, Result&)>& emit,
                const std::function<void(std::size_t)>& idle = nullptr) {
    threads = std::max(1u, threads);
    if (threads > count) threads = static_cast<unsigned>(std::max<std::size_t>(count, 1));

    std::vector<std::optional<Result>> results(count);
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};

    // Workers take the next unclaimed index; they never wait for output,
    // so a result finished early is simply held until its turn.
    auto worker = [&] {
        for (std::size_t index = next++; index < count; index = next++) {
            Result result = work(index);
            {
                std::lock_guard<std::mutex> lock(mutex);
                results[index] = std::move(result);
            }
            ready.notify_one();
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(worker);

    for (std::size_t index = 0; index < count; ++index) {
        std::optional<Result> result;
        {
            std::unique_lock<std::mutex> lock(mutex);
            while (!results[index].has_value()) {
                if (idle) {
                    lock.unlock();
                    idle(index);
                    lock.lock();
                    if (results[index].has_value()) break;
                }
                ready.wait_for(lock, std::chrono::milliseconds(100));
            }
            result = std::move(results[index]);
            results[index].reset();
        }
        emit(index, *result);
    }
    for (std::thread& thread : pool) thread.join();
}
