#include "bytes/MapTextLoader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace stratex {

MapTextLoader::MapTextLoader(const std::filesystem::path& path)
    : source_(path),
      // FileSource reads no further than the file's size: a file that has grown fails the load.
      builder_(MapText::Builder::CapacityFor(source_.stamp().size)),
      text_(builder_.data()) {
    preparer_ = std::thread([this] { Prepare(); });
    try {
        thread_ = std::thread([this] { Load(); });
    } catch (...) {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        preparer_.join();
        throw;
    }
}

MapTextLoader::~MapTextLoader() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    if (thread_.joinable()) thread_.join();
    if (preparer_.joinable()) preparer_.join();
}

void MapTextLoader::Prepare() {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // The pages are made present and writable without their bytes being touched, so this may run beside the
    // reads into the same pages.
    constexpr std::uintptr_t kPage = 4096;
    constexpr std::size_t kStep = std::size_t{8} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(text_);
    const std::uintptr_t begin = (start + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t end = (start + static_cast<std::uintptr_t>(fileSize())) & ~(kPage - 1);
    for (std::uintptr_t at = begin; at < end; at += kStep) {
        {
            const std::lock_guard lock(mutex_);
            if (stop_ || failure_) return;
        }
        const std::size_t length = std::min<std::uintptr_t>(kStep, end - at);
        // Older systems refuse the request; the reads then fault the pages in themselves.
        if (madvise(reinterpret_cast<void*>(at), length, MADV_POPULATE_WRITE) != 0) return;
    }
#endif
}

void MapTextLoader::Load() {
    try {
        for (;;) {
            {
                const std::lock_guard lock(mutex_);
                if (stop_) return;
            }
            if (!builder_.ReadPart(source_)) break;
            const std::lock_guard lock(mutex_);
            ready_ = builder_.ready();
            changed_.notify_one();
        }
    } catch (...) {
        const std::lock_guard lock(mutex_);
        failure_ = std::current_exception();
        changed_.notify_one();
        return;
    }
    const std::lock_guard lock(mutex_);
    loaded_ = true;
    changed_.notify_one();
}

std::size_t MapTextLoader::Read(char* into, std::size_t max) {
    std::size_t ready = 0;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ready_ > given_ || loaded_ || failure_; });
        if (failure_) std::rethrow_exception(failure_);
        ready = ready_;
    }
    // The bytes before ready are final: the loading thread only writes behind them.
    const std::size_t n = std::min(max, ready - given_);
    std::memcpy(into, text_ + given_, n);
    given_ += n;
    return n;
}

std::string_view MapTextLoader::Borrow(std::size_t have) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return ready_ > have || loaded_ || failure_; });
    if (failure_) std::rethrow_exception(failure_);
    given_ = ready_;
    return {text_, ready_};
}

MapText MapTextLoader::Finish() {
    thread_.join();
    preparer_.join();
    return builder_.Finish();
}

}  // namespace stratex
