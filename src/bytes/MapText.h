#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/ByteSource.h"

namespace stratex {

// The open map: single-byte text held as one buffer in which every line is followed by "\n" (whatever
// line ends the file had), plus a sparse line index. Lines never include their line end.
//
// Loading applies the file rules: lines split at CR LF, LF or CR; a line end at the very end adds no empty
// line. Every other byte is kept, NUL bytes included (unlike the other text files, whose text ends at their
// first NUL): a map is never cut short.
class MapText {
public:
    MapText() = default;

    // Takes the file's bytes and normalises them in place (no second copy of the text).
    static MapText FromBytes(std::string bytes);
    // Reads a map file. Throws Error("Cannot open file <path>").
    static MapText FromFile(const std::filesystem::path& path);
    // Adopts a buffer that already holds lines each followed by "\n".
    static MapText FromNormalised(std::string buffer);

    // One index entry per this many lines.
    static constexpr std::uint64_t kIndexStep = 64;

    // What a MapText is made of, for a rewrite in place (Process): the buffer, the buffer offsets of lines
    // 0, kIndexStep, 2 * kIndexStep, ... and the number of lines.
    struct Parts {
        std::string buffer;
        std::vector<std::size_t> index;
        std::uint64_t lineCount = 0;
    };

private:
    // Normalises a buffer in place as its bytes come (see NormaliseAndIndex), counting and indexing lines.
    struct Normaliser {
        std::size_t read = 0;   // the next byte to normalise
        std::size_t write = 0;  // end of the normalised text
        bool afterCr = false;   // the last byte normalised was a CR: an LF right behind it goes with it
        std::uint64_t newlines = 0;
        std::vector<std::size_t> index;  // buffer offsets of lines 0, kIndexStep, ...

        // Normalises the bytes [read, end) of data.
        void Run(char* data, std::size_t end);
        // Ends the text in buffer (normalised up to its size): its last line gets its "\n".
        void Finish(std::string& buffer);
    };

public:
    // Builds a text from a file's bytes as they are read: each part is normalised and indexed as soon as it
    // has come, in place (as FromBytes does for the whole), so that the bytes before ready() are final while
    // later ones are still being read.
    class Builder {
    public:
        // A file is read in parts of this size: large enough for few calls, small enough that a reader of the
        // text starts on the first part at once.
        static constexpr std::size_t kPart = std::size_t{1} << 20;
        // The capacity for a file of fileSize bytes: the file, a part, and a sixteenth more, so that Process
        // can rewrite the map in place as it grows; room never written costs no memory.
        static std::size_t CapacityFor(std::uintmax_t fileSize);

        // capacity: room for every byte that will come (the buffer never moves).
        explicit Builder(std::size_t capacity);
        // Reads the next part of source into the text; false once source has ended. Throws what source throws.
        bool ReadPart(ByteSource& source);
        // How many more bytes fit.
        std::size_t RoomLeft() const { return buffer_.capacity() - raw_; }
        // Where the next n bytes go (n at most RoomLeft()).
        char* Room(std::size_t n);
        // Takes the n bytes just written at Room(), which must have made room for at least n.
        void Add(std::size_t n);
        // The start of the text, and how many of its bytes are final: normalised, and never moved again.
        const char* data() const { return buffer_.data(); }
        std::size_t ready() const { return normaliser_.write; }
        // The text, once every byte has come.
        MapText Finish();

    private:
        static constexpr std::uintptr_t kPage = 4096;
        // A read into memory fewer than this many bytes further into a page than its file offset is slow.
        static constexpr std::uintptr_t kNear = 32;

        std::string buffer_;
        std::size_t raw_ = 0;  // end of the bytes written, which start a little ahead of the text
        Normaliser normaliser_;
    };

    // Hands the parts over and leaves the text empty.
    Parts Release() noexcept;
    // Takes parts back, as Release gave them or as a rewrite rebuilt them; the index must fit the buffer.
    static MapText FromParts(Parts parts) noexcept;

    std::uint64_t LineCount() const { return lineCount_; }
    bool empty() const { return lineCount_ == 0; }

    // Line i (0-based) as a view into the buffer, valid until the MapText changes. Finds the line through
    // the sparse index: constant time for small steps, use Cursor to walk.
    std::string_view Line(std::uint64_t i) const;

    // The buffer: every line followed by "\n".
    const std::string& Buffer() const { return buffer_; }

    // The text as it is written to a file: every line followed by CR LF, the last one too.
    std::string ToCrLf() const;

    // Writes the text to path with CR LF after every line, atomically (see AtomicFile). Throws
    // Error("Cannot create file <path>"). written, where given, is told the bytes written so far (of
    // SavedSize()) after each write, from the thread that writes; what it throws ends the save with
    // nothing written.
    void Save(const std::filesystem::path& path, const std::function<void(std::uint64_t)>& written = {}) const;
    // The size of the file that Save writes.
    std::uint64_t SavedSize() const { return buffer_.size() + lineCount_; }

    // Walks the lines in order without the index.
    class Cursor {
    public:
        explicit Cursor(const MapText& text, std::uint64_t line = 0);
        bool AtEnd() const { return offset_ >= text_->buffer_.size(); }
        std::uint64_t index() const { return index_; }
        std::string_view Line() const;  // the current line; empty at the end
        void Next();

    private:
        const MapText* text_;
        std::size_t offset_ = 0;
        std::size_t end_ = 0;  // offset of the current line's "\n"
        std::uint64_t index_ = 0;
        void FindEnd();
    };

private:
    void BuildIndex();
    void NormaliseAndIndex();

    std::string buffer_;
    std::vector<std::size_t> index_;  // buffer offset of lines 0, 64, 128, ...
    std::uint64_t lineCount_ = 0;
};

}  // namespace stratex
