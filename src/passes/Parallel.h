#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>

namespace stratex {

// The number of threads over which a pass splits its work (the scan of a large file, Process in segments):
// the processors, at most four, where more walkers only wait for the reading. 1: no split.
inline std::size_t PassThreads() {
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
}

}  // namespace stratex
