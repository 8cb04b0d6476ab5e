#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "bytes/LineList.h"
#include "grammar/ObjectKind.h"
#include "types/TypeLists.h"

namespace stratex {

// The dictionary level tables: per kind, 256 up-to levels indexed by type number (for POI the high byte of
// the type). All 0 when the program starts.
struct DictionaryTables {
    std::array<std::int32_t, 256> dic10{};  // POI, rows "Rgn10="
    std::array<std::int32_t, 256> dic40{};  // polylines, rows "Rgn40="
    std::array<std::int32_t, 256> dic80{};  // polygons, rows "Rgn80="

    std::array<std::int32_t, 256>& Of(ObjectKind kind);
    const std::array<std::int32_t, 256>& Of(ObjectKind kind) const;
    bool operator==(const DictionaryTables&) const = default;
};

// The two ruler comment lines that stand above each block of rows, 267 characters each.
extern const std::string_view kHighDigitRuler;
extern const std::string_view kLowDigitRuler;

// The dictionary column of a type code: the type number of its first two hexadecimal digits after "0x", or
// -1 for a code without one. Types of one kind that share a column share one level in the dictionary: the
// level of the first of them in the list.
int DictionaryColumn(std::string_view code);

// BuildDictionary: the 38 lines of a generated dictionary section from the lists and the tables, and the
// tables updated with the level used for each type number 1..255. All or nothing: when a level lookup
// throws (a caption that is no number), tables are unchanged and the error propagates.
LineList BuildDictionary(const TypeLists& lists, DictionaryTables& tables);

}  // namespace stratex
