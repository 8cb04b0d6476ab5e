#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "grammar/ObjectKind.h"

namespace stratex {

// A row of a dictionary section: "Level<n>Rgn<table>=" and one flag character per type number from 1, "1"
// where objects of that type are drawn at level n. The tables are 10 (POI), 40 (polylines) and 80
// (polygons).
struct DictionaryRow {
    ObjectKind kind;
    std::int32_t level;
    std::string_view flags;
};

// The flags a row carries: one per type number 1..255. Flags after the 255th are not read.
inline constexpr std::size_t kDictionaryFlags = 255;

// A line that a dictionary reader takes for a row: it holds "level", "rgn" (in any case) and "=".
bool IsDictionaryRowLine(std::string_view line);

// A line that a dictionary section holds between its markers: a row, a comment or an empty or blank line,
// and no "[". Any other line that a section's removal would take belongs to the map, not to the dictionary.
bool IsDictionaryContentLine(std::string_view line);

// Reads a row line. The level number stands in characters 6 and 7, the table right after the first "rgn";
// rows of a table other than 1, 4 and 8 are none.
std::optional<DictionaryRow> ReadDictionaryRow(std::string_view line);

// Calls mark(k) for every type number k (1..255) whose flag in row is "1".
template <typename Mark>
void ForEachMarkedType(const DictionaryRow& row, Mark&& mark) {
    const std::size_t count = row.flags.size() < kDictionaryFlags ? row.flags.size() : kDictionaryFlags;
    const char* flags = row.flags.data();
    for (std::size_t k = 1; k <= count; ++k) {
        if (flags[k - 1] == '1') mark(k);
    }
}

// The row of level n for kind as a generated dictionary writes it: "Level<n>Rgn10=" (Rgn40, Rgn80) and the
// flag of each type number 1..255, "1" where levels gives it n or more.
std::string WriteDictionaryRow(ObjectKind kind, std::int32_t n, const std::array<std::int32_t, 256>& levels);

}  // namespace stratex
