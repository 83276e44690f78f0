// Runs a job for each item of a stream on worker threads and hands the
// results to the caller's thread in item order, whatever the number of
// threads and however long each item takes. Items are taken from the
// stream only as the results move on, so a stream of any length needs no
// more memory than a window of items.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// next(item) runs on the calling thread, fills the next item and returns
// false at the end of the stream. work(item) runs on a worker and must be
// safe to call concurrently. emit(item, result) runs on the calling thread,
// in stream order; returning false ends the run (no item is taken after
// that). idle(emitted) runs on the calling thread now and then while it
// waits, so a progress display can keep moving when one item is slow. At
// most `window` items are taken but not yet emitted.
//
// With one thread the work runs on the calling thread, item after item:
// handing each item to a worker and its result back would cost more than
// reading a small file.
template <typename Item, typename Result>
void RunOrdered(unsigned threads, std::size_t window, const std::function<bool(Item&)>& next,
                const std::function<Result(const Item&)>& work, const std::function<bool(Item&, Result&)>& emit,
                const std::function<void(std::size_t)>& idle = nullptr) {
    if (threads <= 1) {
        for (Item item; next(item);) {
            Result result = work(item);
            if (!emit(item, result)) return;
        }
        return;
    }
    struct Slot {
        Item item;
        std::optional<Result> result;
    };
    // Emitted from the front. A deque keeps a worker's slot in place while
    // slots are added behind it and taken from before it.
    std::deque<Slot> slots;
    std::size_t unclaimed = 0;  // position in slots of the first item no worker has taken
    bool closing = false;
    std::mutex mutex;
    std::condition_variable workReady;
    std::condition_variable resultReady;

    auto worker = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            workReady.wait(lock, [&] { return closing || unclaimed < slots.size(); });
            if (closing) return;
            Slot& slot = slots[unclaimed++];
            lock.unlock();
            Result result = work(slot.item);
            lock.lock();
            slot.result = std::move(result);
            resultReady.notify_one();
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < std::max(1u, threads); ++t) pool.emplace_back(worker);

    bool more = true;
    for (std::size_t emitted = 0;; ++emitted) {
        for (Item item; more && slots.size() < std::max<std::size_t>(window, 1);) {
            more = next(item);
            if (!more) break;
            std::lock_guard<std::mutex> lock(mutex);
            slots.push_back({std::move(item), std::nullopt});
            workReady.notify_one();
        }
        std::unique_lock<std::mutex> lock(mutex);
        if (slots.empty()) break;
        while (!slots.front().result.has_value()) {
            if (idle) {
                lock.unlock();
                idle(emitted);
                lock.lock();
                if (slots.front().result.has_value()) break;
            }
            resultReady.wait_for(lock, std::chrono::milliseconds(100));
        }
        Slot slot = std::move(slots.front());
        slots.pop_front();
        --unclaimed;
        lock.unlock();
        if (!emit(slot.item, *slot.result)) break;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        closing = true;
    }
    workReady.notify_all();
    for (std::thread& thread : pool) thread.join();
}
