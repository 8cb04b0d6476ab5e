#include "levels/LevelConfig.h"

#include <array>
#include <optional>
#include <string>
#include <unordered_map>

#include "text/Strings.h"
#include "types/ObjectKind.h"

namespace stratex {

namespace {

// Characters 2..7 of a line's name: the type code part after the kind letter.
std::string_view CodeOfName(std::string_view name) { return name.substr(name.empty() ? 0 : 1, 6); }

std::optional<ObjectKind> KindOfLetter(char letter) {
    for (ObjectKind kind : kAllKinds) {
        if (ConfigLetter(kind) == letter) return kind;
    }
    return std::nullopt;
}

// Code -> index of the first row with that code, the answer FindConfigRow gives without walking the list.
std::unordered_map<std::string_view, std::size_t> FirstRowByCode(const TypeList& list) {
    std::unordered_map<std::string_view, std::size_t> index;
    index.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) index.emplace(list[i].code, i);
    return index;
}

}  // namespace

LineList BuildConfigLines(const TypeLists& lists) {
    LineList lines;
    lines.reserve(lists.poi.size() + lists.polyline.size() + lists.polygon.size());
    for (ObjectKind kind : kAllKinds) {
        const char letter = ConfigLetter(kind);
        for (const TypeRow& row : lists.Of(kind).rows()) {
            std::string line;
            line.reserve(row.code.size() + row.level.size() + 2);
            line.push_back(letter);
            line.append(row.code).append("=").append(row.level);
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

int FindConfigRow(const TypeList& list, std::string_view name) {
    const std::string_view code = CodeOfName(name);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].code == code) return static_cast<int>(i);
    }
    return -1;
}

void ApplyConfigLines(TypeLists& lists, const LineList& lines) {
    // A name that occurs more than once takes the value of its first line, whatever its letter case; one
    // pass here keeps the whole file linear.
    std::unordered_map<std::string, std::string_view> firstValue;
    firstValue.reserve(lines.size());
    for (const std::string& line : lines) {
        if (HasKey(line)) firstValue.emplace(AsciiLowerCopy(KeyOf(line)), ValueOf(line));
    }

    // Captions change below, codes do not, so the indexes built here stay valid.
    std::array<std::optional<std::unordered_map<std::string_view, std::size_t>>, 3> rowIndex;
    for (const std::string& line : lines) {
        const std::string_view name = KeyOf(line);
        if (name.empty()) continue;
        const std::optional<ObjectKind> kind = KindOfLetter(name.front());
        if (!kind) continue;

        TypeList& list = lists.Of(*kind);
        auto& index = rowIndex[static_cast<std::size_t>(*kind)];
        if (!index) index = FirstRowByCode(list);
        const auto found = index->find(CodeOfName(name));
        if (found == index->end()) continue;

        list.SetLevel(found->second, std::string(firstValue.at(AsciiLowerCopy(name))));
    }
}

}  // namespace stratex
