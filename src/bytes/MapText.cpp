#include "bytes/MapText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "bytes/AtomicFile.h"
#include "bytes/ByteScan.h"
#include "bytes/CrLfWriter.h"
#include "bytes/FileSource.h"
#include "bytes/LineList.h"

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

// Moves length bytes from in to out, which lies before it (the ranges may overlap): sixteen bytes at a time
// for the short lines of a map, where a library call costs more than the move.
void MoveBack(char* out, const char* in, std::size_t length) {
    if (length > 128) {
        std::memmove(out, in, length);
        return;
    }
    // Every block is read before a later store can reach it: the stores trail the reads. The last block,
    // which may overlap the one before it, is read before anything is stored.
#ifdef STRATEX_BYTESCAN_SSE2
    if (length >= 16) {
        const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + length - 16));
        for (std::size_t k = 0; length - k > 16; k += 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + length - 16), last);
        return;
    }
#endif
    if (length >= 8) {
        const bytescan::Word last = bytescan::Load(in + length - 8);
        for (std::size_t k = 0; length - k > 8; k += 8) bytescan::Store(out + k, bytescan::Load(in + k));
        bytescan::Store(out + length - 8, last);
        return;
    }
    if (length >= 4) {
        std::uint32_t first;
        std::uint32_t last;
        std::memcpy(&first, in, 4);
        std::memcpy(&last, in + length - 4, 4);
        std::memcpy(out, &first, 4);
        std::memcpy(out + length - 4, &last, 4);
        return;
    }
    for (std::size_t k = 0; k < length; ++k) out[k] = in[k];
}

}  // namespace

MapText MapText::FromBytes(std::string bytes) {
    MapText text;
    text.buffer_ = std::move(bytes);
    text.NormaliseAndIndex();
    return text;
}

MapText MapText::FromFile(const std::filesystem::path& path) {
    // Read and normalised part by part in one pass, as the window loads a map.
    FileSource source(path);
    Builder builder(Builder::CapacityFor(source.stamp().size));
    while (builder.ReadPart(source)) {
    }
    return builder.Finish();
}

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
    // Line k starts after the k-th "\n". Blocks are counted whole unless a line that the index keeps starts
    // inside them.
    std::uint64_t line = 0;
    std::size_t i = 0;
    const auto countByte = [&](std::size_t at) {
        if (data[at] != '\n') return;
        ++line;
        if (line % kIndexStep == 0 && at + 1 < size) index_.push_back(at + 1);
    };
    // The block of width bytes at i, holding count "\n" bytes.
    const auto countBlock = [&](std::size_t width, std::uint64_t count) {
        if (line % kIndexStep + count < kIndexStep) {
            line += count;
            return;
        }
        for (std::size_t at = i; at < i + width; ++at) countByte(at);
    };
#ifdef STRATEX_BYTESCAN_SSE2
    // Four blocks of sixteen at a time: a "\n" compares as -1, so the negated sum of the four comparisons
    // holds each byte position's count, and those are summed once per 64 bytes.
    const __m128i newline = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    for (; size - i >= 64; i += 64) {
        const auto block = [&](std::size_t at) {
            return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at)), newline);
        };
        const __m128i counts = _mm_sub_epi8(_mm_sub_epi8(zero, _mm_add_epi8(block(i), block(i + 16))),
                                            _mm_add_epi8(block(i + 32), block(i + 48)));
        const __m128i sums = _mm_sad_epu8(counts, zero);
        countBlock(64, static_cast<std::uint64_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4)));
    }
#else
    for (; size - i >= 8; i += 8) {
        countBlock(
            8, static_cast<std::uint64_t>(bytescan::CountFlagged(bytescan::MatchMask(bytescan::Load(data + i), '\n'))));
    }
#endif
    for (; i < size; ++i) countByte(i);
    lineCount_ = line;
}

void MapText::Normaliser::Run(char* data, std::size_t end) {
    // Every CR LF and every lone CR becomes "\n", the text is compacted towards its start (the write
    // position never passes the read position), and the lines are counted and indexed on the way. One
    // search finds each line end, CR or LF; the line before it moves as a whole. The positions live in
    // locals while the text is written: stores of text bytes could alias the members.
    std::size_t in = read;
    std::size_t out = write;
    std::uint64_t lines = newlines;
    if (index.empty() && in < end) index.push_back(0);
    if (afterCr && in < end) {
        if (data[in] == '\n') ++in;
        afterCr = false;
    }
    while (in < end) {
        const char* const at = bytescan::FindLineEnd(data + in, data + end);
        const std::size_t length = static_cast<std::size_t>(at - (data + in));
        if (out != in) MoveBack(data + out, data + in, length);
        out += length;
        in += length;
        if (in == end) break;
        const char ended = *at;
        data[out] = '\n';
        if (++lines % kIndexStep == 0) index.push_back(out + 1);
        ++out;
        ++in;
        if (ended == '\r') {
            if (in == end) {
                afterCr = true;
            } else if (data[in] == '\n') {
                ++in;
            }
        }
    }
    read = in;
    write = out;
    newlines = lines;
}

void MapText::Normaliser::Finish(std::string& buffer) {
    buffer.resize(write);
    if (!buffer.empty() && buffer.back() != '\n') {
        EndLastLine(buffer);
        ++newlines;
    }
    // An entry at the very end names no line.
    while (!index.empty() && index.back() >= buffer.size()) index.pop_back();
}

void MapText::NormaliseAndIndex() {
    Normaliser normaliser;
    normaliser.index.reserve(buffer_.size() / (kIndexStep * 32) + 1);
    normaliser.Run(buffer_.data(), buffer_.size());
    normaliser.Finish(buffer_);
    index_ = std::move(normaliser.index);
    lineCount_ = normaliser.newlines;
}

std::size_t MapText::Builder::CapacityFor(std::uintmax_t fileSize) {
    return static_cast<std::size_t>(fileSize + fileSize / 16) + kPart;
}

bool MapText::Builder::ReadPart(ByteSource& source) {
    const std::size_t want = std::min(kPart, RoomLeft());
    const std::size_t got = source.Read(Room(want), want);
    if (got == 0) return false;
    Add(got);
    return true;
}

MapText::Builder::Builder(std::size_t capacity) {
    buffer_.reserve(capacity + 2 * kNear);  // and room for the head start of the reads, below
    AdviseHugePages(buffer_);
    // On some processors the system copies a read several times more slowly when the memory it writes to
    // lies 1 to 31 bytes further into a page than the file offset read lies into its page. The start of a
    // large allocation lies 16 bytes into a page: there the bytes are read 64 bytes into a page instead, a
    // little ahead of their place, and the normaliser moves them back (as it moves every line after a CR LF
    // anyway). A move back by so few bytes copies at full speed; one by nearly a page would not.
    const std::uintptr_t into = reinterpret_cast<std::uintptr_t>(buffer_.data()) % kPage;
    raw_ = into > 0 && into < kNear ? 2 * kNear - into : 0;
    normaliser_.read = raw_;
    normaliser_.index.reserve(capacity / (kIndexStep * 32) + 1);
}

char* MapText::Builder::Room(std::size_t n) {
    buffer_.resize(raw_ + n);
    return buffer_.data() + raw_;
}

void MapText::Builder::Add(std::size_t n) {
    raw_ += n;
    normaliser_.Run(buffer_.data(), raw_);
}

MapText MapText::Builder::Finish() {
    normaliser_.Finish(buffer_);
    MapText text;
    text.buffer_ = std::move(buffer_);
    text.index_ = std::move(normaliser_.index);
    text.lineCount_ = normaliser_.newlines;
    return text;
}

std::string_view MapText::Line(std::uint64_t i) const {
    if (i >= lineCount_) return {};
    std::size_t offset = index_[static_cast<std::size_t>(i / kIndexStep)];
    for (std::uint64_t step = i % kIndexStep; step > 0; --step) offset = LineEnd(buffer_, offset) + 1;
    return std::string_view(buffer_).substr(offset, LineEnd(buffer_, offset) - offset);
}

std::string MapText::ToCrLf() const {
    StringSink sink;
    sink.bytes.reserve(buffer_.size() + static_cast<std::size_t>(lineCount_));
    CrLfWriter writer(sink);
    // Every line ends with "\n" and holds no CR, so each line end becomes CR LF and nothing else changes.
    writer.Input(buffer_, false);
    writer.Flush();
    return std::move(sink.bytes);
}

void MapText::Save(const std::filesystem::path& path, const std::function<void(std::uint64_t)>& written) const {
    // The text goes out through the writer's staging buffers in large writes, so that saving never needs a
    // second copy of the whole map; a second thread writes each full buffer while the next one is filled.
    class FileSink : public ByteSink {
    public:
        FileSink(AtomicFile& file, const std::function<void(std::uint64_t)>& written)
            : file_(file), written_(written) {}
        void Write(std::string_view bytes) override {
            file_.Write(bytes);
            done_ += bytes.size();
            if (written_) written_(done_);
        }

    private:
        AtomicFile& file_;
        const std::function<void(std::uint64_t)>& written_;
        std::uint64_t done_ = 0;
    };
    AtomicFile file(path);
    FileSink sink(file, written);
    {
        CrLfWriter writer(sink, CrLfWriter::kDefaultStaging, true);
        writer.Input(buffer_, false);  // as in ToCrLf
        writer.Flush();
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
