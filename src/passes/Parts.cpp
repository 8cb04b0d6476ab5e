#include "passes/Parts.h"

#include <algorithm>
#include <optional>
#include <string>

#include "grammar/MapSyntax.h"

namespace stratex {
namespace {

// The cut at or after offset (above 0): the start of the first line from there that opens an object section,
// looked for within limit bytes; the end of the input where that comes first; nothing where neither does.
std::optional<std::uint64_t> CutAt(const PartInput& input, std::uint64_t offset, std::uint64_t limit) {
    const std::uint64_t size = input.size();
    if (offset >= size) return size;
    // One byte early: a line that starts at offset itself counts, and FindSectionCut never cuts at the first.
    const std::uint64_t from = offset - 1;
    const std::uint64_t to = std::min(size, from + 1 + limit);
    const std::unique_ptr<ByteSource> source = input.Open(from, to);
    std::string bytes;
    std::size_t scanned = 0;
    // Most cuts lie within a few lines: the bytes are read a little at first, then more and more.
    std::size_t want = 4096;
    for (;;) {
        const std::size_t have = bytes.size();
        bytes.resize(have + want);
        std::size_t got = 0;
        while (got < want) {
            const std::size_t n = source->Read(bytes.data() + have + got, want - got);
            if (n == 0) break;
            got += n;
        }
        bytes.resize(have + got);
        const bool more = from + bytes.size() < to;
        if (const std::optional<std::size_t> cut = mapsyntax::FindSectionCut(bytes, scanned, more)) return from + *cut;
        if (!more) return to == size ? std::optional<std::uint64_t>(size) : std::nullopt;
        want *= 4;
    }
}

}  // namespace

Part PartAt(const PartInput& input, std::uint64_t k, std::uint64_t size, std::uint64_t limit) {
    Part part;
    part.index = k;
    part.first = k == 0;
    if (k > 0) {
        const std::optional<std::uint64_t> start = CutAt(input, k * size, limit);
        if (!start) {
            part.tooLong = true;
            return part;
        }
        part.start = *start;
    }
    const std::optional<std::uint64_t> end = CutAt(input, (k + 1) * size, limit);
    part.tooLong = !end;
    part.end = end ? *end : part.start;
    return part;
}

}  // namespace stratex
