#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "bytes/ByteScan.h"
#include "bytes/ByteSource.h"

namespace stratex {

// How a line ended in the input.
enum class LineEnd : std::uint8_t { kNone, kLf, kCr, kCrLf };

// Reads lines from a ByteSource through a bounded buffer, by the file rules: lines split at CR LF, LF or
// CR; a line end at the very end adds no empty line. Every byte is kept, NUL bytes included.
//
// Next hands out the lines that the buffer holds whole; when it has none left, Fill reads more: it moves
// the bytes still needed (from a file offset that the caller names) to the front of the buffer and reads
// behind them. The buffer grows only when those bytes leave too little room, that is when one line, or the
// stretch that the caller keeps, is longer than the buffer. A CR LF split between two reads is one line end.
//
// A Borrowable source is read where its bytes stand: nothing is copied or moved, and views stay valid as long
// as the source lives.
//
// "source" must outlive the reader. Views that Next returns stay valid until the next Fill.
class LineReader {
public:
    static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

    struct Line {
        std::string_view text;  // without its line end
        LineEnd end = LineEnd::kNone;
        std::uint64_t offset = 0;  // input offset of the first byte
    };

    explicit LineReader(ByteSource& source, std::size_t capacity = kDefaultCapacity);

    // The next whole line in the buffer. False when there is none: call Fill, unless Ended().
    bool Next(Line& line) {
        if (pos_ == end_) return false;
        const char* data = text_;
        const char* p = data + pos_;
        const char* const stop = data + end_;
        if constexpr (bytescan::kSixteenAtATime) {
            const char* at = bytescan::FindLineEnd(p, stop);
            if (at != stop) return Take(at, line);
        } else if (const char* at = bytescan::FindLineEndInWords(p, stop, kShortWords)) {
            // Most map lines are short: their end turns up within a few words.
            return Take(at, line);
        }
        return NextLong(p, line);
    }

    // Lines taken at once by TakePlain.
    struct Run {
        std::uint64_t lines = 0;
        bool crLf = true;  // every line taken ends with CR LF
        Line last;         // the last line taken
    };

    // Takes, like Next, the lines that follow in the buffer for as long as each ends before the input offset
    // limit and its first byte is not flagged in notPlain, adding them to run. Stops at the first other line,
    // which Next gives then.
    void TakePlain(const std::array<bool, 256>& notPlain, std::uint64_t limit, Run& run);

    // Receives, from TakePlain, the lines that begin with a byte its watch table flags.
    class Watcher {
    public:
        virtual ~Watcher() = default;
        virtual void Watched(std::string_view line) = 0;
    };
    // TakePlain that hands watcher every line taken whose first byte watch flags.
    void TakePlain(const std::array<bool, 256>& notPlain, std::uint64_t limit, Run& run,
                   const std::array<bool, 256>& watch, Watcher& watcher);

    // Reads more input. The bytes from input offset keep on (keep must not lie past the next line that
    // Next would give) stay in the buffer; earlier ones are dropped. Returns false once the input has
    // ended and every line has been taken. Throws what the source throws.
    bool Fill(std::uint64_t keep);

    // Fill that keeps nothing already taken.
    bool Fill() { return Fill(NextOffset()); }

    // True once the source has ended and every line has been taken.
    bool Ended() const { return ended_ && pos_ == end_; }

    // Input offset of the next line that Next would give.
    std::uint64_t NextOffset() const { return base_ + pos_; }

    // The buffered bytes [from, to) by input offset: from at or after the keep offset of the last Fill, to
    // not past the buffered input.
    std::string_view Bytes(std::uint64_t from, std::uint64_t to) const {
        return {text_ + (from - base_), static_cast<std::size_t>(to - from)};
    }

    // Input offset just past the buffered input.
    std::uint64_t BufferedEnd() const { return base_ + end_; }

    // Finds one byte in the lines read, searching the buffer ahead in long stretches, so that where few
    // lines hold the byte few searches are made.
    class Finder {
    public:
        explicit Finder(char c) : c_(c) {}
        // Offset of the first c in line (just read from reader), or npos.
        std::size_t In(const LineReader& reader, const Line& line) {
            const std::uint64_t end = line.offset + line.text.size();
            if (at_ < line.offset) {
                at_ = line.offset;
                found_ = false;
            }
            if (!found_ && at_ < end) {
                // Nothing in [line.offset, at_) is c: search on from at_ to the end of the buffer.
                const std::string_view ahead = reader.Bytes(at_, reader.BufferedEnd());
                const char* hit = bytescan::Find(ahead.data(), ahead.data() + ahead.size(), c_);
                at_ += static_cast<std::uint64_t>(hit - ahead.data());
                found_ = hit != ahead.data() + ahead.size();
            }
            return found_ && at_ < end ? static_cast<std::size_t>(at_ - line.offset) : std::string_view::npos;
        }

        // After In found no c in a line: the input offset before which no c stands behind that line.
        std::uint64_t ClearUpTo() const { return at_; }

    private:
        char c_;
        std::uint64_t at_ = 0;  // the c found, or the end of the stretch searched without one
        bool found_ = false;
    };

    std::size_t capacity() const { return capacity_; }

private:
    static constexpr int kShortWords = 8;

    // TakePlain, handing watched lines to watcher where kWatched.
    template <bool kWatched>
    void TakeRun(const std::array<bool, 256>& notPlain, std::uint64_t limit, Run& run,
                 const std::array<bool, 256>* watch, Watcher* watcher);

    // Takes the line that ends at the CR or LF at p; false when it may go on in bytes not yet read.
    bool Take(const char* p, Line& line) {
        const char* data = text_;
        const std::size_t at = static_cast<std::size_t>(p - data);
        std::size_t next = at + 1;
        LineEnd end = LineEnd::kLf;
        if (*p == '\r') {
            // A CR as the last byte read may be the first half of a CR LF.
            if (next == end_ && !ended_) return false;
            end = LineEnd::kCr;
            if (next < end_ && data[next] == '\n') {
                end = LineEnd::kCrLf;
                ++next;
            }
        }
        line.text = std::string_view(data + pos_, at - pos_);
        line.end = end;
        line.offset = base_ + pos_;
        pos_ = next;
        return true;
    }

    bool NextLong(const char* from, Line& line);
    // The first c at or after the buffer offset "from", or end_; remembered in *cache between calls.
    std::size_t FindFrom(std::size_t from, std::size_t& cache, char c);

    ByteSource& source_;
    std::unique_ptr<char[]> data_;  // the reader's own buffer, unless the source is borrowed
    const char* text_;              // the bytes: data_, or the source's block
    bool borrowed_;
    std::size_t capacity_;
    std::size_t pos_ = 0;     // buffer offset of the next line
    std::size_t end_ = 0;     // bytes in the buffer
    std::uint64_t base_ = 0;  // input offset of the buffer's first byte
    bool ended_ = false;
    // For long lines: buffer offsets before which, from the current line on, no LF (CR) stands; when below
    // end_ and holding that byte, the next one.
    std::size_t nextLf_ = 0;
    std::size_t nextCr_ = 0;
};

}  // namespace stratex
