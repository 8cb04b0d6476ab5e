#pragma once

#include <cstdint>

#include "bytes/ByteSource.h"

namespace stratex {

// Why a file is no Polish map (no line holds "[END-IMG ID]"), as far as its bytes tell.
enum class NotAMapReason {
    NoHeaderEnd,        // text, but no line ends a header part
    Empty,              // no bytes at all
    Utf16,              // UTF-16 text: a byte order mark with its NUL pattern, or the pattern alone
    Utf32,              // UTF-32 text, likewise
    Binary,             // NUL bytes or control characters that text does not hold
    HeaderClosedByEnd,  // the "[IMG ID]" header is closed by an "[END]" line (at line)
};

struct NotAMap {
    NotAMapReason reason = NotAMapReason::NoHeaderEnd;
    std::uint64_t line = 0;  // 1-based, for HeaderClosedByEnd
};

// Reads input (a file that the scan found to be no Polish map) for the reason. Throws as input does.
NotAMap WhyNotAMap(ByteSource& input);

}  // namespace stratex
