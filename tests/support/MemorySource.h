#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

#include "bytes/ByteSource.h"

namespace stratex {

// Bytes in memory as a ByteSource, handed out at most chunk bytes per Read. "bytes" must outlive it.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes, std::size_t chunk = static_cast<std::size_t>(-1))
        : bytes_(bytes), chunk_(chunk == 0 ? 1 : chunk) {}

    std::size_t Read(char* into, std::size_t max) override {
        const std::size_t n = std::min({max, chunk_, bytes_.size()});
        if (n > 0) std::memcpy(into, bytes_.data(), n);
        bytes_.remove_prefix(n);
        return n;
    }

private:
    std::string_view bytes_;
    std::size_t chunk_;
};

// Bytes in memory as a block that grows by chunk bytes each time a reader asks for more, read where they
// stand (Borrow), as a map being loaded is. "bytes" must outlive it.
class GrowingBlock : public ByteSource {
public:
    GrowingBlock(std::string_view bytes, std::size_t chunk) : bytes_(bytes), chunk_(chunk == 0 ? 1 : chunk) {}

    std::size_t Read(char*, std::size_t) override { return 0; }
    bool Borrowable() const override { return true; }
    std::string_view Borrow(std::size_t have) override {
        return bytes_.substr(0, std::min(bytes_.size(), have + chunk_));
    }

private:
    std::string_view bytes_;
    std::size_t chunk_;
};

}  // namespace stratex
