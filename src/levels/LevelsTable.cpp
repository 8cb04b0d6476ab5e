#include "levels/LevelsTable.h"

#include <utility>

#include "bytes/Strings.h"
#include "levels/ZoomTable.h"

namespace stratex {

namespace {

constexpr int kDefaultBits = 24;
// Index of the key character that carries the level number: "Level0".
constexpr std::size_t kKeyDigitIndex = 5;
constexpr std::string_view kKeyStem = "Level";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

LevelsTable::LevelsTable() : rows_(1) {}

void LevelsTable::Clear() {
    rows_.clear();
    keyIndex_.clear();
    keyIndexStale_ = false;
}

void LevelsTable::AddScannedRow(std::string key, std::string value) {
    if (keyIndexStale_) {
        keyIndex_.clear();
        for (const LevelRow& row : rows_) keyIndex_.insert(AsciiLowerCopy(row.key));
        keyIndexStale_ = false;
    }
    // Only the first row with a key is set up with the pick list; repeats stay open to typing.
    const bool first = keyIndex_.insert(AsciiLowerCopy(key)).second;
    rows_.push_back(LevelRow{std::move(key), std::move(value), first});
}

void LevelsTable::SetValue(std::size_t i, std::string value) {
    if (i < rows_.size()) rows_[i].value = std::move(value);
}

std::optional<std::size_t> LevelsTable::AddAfter(std::optional<std::size_t> selected) {
    std::string bitsText;
    if (selected && *selected < rows_.size()) bitsText = LeadingBits(rows_[*selected].value);

    std::size_t at = 0;
    int bits = kDefaultBits;
    if (!bitsText.empty()) {
        if (rows_.size() + 1 > kMaxRows) return std::nullopt;
        at = *selected + 1;
        bits = std::stoi(bitsText);
    } else {
        // Replacing the first row keeps the size, except in an empty table, which gains its first row.
        const std::size_t after = rows_.empty() ? 1 : rows_.size();
        if (after > kMaxRows) return std::nullopt;
        if (!rows_.empty()) rows_.erase(rows_.begin());
    }
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), LevelRow{"LevelX", LevelValue(bits), true});
    RenumberLevels();
    return at;
}

void LevelsTable::Remove(std::optional<std::size_t> selected) {
    if (!selected || *selected >= rows_.size()) return;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*selected));
    RenumberLevels();
}

void LevelsTable::RenumberLevels() {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const char digit = static_cast<char>('0' + i);
        std::string& key = rows_[i].key;
        if (key.size() > kKeyDigitIndex) {
            key[kKeyDigitIndex] = digit;
        } else {
            key.assign(kKeyStem).push_back(digit);
        }
    }
    keyIndexStale_ = true;
}

const std::string& LevelsTable::ValueOfKey(const std::string& key) const {
    static const std::string kNone;
    for (const LevelRow& row : rows_) {
        if (EqualsNoCase(row.key, key)) return row.value;
    }
    return kNone;
}

std::string LeadingBits(const std::string& value) {
    std::size_t n = 0;
    while (n < 2 && n < value.size() && IsDigit(value[n])) ++n;
    return value.substr(0, n);
}

}  // namespace stratex
