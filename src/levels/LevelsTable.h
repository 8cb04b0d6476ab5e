#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace stratex {

// A row of the Levels table: key ("Level0"), value ("24bit (<=120м)", Windows-1251 bytes), and whether the
// value cell offers the level pick list (pick-only) or is open to typing.
struct LevelRow {
    std::string key;
    std::string value;
    bool pickList = false;

    bool operator==(const LevelRow&) const = default;
};

// The Levels table: the map's levels in header order, as the window's key/value grid shows them.
class LevelsTable {
public:
    static constexpr std::size_t kMaxRows = 10;

    // The table before any map is opened: one row with empty key and value, no pick list.
    LevelsTable();

    const std::vector<LevelRow>& rows() const { return rows_; }
    std::size_t size() const { return rows_.size(); }

    void Clear();

    // Appends a row as the map scan makes it. The row gets the pick list unless a row with the same key
    // (ASCII case folded) is already in the table.
    void AddScannedRow(std::string key, std::string value);

    // The value cell of row i takes value (a pick from the level pick list).
    void SetValue(std::size_t i, std::string value);

    // Add a level after the selected row (menu "Добавить слой (после)"). When selected is a row whose value
    // begins with one or two decimal digits b, a row with LevelValue(b) goes in after it; otherwise (no such
    // row, or no leading digits) the first row is removed and a 24-bit row goes in at the top. The new row
    // gets the pick list; then RenumberLevels. Nothing changes when the table would end with more than
    // kMaxRows rows: inserting into a full table does nothing, while replacing the first row of a full table
    // (which does not grow it) goes ahead. Returns the index of the new row, or nothing when refused.
    std::optional<std::size_t> AddAfter(std::optional<std::size_t> selected);

    // Remove the selected row (menu "Удалить слой"), then RenumberLevels. Nothing happens without a row.
    void Remove(std::optional<std::size_t> selected);

    // Sets the sixth character of every row's key (the one after "Level") to the character '0' + position.
    // A key shorter than six characters has no such character; it becomes "Level" and that character.
    // Past ten rows (only a map header can give that many) the characters run on after '9' (':', ';', ...).
    void RenumberLevels();

    // The value stored under key: the value of the first row whose key equals key, ASCII case folded.
    const std::string& ValueOfKey(const std::string& key) const;

private:
    std::vector<LevelRow> rows_;
    // ASCII-lower-cased keys of rows_, so that a scan of a long header stays linear. Kept up to date while
    // rows are only appended; edits that change keys mark it stale and the next AddScannedRow rebuilds it.
    std::unordered_set<std::string> keyIndex_;
    bool keyIndexStale_ = true;
};

// The bit count that Process writes for a value: its leading decimal digits, at most two ("8bit ()" gives
// "8", "24bit (<=120м)" gives "24", "" gives "").
std::string LeadingBits(const std::string& value);

}  // namespace stratex
