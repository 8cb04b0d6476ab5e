#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace stratex {

// While set on a thread, its passes do not split: set on the threads that take several maps side by
// side, so that the maps share the processors rather than the parts of each.
inline thread_local bool passSplitOff = false;

// The number of threads over which a pass splits its work (the scan of a large file, Process in segments):
// the processors, at most four, where more walkers only wait for the reading. 1: no split.
inline std::size_t PassThreads() {
    return passSplitOff ? 1 : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
}

// The processors, for work on whole maps side by side.
inline std::size_t Processors() { return std::max<std::size_t>(std::thread::hardware_concurrency(), 1); }

// While set, no pass thread can be started, as on a system out of threads (for tests of the fallback).
inline std::atomic<bool> passThreadsRefused{false};

// Starts a thread of a pass. Throws std::system_error where none can be started; the pass then does its
// work in one walk on the calling thread.
template <typename Function>
std::thread StartPassThread(Function&& function) {
    if (passThreadsRefused.load())
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return std::thread(std::forward<Function>(function));
}

// Calls work(i) for each i below count, on up to threads threads including the calling one, each taking the
// next i when done with one; the passes inside do not split. Where no thread can be started, the threads
// that run do all the work. work must not throw.
template <typename Work>
void RunSideBySide(std::size_t count, std::size_t threads, const Work& work) {
    std::atomic<std::size_t> next{0};
    const auto take = [&] {
        const bool splitBefore = passSplitOff;
        passSplitOff = true;
        for (std::size_t i = next++; i < count; i = next++) work(i);
        passSplitOff = splitBefore;
    };
    std::vector<std::thread> started;
    try {
        while (started.size() + 1 < std::min(threads, count)) started.push_back(StartPassThread(take));
    } catch (const std::system_error&) {
        // The threads started, and this one, share the work.
    }
    take();
    for (std::thread& thread : started) thread.join();
}

}  // namespace stratex
