#include "map/MapText.h"

#include <cstring>
#include <utility>

#include "map/ByteScan.h"
#include "text/AtomicFile.h"
#include "text/LineList.h"

namespace stratex {

namespace {

// Offset of the "\n" that ends the line starting at offset, or size when none follows.
std::size_t LineEnd(const std::string& buffer, std::size_t offset) {
    if (offset >= buffer.size()) return buffer.size();
    const char* data = buffer.data();
    return static_cast<std::size_t>(bytescan::Find(data + offset, data + buffer.size(), '\n') - data);
}

// Appends the final "\n" to a text whose last line has none. When the buffer is full, a string would grow
// to twice its size; a buffer of the exact size keeps a large map from holding double its memory.
void EndLastLine(std::string& bytes) {
    if (bytes.empty() || bytes.back() == '\n') return;
    if (bytes.capacity() > bytes.size()) {
        bytes.push_back('\n');
        return;
    }
    std::string grown;
    grown.reserve(bytes.size() + 1);
    grown.append(bytes);
    grown.push_back('\n');
    bytes = std::move(grown);
}

// Copies text from in to out with CR LF in place of every "\n", as far as both allow. Advances in and
// returns the new end of the output. A line that does not fit with its line end goes out in part.
char* ExpandLineEnds(const char*& in, const char* inEnd, char* out, const char* outEnd) {
    while (in < inEnd) {
        const char* found = bytescan::Find(in, inEnd, '\n');
        const char* nl = found < inEnd ? found : nullptr;
        const std::size_t length = static_cast<std::size_t>(found - in);
        const std::size_t room = static_cast<std::size_t>(outEnd - out);
        if (length + (nl ? 2 : 0) > room) {
            const std::size_t part = length < room ? length : room;
            std::memcpy(out, in, part);
            in += part;
            return out + part;
        }
        std::memcpy(out, in, length);
        out += length;
        in += length;
        if (nl) {
            out[0] = '\r';
            out[1] = '\n';
            out += 2;
            ++in;
        }
    }
    return out;
}

}  // namespace

MapText MapText::FromBytes(std::string bytes) {
    MapText text;
    text.buffer_ = std::move(bytes);
    text.NormaliseAndIndex();
    return text;
}

MapText MapText::FromFile(const std::filesystem::path& path) { return FromBytes(ReadFileBytes(path)); }

MapText MapText::FromNormalised(std::string buffer) {
    MapText text;
    text.buffer_ = std::move(buffer);
    EndLastLine(text.buffer_);
    text.BuildIndex();
    return text;
}

MapText::Parts MapText::Release() noexcept {
    Parts parts{std::move(buffer_), std::move(index_), lineCount_};
    *this = MapText();
    return parts;
}

MapText MapText::FromParts(Parts parts) noexcept {
    MapText text;
    text.buffer_ = std::move(parts.buffer);
    text.index_ = std::move(parts.index);
    text.lineCount_ = parts.lineCount;
    return text;
}

void MapText::BuildIndex() {
    index_.clear();
    lineCount_ = 0;
    const char* data = buffer_.data();
    const std::size_t size = buffer_.size();
    if (size == 0) return;
    index_.reserve(size / (kIndexStep * 32) + 1);
    index_.push_back(0);
    // Line k starts after the k-th "\n". Words are counted whole unless a line that the index keeps
    // starts inside them.
    std::uint64_t newlines = 0;
    std::size_t i = 0;
    const auto countByte = [&](std::size_t at) {
        if (data[at] != '\n') return;
        ++newlines;
        if (newlines % kIndexStep == 0 && at + 1 < size) index_.push_back(at + 1);
    };
    for (; size - i >= 8; i += 8) {
        const int count = bytescan::CountFlagged(bytescan::MatchMask(bytescan::Load(data + i), '\n'));
        if (count == 0) continue;
        if (newlines % kIndexStep + static_cast<std::uint64_t>(count) < kIndexStep) {
            newlines += static_cast<std::uint64_t>(count);
        } else {
            for (std::size_t at = i; at < i + 8; ++at) countByte(at);
        }
    }
    for (; i < size; ++i) countByte(i);
    lineCount_ = newlines;
}

void MapText::NormaliseAndIndex() {
    // One pass does what loading needs: every CR LF and every lone CR becomes "\n", the text
    // is compacted towards its start (the write position never passes the read position), and the lines
    // are counted and indexed on the way. The runs between CRs move whole; CRs are found with
    // bytescan::Find (memchr past the first few words), line ends are counted a word at a time.
    index_.clear();
    lineCount_ = 0;
    char* data = buffer_.data();
    const std::size_t size = buffer_.size();
    if (size == 0) return;
    index_.reserve(size / (kIndexStep * 32) + 1);
    index_.push_back(0);
    std::uint64_t newlines = 0;
    // A "\n" now stands at offset at of the result.
    const auto lineEnd = [&](std::size_t at) {
        if (++newlines % kIndexStep == 0) index_.push_back(at + 1);
    };
    // The line ends among the bytes [from, to) of the result. A short run (one line of a CR LF text) is
    // searched; in a long one (an LF text) whole words are counted without a branch per line, and only a
    // word in which a line that the index keeps starts is looked at byte by byte.
    const auto lineEndsIn = [&](std::size_t from, std::size_t to) {
        if (to - from < 256) {
            const char* const end = data + to;
            for (const char* p = bytescan::Find(data + from, end, '\n'); p < end; p = bytescan::Find(p + 1, end, '\n')) {
                lineEnd(static_cast<std::size_t>(p - data));
            }
            return;
        }
        for (; to - from >= 8; from += 8) {
            const bytescan::Word lfs = bytescan::MatchMask(bytescan::Load(data + from), '\n');
            const auto count = static_cast<std::uint64_t>(bytescan::CountFlagged(lfs));
            if (newlines % kIndexStep + count < kIndexStep) {
                newlines += count;
            } else {
                for (std::size_t at = from; at < from + 8; ++at) {
                    if (data[at] == '\n') lineEnd(at);
                }
            }
        }
        for (; from < to; ++from) {
            if (data[from] == '\n') lineEnd(from);
        }
    };

    std::size_t read = 0;
    std::size_t write = 0;
    while (read < size) {
        const std::size_t cr = static_cast<std::size_t>(bytescan::Find(data + read, data + size, '\r') - data);
        // The run up to the CR keeps its bytes; its own line ends are LFs.
        const std::size_t length = cr - read;
        if (write != read) std::memmove(data + write, data + read, length);
        lineEndsIn(write, write + length);
        write += length;
        if (cr == size) break;
        data[write] = '\n';
        lineEnd(write++);
        read = cr + 1;
        if (read < size && data[read] == '\n') ++read;
    }
    buffer_.resize(write);
    if (buffer_.back() != '\n') {
        EndLastLine(buffer_);
        ++newlines;
    }
    // An entry at the very end names no line.
    while (index_.back() >= buffer_.size()) index_.pop_back();
    lineCount_ = newlines;
}

std::string_view MapText::Line(std::uint64_t i) const {
    if (i >= lineCount_) return {};
    std::size_t offset = index_[static_cast<std::size_t>(i / kIndexStep)];
    for (std::uint64_t step = i % kIndexStep; step > 0; --step) offset = LineEnd(buffer_, offset) + 1;
    return std::string_view(buffer_).substr(offset, LineEnd(buffer_, offset) - offset);
}

std::string MapText::ToCrLf() const {
    std::string out(buffer_.size() + static_cast<std::size_t>(lineCount_), '\0');
    const char* in = buffer_.data();
    ExpandLineEnds(in, in + buffer_.size(), out.data(), out.data() + out.size());
    return out;
}

void MapText::Save(const std::filesystem::path& path) const {
    // The text goes out through a staging buffer in large writes, so that saving never needs a second copy
    // of the whole map.
    constexpr std::size_t kStaging = std::size_t{1} << 20;
    AtomicFile file(path);
    std::string staging(kStaging, '\0');
    const char* in = buffer_.data();
    const char* end = in + buffer_.size();
    while (in < end) {
        const char* out = ExpandLineEnds(in, end, staging.data(), staging.data() + staging.size());
        file.Write(std::string_view(staging.data(), static_cast<std::size_t>(out - staging.data())));
    }
    file.Commit();
}

MapText::Cursor::Cursor(const MapText& text, std::uint64_t line) : text_(&text), index_(line) {
    if (line >= text.lineCount_) {
        offset_ = text.buffer_.size();
        end_ = offset_;
        return;
    }
    offset_ = text.index_[static_cast<std::size_t>(line / kIndexStep)];
    for (std::uint64_t step = line % kIndexStep; step > 0; --step) offset_ = LineEnd(text.buffer_, offset_) + 1;
    FindEnd();
}

std::string_view MapText::Cursor::Line() const {
    if (AtEnd()) return {};
    return std::string_view(text_->buffer_).substr(offset_, end_ - offset_);
}

void MapText::Cursor::Next() {
    if (AtEnd()) return;
    offset_ = end_ + 1;
    ++index_;
    FindEnd();
}

void MapText::Cursor::FindEnd() { end_ = LineEnd(text_->buffer_, offset_); }

}  // namespace stratex
