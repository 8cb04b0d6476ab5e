#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "grammar/ObjectKind.h"
#include "types/TypeRow.h"

namespace stratex {

// One Type list (POI, polyline or polygon): its rows in display order. The window shows it through a Qt
// model; "the list's current order" is the order of rows() here.
class TypeList {
public:
    explicit TypeList(ObjectKind kind) : kind_(kind) {}

    ObjectKind kind() const { return kind_; }
    const std::vector<TypeRow>& rows() const { return rows_; }
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    const TypeRow& operator[](std::size_t i) const { return rows_[i]; }

    void Clear() {
        rows_.clear();
        firstRowOf_.clear();
    }

    // True when some row's code equals code byte for byte.
    bool IsTypeListed(std::string_view code) const;

    // Appends a row: code with the kind's catalogue icon, name, level text. Does not sort and does not
    // check for duplicates (callers test IsTypeListed first).
    void AddTypeRow(std::string code, std::string name, std::string levelText, bool addedByShowAll = false);

    // The level of the first row whose code equals code byte for byte, read as an integer; 0 when no row
    // matches. Throws Error("'<caption>' is not a valid integer value") when that caption is no number.
    std::int32_t GetTypeLevel(std::string_view code) const;

    // Stable ascending sort by the Type row sort rule (POIListViewCompare) on column sortColumn:
    // 0 level, 1 code, 2 name.
    void Sort(int sortColumn);

    // Sets the caption of row i (the in-place editor and the typing shortcut).
    void SetLevel(std::size_t i, std::string levelText);

    // Sets the name of row i (the names of another language's type name files).
    void SetName(std::size_t i, std::string name);

    // Sets the caption of every listed row (the selected rows) to level in decimal. Indices out of range
    // are ignored.
    void SetLevelOfRows(const std::vector<std::size_t>& rows, int level);

    // Removes every row that Show All added; the others keep their order.
    void RemoveShowAllRows();

private:
    // Hashes std::string and std::string_view alike, so that a lookup by view builds no string.
    struct CodeHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view code) const noexcept { return std::hash<std::string_view>{}(code); }
    };
    using CodeIndex = std::unordered_map<std::string, std::size_t, CodeHash, std::equal_to<>>;

    // The index of the first row whose code equals code byte for byte, or size() when none.
    std::size_t FindFirst(std::string_view code) const;
    // Rebuilds firstRowOf_ after rows_ were reordered or removed.
    void RebuildIndex();

    ObjectKind kind_;
    std::vector<TypeRow> rows_;
    // Code -> index of the first row holding it: the map scan and Process look a code up once per object.
    CodeIndex firstRowOf_;
};

// The Type row sort rule on column sortColumn (0 caption, 1 code, 2 name): ASCII-case-insensitive byte
// comparison. Negative, zero or positive.
int POIListViewCompare(const TypeRow& a, const TypeRow& b, int sortColumn);

// The normalised type code of value: "0x" and lower-case hexadecimal digits, at least four for POI and
// two for polylines and polygons; a negative value gives the eight digits of its 32-bit two's complement.
std::string NormalisedTypeCode(ObjectKind kind, std::int32_t value);

}  // namespace stratex
