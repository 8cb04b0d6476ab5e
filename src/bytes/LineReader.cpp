#include "bytes/LineReader.h"

#include <algorithm>
#include <cstring>

namespace stratex {

LineReader::LineReader(ByteSource& source, std::size_t capacity)
    : source_(source), borrowed_(source.Borrowable()), capacity_(std::max<std::size_t>(capacity, 1)) {
    if (!borrowed_) data_ = std::make_unique_for_overwrite<char[]>(capacity_);
    text_ = data_.get();
}

std::size_t LineReader::FindFrom(std::size_t from, std::size_t& cache, char c) {
    // Nothing in [from, cache) is c, so a search resumes at cache; new bytes behind an earlier end of the
    // buffer are searched once.
    cache = std::max(cache, from);
    if (cache < end_ && text_[cache] != c) {
        const void* found = std::memchr(text_ + cache, c, end_ - cache);
        cache = found ? static_cast<std::size_t>(static_cast<const char*>(found) - text_) : end_;
    }
    return cache;
}

bool LineReader::NextLong(const char* from, Line& line) {
    const std::size_t start = static_cast<std::size_t>(from - text_);
    // Both searches are remembered: in a text with only CRs (or only LFs) the other byte never turns up,
    // and searching for it afresh at every line would read the rest of the buffer each time.
    const std::size_t lf = FindFrom(start, nextLf_, '\n');
    const std::size_t cr = FindFrom(start, nextCr_, '\r');
    const std::size_t at = std::min(lf, cr);
    if (at < end_) return Take(text_ + at, line);
    if (!ended_ || pos_ == end_) return false;
    // The last line of the input has no line end.
    line.text = std::string_view(text_ + pos_, end_ - pos_);
    line.end = LineEnd::kNone;
    line.offset = base_ + pos_;
    pos_ = end_;
    return true;
}

void LineReader::TakePlain(const std::array<bool, 256>& notPlain, std::uint64_t limit, Run& run) {
    TakeRun<false>(notPlain, limit, run, nullptr, nullptr);
}

void LineReader::TakePlain(const std::array<bool, 256>& notPlain, std::uint64_t limit, Run& run,
                           const std::array<bool, 256>& watch, Watcher& watcher) {
    TakeRun<true>(notPlain, limit, run, &watch, &watcher);
}

template <bool kWatched>
void LineReader::TakeRun(const std::array<bool, 256>& notPlain, std::uint64_t limit, Run& run,
                         const std::array<bool, 256>* watch, Watcher* watcher) {
    if (limit <= base_ + pos_) return;
    const char* const data = text_;
    const char* const stop = data + (limit < base_ + end_ ? static_cast<std::size_t>(limit - base_) : end_);
    const char* p = data + pos_;
    // Only the line end is looked for: the caller vouches that no byte before limit needs a closer look.
    while (p < stop && !notPlain[static_cast<unsigned char>(*p)]) {
        const char* at = bytescan::FindLineEnd(p, stop);
        if (at == stop) break;
        const char* next = at + 1;
        bool crLf = false;
        if (*at == '\r') {
            if (next == data + end_ && !ended_) break;  // maybe the first half of a CR LF
            if (next < data + end_ && *next == '\n') {
                crLf = true;
                ++next;
            }
        }
        run.last.text = std::string_view(p, static_cast<std::size_t>(at - p));
        if constexpr (kWatched) {
            if ((*watch)[static_cast<unsigned char>(*p)]) watcher->Watched(run.last.text);
        }
        run.last.end = crLf ? LineEnd::kCrLf : *at == '\r' ? LineEnd::kCr : LineEnd::kLf;
        run.last.offset = base_ + static_cast<std::uint64_t>(p - data);
        run.crLf = run.crLf && crLf;
        ++run.lines;
        p = next;
    }
    pos_ = static_cast<std::size_t>(p - data);
}

bool LineReader::Fill(std::uint64_t keep) {
    if (ended_) return pos_ < end_;
    if (borrowed_) {
        // Nothing is dropped or moved: the block only grows.
        const std::string_view block = source_.Borrow(end_);
        if (block.size() == end_) ended_ = true;
        text_ = block.data();
        end_ = block.size();
        return pos_ < end_ || !ended_;
    }
    const auto drop = static_cast<std::size_t>(keep - base_);
    if (drop > 0) {
        std::memmove(data_.get(), data_.get() + drop, end_ - drop);
        end_ -= drop;
        pos_ -= drop;
        base_ = keep;
        nextLf_ = nextLf_ > drop ? nextLf_ - drop : 0;
        nextCr_ = nextCr_ > drop ? nextCr_ - drop : 0;
    }
    // Reads of less than a quarter of the buffer would make many small reads: grow instead.
    if (capacity_ - end_ == 0 || capacity_ - end_ < capacity_ / 4) {
        const std::size_t grown = capacity_ * 2;
        auto data = std::make_unique_for_overwrite<char[]>(grown);
        std::memcpy(data.get(), data_.get(), end_);
        data_ = std::move(data);
        text_ = data_.get();
        capacity_ = grown;
    }
    const std::size_t got = source_.Read(data_.get() + end_, capacity_ - end_);
    end_ += got;
    if (got == 0) ended_ = true;
    return pos_ < end_ || !ended_;
}

}  // namespace stratex
