#include "levels/Dictionary.h"

#include <cstddef>
#include <string>

#include "bytes/Integer.h"
#include "grammar/DictionaryRow.h"
#include "grammar/MapSyntax.h"

namespace stratex {

namespace {

constexpr std::size_t kTypeNumbers = 256;
// Types 1..255 get a flag; type 0 has no column.
constexpr std::size_t kFirstFlagType = 1;
constexpr std::int32_t kFirstRowLevel = 1;
constexpr std::int32_t kLastRowLevel = 9;
// What a prefix lookup gives when no row matches; the table entry is used instead.
constexpr std::int32_t kNoRowLevel = 255;

// Three opening lines, three blocks of two rulers and nine rows, two closing lines.
constexpr std::size_t kDictionaryLines = 3 + 3 * (2 + 9) + 2;

constexpr std::string_view kCommentLine = ";Stratex Generated DICTIONARY!!!";

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The level used for each type number 1..255 of one kind: the level of the first row whose code begins
// with the number's prefix, or the table entry when there is none or that level is 255. Rows are indexed
// in one pass and each caption that counts is read once, in ascending type order, so that the first
// caption that is no number is the one reported.
std::array<std::int32_t, kTypeNumbers> LevelsOfKind(const TypeList& list,
                                                    const std::array<std::int32_t, kTypeNumbers>& table) {
    std::array<const TypeRow*, kTypeNumbers> firstRow{};
    for (const TypeRow& row : list.rows()) {
        const int number = DictionaryColumn(row.code);
        if (number >= 0 && firstRow[static_cast<std::size_t>(number)] == nullptr) {
            firstRow[static_cast<std::size_t>(number)] = &row;
        }
    }
    std::array<std::int32_t, kTypeNumbers> levels = table;
    for (std::size_t k = kFirstFlagType; k < kTypeNumbers; ++k) {
        const std::int32_t level = firstRow[k] ? ReadInteger(firstRow[k]->level) : kNoRowLevel;
        levels[k] = level == kNoRowLevel ? table[k] : level;
    }
    return levels;
}

}  // namespace

// The type number that a code's first four characters spell ("0x2f06" gives 0x2f, letter case ignored),
// or -1 when they are no "0x" and two hexadecimal digits. These are exactly the codes that a prefix lookup
// with "0x" and two upper-case digits can match.
int DictionaryColumn(std::string_view code) {
    if (code.size() < 4 || code[0] != '0' || (code[1] != 'x' && code[1] != 'X')) return -1;
    const int high = HexDigitValue(code[2]);
    const int low = HexDigitValue(code[3]);
    return (high < 0 || low < 0) ? -1 : high * 16 + low;
}

// Each character 12 + k stands above the flag of type k in the rows below.
const std::string_view kHighDigitRuler =
    ";           0              1               2               3               4               5    "
    "           6               7               8               9               a               b    "
    "           c               d               e               f               ";
const std::string_view kLowDigitRuler =
    ";           123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef01234"
    "56789abcdef0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef01234"
    "56789abcdef0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

std::array<std::int32_t, 256>& DictionaryTables::Of(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Poi:
            return dic10;
        case ObjectKind::Polyline:
            return dic40;
        case ObjectKind::Polygon:
            return dic80;
    }
    return dic10;
}

const std::array<std::int32_t, 256>& DictionaryTables::Of(ObjectKind kind) const {
    return const_cast<DictionaryTables*>(this)->Of(kind);
}

LineList BuildDictionary(const TypeLists& lists, DictionaryTables& tables) {
    // Everything is worked out on a copy; the caller's tables change only once no lookup can fail.
    DictionaryTables updated = tables;
    LineList lines;
    lines.reserve(kDictionaryLines);
    lines.emplace_back();
    lines.emplace_back(kCommentLine);
    lines.emplace_back(mapsyntax::kDictionaryStart);
    for (ObjectKind kind : kAllKinds) {
        auto& table = updated.Of(kind);
        table = LevelsOfKind(lists.Of(kind), table);
        lines.emplace_back(kHighDigitRuler);
        lines.emplace_back(kLowDigitRuler);
        for (std::int32_t n = kFirstRowLevel; n <= kLastRowLevel; ++n)
            lines.push_back(WriteDictionaryRow(kind, n, table));
    }
    lines.emplace_back(mapsyntax::kDictionaryEnd);
    lines.emplace_back();
    tables = updated;
    return lines;
}

}  // namespace stratex
