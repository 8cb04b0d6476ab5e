#include "passes/NotAMap.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "bytes/LineReader.h"
#include "grammar/MapSyntax.h"

namespace stratex {
namespace {

// Whether bytes (from the start of the file, past any byte order mark) look like text in units of width
// bytes, little-endian or big-endian: in most units, every byte but the low one is NUL.
bool HasNulPattern(std::string_view bytes, std::size_t width) {
    const std::size_t units = bytes.size() / width;
    if (units < 2) return false;
    std::size_t little = 0;
    std::size_t big = 0;
    for (std::size_t u = 0; u < units; ++u) {
        const std::string_view unit = bytes.substr(u * width, width);
        little += unit.front() != '\0' && unit.substr(1).find_first_not_of('\0') == std::string_view::npos;
        big += unit.back() != '\0' && unit.substr(0, width - 1).find_first_not_of('\0') == std::string_view::npos;
    }
    return 10 * little >= 9 * units || 10 * big >= 9 * units;
}

bool StartsWithBytes(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

bool LooksBinary(std::string_view bytes) {
    std::size_t control = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0) return true;
        control += byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f';
    }
    return 10 * control > bytes.size();
}

// The line of the first "[END]" that closes an "[IMG ID]" section opened by the first section line, or 0.
std::uint64_t HeaderClosedAt(ByteSource& input) {
    LineReader reader(input);
    LineReader::Line line;
    std::uint64_t number = 0;
    bool inHeader = false;
    do {
        while (reader.Next(line)) {
            ++number;
            if (line.text.empty() || line.text.front() != '[') continue;
            if (!inHeader) {
                if (!mapsyntax::Begins(line.text, mapsyntax::kHeaderStart)) return 0;
                inHeader = true;
            } else if (mapsyntax::ClassifyLine(line.text).end) {
                return number;
            }
        }
    } while (reader.Fill());
    return 0;
}

}  // namespace

NotAMap WhyNotAMap(ByteSource& input) {
    // The start of the file tells most reasons.
    std::string head(4096, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const std::size_t n = input.Read(head.data() + got, head.size() - got);
        if (n == 0) break;
        got += n;
    }
    head.resize(got);
    if (head.empty()) return {NotAMapReason::Empty};
    const std::string_view bytes = head;
    const bool utf32Mark = StartsWithBytes(bytes, std::string_view("\xFF\xFE\0\0", 4)) ||
                           StartsWithBytes(bytes, std::string_view("\0\0\xFE\xFF", 4));
    if (HasNulPattern(bytes.substr(utf32Mark ? 4 : 0), 4)) return {NotAMapReason::Utf32};
    const bool utf16Mark = StartsWithBytes(bytes, "\xFF\xFE") || StartsWithBytes(bytes, "\xFE\xFF");
    if (HasNulPattern(bytes.substr(utf16Mark ? 2 : 0), 2)) return {NotAMapReason::Utf16};
    if (LooksBinary(bytes)) return {NotAMapReason::Binary};
    // The rest of the file follows the head for the header's end.
    struct Rest : ByteSource {
        Rest(std::string_view first, ByteSource& then) : first_(first), then_(then) {}
        std::size_t Read(char* into, std::size_t max) override {
            if (first_.empty()) return then_.Read(into, max);
            const std::size_t n = max < first_.size() ? max : first_.size();
            first_.copy(into, n);
            first_.remove_prefix(n);
            return n;
        }
        std::string_view first_;
        ByteSource& then_;
    } rest(bytes, input);
    if (const std::uint64_t line = HeaderClosedAt(rest)) return {NotAMapReason::HeaderClosedByEnd, line};
    return {};
}

}  // namespace stratex
