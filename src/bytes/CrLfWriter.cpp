#include "bytes/CrLfWriter.h"

#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "bytes/ByteScan.h"

namespace stratex {

namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

// The thread that writes full staging buffers, one at a time, and the second buffer, which the writer
// fills meanwhile.
class CrLfWriter::Background {
public:
    Background(ByteSink& sink, std::size_t capacity)
        : sink_(sink), job_(std::make_unique_for_overwrite<char[]>(capacity)), thread_([this] { Run(); }) {}

    ~Background() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // Takes size bytes of staging to write, and gives back the buffer written before (once it has been) to
    // fill. Throws what an earlier write threw.
    void Hand(std::unique_ptr<char[]>& staging, std::size_t size) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !busy_; });
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
        std::swap(staging, job_);
        jobSize_ = size;
        busy_ = true;
        changed_.notify_all();
    }

    // Waits until everything handed over is written. Throws what a write threw.
    void Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !busy_; });
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    }

private:
    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return busy_ || stop_; });
            if (!busy_) return;
            lock.unlock();
            std::exception_ptr failure;
            try {
                sink_.Write(std::string_view(job_.get(), jobSize_));
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            if (failure && !failure_) failure_ = failure;
            busy_ = false;
            changed_.notify_all();
        }
    }

    ByteSink& sink_;
    std::unique_ptr<char[]> job_;  // being written while busy_, else free
    std::size_t jobSize_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool busy_ = false;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::thread thread_;  // last: it starts once everything above is in place
};

CrLfWriter::CrLfWriter(ByteSink& sink, std::size_t staging, bool background)
    : sink_(sink),
      staging_(std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(staging, 2))),
      capacity_(std::max<std::size_t>(staging, 2)) {
    if (background) background_ = std::make_unique<Background>(sink_, capacity_);
}

CrLfWriter::~CrLfWriter() = default;

void CrLfWriter::Input(std::string_view bytes, bool crLfOnly) {
    if (!crLfOnly) {
        Expand(bytes);
    } else if (!background_ && bytes.size() >= capacity_ / 2) {
        // Staging a run this long would only copy it.
        Flush();
        sink_.Write(bytes);
    } else {
        Stage(bytes);
    }
}

void CrLfWriter::Line(std::string_view line) {
    Stage(line);
    Stage(kCrLf);
}

void CrLfWriter::Flush() {
    Send();
    if (background_) background_->Wait();
}

void CrLfWriter::Send() {
    if (size_ == 0) return;
    if (background_) {
        background_->Hand(staging_, size_);
    } else {
        sink_.Write(std::string_view(staging_.get(), size_));
    }
    size_ = 0;
}

void CrLfWriter::Stage(std::string_view bytes) {
    while (!bytes.empty()) {
        if (size_ == capacity_) Send();
        const std::size_t n = std::min(bytes.size(), capacity_ - size_);
        std::memcpy(staging_.get() + size_, bytes.data(), n);
        size_ += n;
        bytes.remove_prefix(n);
    }
}

void CrLfWriter::Expand(std::string_view bytes) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
#ifdef STRATEX_BYTESCAN_SSE2
    // Sixteen bytes at a time go into the staging buffer as they stand; where they hold a line end, the
    // bytes up to it are kept and CR LF follows. The last bytes (at least one) take the loop below, which
    // also ends a last line that has no line end.
    constexpr std::size_t kBlock = 16;
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    while (end - p > static_cast<std::ptrdiff_t>(kBlock)) {
        if (capacity_ - size_ < kBlock + 2) {
            Send();
            if (capacity_ < kBlock + 2) break;
        }
        char* out = staging_.get() + size_;
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr)));
        if (mask == 0) {
            p += kBlock;
            size_ += kBlock;
            continue;
        }
        const auto at = static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
        out[at] = '\r';
        out[at + 1] = '\n';
        size_ += at + 2;
        p += at;
        if (*p++ == '\r' && p < end && *p == '\n') ++p;
    }
#endif
    while (p < end) {
        const char* at = bytescan::FindLineEnd(p, end);
        // A short line goes straight into the staging buffer; only lines that do not fit take the long way.
        const auto length = static_cast<std::size_t>(at - p);
        if (length + 2 <= capacity_ - size_) {
            std::memcpy(staging_.get() + size_, p, length);
            staging_[size_ + length] = '\r';
            staging_[size_ + length + 1] = '\n';
            size_ += length + 2;
        } else {
            Stage(std::string_view(p, length));
            Stage(kCrLf);
        }
        p = at;
        if (p < end && *p++ == '\r' && p < end && *p == '\n') ++p;
    }
}

}  // namespace stratex
