#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "bytes/ByteSource.h"
#include "bytes/FileSource.h"
#include "passes/Parallel.h"

namespace stratex {

// An input that a pass can read at any stretch, so that parts of it can be walked side by side: a map file,
// or the map in memory.
class PartInput {
public:
    virtual ~PartInput() = default;
    virtual std::uint64_t size() const = 0;
    // The bytes [from, to) as a source of their own. Throws Error where they cannot be read.
    virtual std::unique_ptr<ByteSource> Open(std::uint64_t from, std::uint64_t to) const = 0;
};

// A map file as it was when stamp was taken: a file that changes meanwhile fails the read.
class FileParts : public PartInput {
public:
    FileParts(std::filesystem::path path, const FileSource::Stamp& stamp) : path_(std::move(path)), stamp_(stamp) {}
    std::uint64_t size() const override { return stamp_.size; }
    std::unique_ptr<ByteSource> Open(std::uint64_t from, std::uint64_t to) const override {
        return std::make_unique<FileSource>(path_, stamp_, from, to);
    }

private:
    std::filesystem::path path_;
    FileSource::Stamp stamp_;
};

// Text in memory, read where it stands. "text" must outlive it.
class TextParts : public PartInput {
public:
    explicit TextParts(std::string_view text) : text_(text) {}
    std::uint64_t size() const override { return text_.size(); }
    std::unique_ptr<ByteSource> Open(std::uint64_t from, std::uint64_t to) const override {
        return std::make_unique<TextSource>(text_.substr(from, to - from));
    }

private:
    std::string_view text_;
};

// A part of the input: the bytes [start, end), from a line that opens an object section (or the start of the
// map) to the next part's start (or the end of the map).
struct Part {
    std::uint64_t index = 0;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    bool first = false;    // it starts at the start of the map, header part and all
    bool tooLong = false;  // its end lies too far behind where it should: the part is not walked
};

// Part k of input for parts of about size bytes: from the cut at or after k * size (the start of the map for
// the first part) to the cut at or after (k + 1) * size (or the end of the map). A cut (mapsyntax::
// FindSectionCut) is looked for within limit bytes; where none is there, the part is tooLong. A part that
// would start at or past the end of the map is none (start == end == the input's size, and k > 0).
Part PartAt(const PartInput& input, std::uint64_t k, std::uint64_t size, std::uint64_t limit);

// Walks the parts of an input side by side on threads of their own and hands their results back in map
// order. Part k is walked in the room of part k - window once that is released, so that memory grows with
// the part size, not with the map; a caller that holds a part must not wait for one `window` parts later. walk(part,
// result) must catch what it throws into result; a failure to find a part's cuts (the input unreadable) is passed to it
// as failure.
template <typename Result>
class PartWalkers {
public:
    using Walk = std::function<void(const Part&, std::exception_ptr failure, Result&)>;

    // Throws std::system_error when no thread can be started (StartPassThread).
    PartWalkers(const PartInput& input, std::uint64_t size, std::uint64_t limit, std::size_t threads,
                std::size_t window, Walk walk)
        : input_(input), size_(size), limit_(limit), walk_(std::move(walk)), slots_(window) {
        try {
            for (std::size_t k = 0; k < threads; ++k) threads_.push_back(StartPassThread([this] { Run(); }));
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~PartWalkers() { Stop(); }

    PartWalkers(const PartWalkers&) = delete;
    PartWalkers& operator=(const PartWalkers&) = delete;

    std::size_t window() const { return slots_.size(); }

    // Part k and its result, once walked; nullptr where the map has fewer parts. Parts are taken in order,
    // each once; what is taken stays valid until it is released.
    Result* Take(std::uint64_t k, Part& part) {
        std::unique_lock lock(mutex_);
        Slot& slot = slots_[k % slots_.size()];
        done_.wait(lock, [&] { return k >= parts_ || (slot.state == kWalked && slot.part.index == k); });
        if (k >= parts_) return nullptr;
        part = slot.part;
        return &slot.result;
    }

    // Gives the room of part k, taken, to the part window parts later.
    void Release(std::uint64_t k) {
        {
            const std::lock_guard lock(mutex_);
            slots_[k % slots_.size()].state = kFree;
        }
        work_.notify_all();
    }

    // Lets each thread finish the part it walks and ends them.
    void Stop() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        work_.notify_all();
        for (std::thread& thread : threads_) thread.join();
        threads_.clear();
    }

private:
    enum State { kFree, kWalking, kWalked };
    struct Slot {
        Part part;
        Result result;
        State state = kFree;
    };

    void Run() {
        for (;;) {
            std::uint64_t k = 0;
            {
                std::unique_lock lock(mutex_);
                work_.wait(lock,
                           [&] { return stop_ || (next_ < parts_ && slots_[next_ % slots_.size()].state == kFree); });
                if (stop_) return;
                k = next_++;
                slots_[k % slots_.size()].state = kWalking;
            }
            Part part;
            std::exception_ptr failure;
            try {
                part = PartAt(input_, k, size_, limit_);
            } catch (...) {
                part.index = k;
                failure = std::current_exception();
            }
            const bool beyond = k > 0 && !failure && part.start >= input_.size();
            Slot& slot = slots_[k % slots_.size()];
            if (!beyond) {
                slot.part = part;
                if (!part.tooLong) walk_(part, failure, slot.result);
            }
            {
                const std::lock_guard lock(mutex_);
                if (beyond) {
                    if (k < parts_) parts_ = k;
                    slot.state = kFree;
                } else {
                    slot.state = kWalked;
                }
            }
            done_.notify_all();
        }
    }

    const PartInput& input_;
    std::uint64_t size_;
    std::uint64_t limit_;
    Walk walk_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::uint64_t next_ = 0;                                           // the next part to walk
    std::uint64_t parts_ = std::numeric_limits<std::uint64_t>::max();  // how many parts the map has, once known
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace stratex
