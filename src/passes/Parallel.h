#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <utility>

namespace stratex {

// The number of threads over which a pass splits its work (the scan of a large file, Process in segments):
// the processors, at most four, where more walkers only wait for the reading. 1: no split.
inline std::size_t PassThreads() { return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4); }

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

}  // namespace stratex
