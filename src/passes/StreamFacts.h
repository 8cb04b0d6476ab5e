#pragma once

#include <cstdint>
#include <optional>

namespace stratex {

// What the scan of a map file records for a Process streamed from the same bytes, which reads each line
// once and cannot look ahead.
struct StreamFacts {
    // Input offset of the last line that ends a dictionary section for Process
    // (mapsyntax::EndsDictionaryForRemoval); read only with the dictionary option.
    std::optional<std::uint64_t> lastDictionaryEnd;
};

}  // namespace stratex
