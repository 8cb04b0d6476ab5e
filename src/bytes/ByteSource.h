#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace stratex {

// Where a streaming pass reads its bytes from: a map file, or text in memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to max bytes into into and returns how many; 0 means the input has ended, and every later
    // call returns 0 as well. Throws Error when the input cannot be read.
    virtual std::size_t Read(char* into, std::size_t max) = 0;

    // True for a source whose bytes already stand in memory, in one block that only grows at its end (a map
    // being loaded): a reader may then look at them where they stand (Borrow) instead of copying them. A
    // reader uses either Read or Borrow, never both.
    virtual bool Borrowable() const { return false; }
    // Only where Borrowable: waits until the block holds more than have bytes, or the input has ended, and
    // returns the whole block, which stays valid and unchanged as long as the source lives. Throws as Read.
    virtual std::string_view Borrow(std::size_t /*have*/) { return {}; }
};

// Bytes in memory as a ByteSource: read where they stand (Borrow), or copied (Read). "bytes" must outlive it.
class TextSource : public ByteSource {
public:
    explicit TextSource(std::string_view bytes) : bytes_(bytes), unread_(bytes) {}
    std::size_t Read(char* into, std::size_t max) override {
        const std::size_t n = max < unread_.size() ? max : unread_.size();
        if (n > 0) std::memcpy(into, unread_.data(), n);
        unread_.remove_prefix(n);
        return n;
    }
    bool Borrowable() const override { return true; }
    std::string_view Borrow(std::size_t) override { return bytes_; }

private:
    std::string_view bytes_;
    std::string_view unread_;
};

// Where a streaming pass writes its bytes to.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes all of bytes. Throws Error when they cannot be written.
    virtual void Write(std::string_view bytes) = 0;
};

// Takes bytes and keeps none: a pass run for what it finds, not for what it writes (a dry run).
class NullSink : public ByteSink {
public:
    void Write(std::string_view) override {}
};

// A ByteSink that keeps what is written, in memory.
struct StringSink : ByteSink {
    std::string bytes;
    void Write(std::string_view data) override { bytes += data; }
};

}  // namespace stratex
