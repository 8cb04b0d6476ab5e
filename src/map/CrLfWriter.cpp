#include "map/CrLfWriter.h"

#include <algorithm>
#include <cstring>

#include "map/ByteScan.h"

namespace stratex {

namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

CrLfWriter::CrLfWriter(ByteSink& sink, std::size_t staging)
    : sink_(sink), staging_(std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(staging, 2))),
      capacity_(std::max<std::size_t>(staging, 2)) {}

void CrLfWriter::Input(std::string_view bytes, bool crLfOnly) {
    if (!crLfOnly) {
        Expand(bytes);
    } else if (bytes.size() >= capacity_ / 2) {
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
    if (size_ == 0) return;
    sink_.Write(std::string_view(staging_.get(), size_));
    size_ = 0;
}

void CrLfWriter::Stage(std::string_view bytes) {
    while (!bytes.empty()) {
        if (size_ == capacity_) Flush();
        const std::size_t n = std::min(bytes.size(), capacity_ - size_);
        std::memcpy(staging_.get() + size_, bytes.data(), n);
        size_ += n;
        bytes.remove_prefix(n);
    }
}

void CrLfWriter::Expand(std::string_view bytes) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
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
