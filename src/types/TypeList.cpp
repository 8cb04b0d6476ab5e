#include "types/TypeList.h"

#include <algorithm>
#include <utility>

#include "bytes/Integer.h"
#include "bytes/Strings.h"
#include "types/Catalogue.h"

namespace stratex {

std::size_t TypeList::FindFirst(std::string_view code) const {
    const auto it = firstRowOf_.find(code);
    return it == firstRowOf_.end() ? rows_.size() : it->second;
}

void TypeList::RebuildIndex() {
    // Built aside and swapped in, so that a failed allocation leaves the old index whole.
    CodeIndex index;
    index.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        // emplace keeps the first index of a code that stands twice.
        index.emplace(rows_[i].code, i);
    }
    firstRowOf_.swap(index);
}

bool TypeList::IsTypeListed(std::string_view code) const { return firstRowOf_.find(code) != firstRowOf_.end(); }

void TypeList::AddTypeRow(std::string code, std::string name, std::string levelText, bool addedByShowAll) {
    TypeRow row;
    row.icon = GetImage(kind_, code);
    row.level = std::move(levelText);
    row.code = std::move(code);
    row.name = std::move(name);
    row.addedByShowAll = addedByShowAll;
    rows_.push_back(std::move(row));
    try {
        // An appended row never shadows an earlier row with the same code.
        firstRowOf_.emplace(rows_.back().code, rows_.size() - 1);
    } catch (...) {
        rows_.pop_back();
        throw;
    }
}

std::int32_t TypeList::GetTypeLevel(std::string_view code) const {
    const std::size_t i = FindFirst(code);
    if (i == rows_.size()) return 0;
    return ReadInteger(rows_[i].level);
}

void TypeList::Sort(int sortColumn) {
    std::stable_sort(rows_.begin(), rows_.end(), [sortColumn](const TypeRow& a, const TypeRow& b) {
        return POIListViewCompare(a, b, sortColumn) < 0;
    });
    RebuildIndex();
}

void TypeList::SetLevel(std::size_t i, std::string levelText) {
    if (i < rows_.size()) rows_[i].level = std::move(levelText);
}

void TypeList::SetName(std::size_t i, std::string name) {
    if (i < rows_.size()) rows_[i].name = std::move(name);
}

void TypeList::SetLevelOfRows(const std::vector<std::size_t>& rows, int level) {
    const std::string text = std::to_string(level);
    for (const std::size_t i : rows) {
        if (i < rows_.size()) rows_[i].level = text;
    }
}

void TypeList::RemoveShowAllRows() {
    const auto firstRemoved =
        std::remove_if(rows_.begin(), rows_.end(), [](const TypeRow& row) { return row.addedByShowAll; });
    if (firstRemoved == rows_.end()) return;
    rows_.erase(firstRemoved, rows_.end());
    RebuildIndex();
}

int POIListViewCompare(const TypeRow& a, const TypeRow& b, int sortColumn) {
    switch (sortColumn) {
        case 0:
            // Captions compare as text: "10" sorts before "9".
            return CompareNoCase(a.level, b.level);
        case 1:
            return CompareNoCase(a.code, b.code);
        case 2:
            return CompareNoCase(a.name, b.name);
        default:
            return 0;
    }
}

std::string NormalisedTypeCode(ObjectKind kind, std::int32_t value) {
    // The map scan normalises the code of every object, so this avoids the formatting library.
    // A negative value prints as its 32-bit two's complement, which always takes eight digits.
    static constexpr char kHex[] = "0123456789abcdef";
    auto bits = static_cast<std::uint32_t>(value);
    int digits = 1;
    while (digits < 8 && (bits >> (4 * digits)) != 0) ++digits;
    const int width = kind == ObjectKind::Poi ? 4 : 2;
    if (digits < width) digits = width;
    std::string code(static_cast<std::size_t>(digits) + 2, '0');
    code[1] = 'x';
    for (std::size_t i = code.size(); i > 2 && bits != 0; bits >>= 4) code[--i] = kHex[bits & 0xF];
    return code;
}

}  // namespace stratex
