#include "levels/LevelConfig.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bytes/Integer.h"
#include "bytes/Strings.h"
#include "grammar/ObjectKind.h"
#include "types/TypeList.h"

namespace stratex {

namespace {

bool IsLowerHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// The type code part of a line's name after the kind letter: characters 2 to 7, or all seven characters
// of an extended code, a name that is the letter, "0x" and exactly five lower-case hexadecimal digits (as
// BuildConfigLines writes "p0x10f04").
std::string_view CodeOfName(std::string_view name) {
    constexpr std::size_t kExtended = 8;
    if (name.size() == kExtended && name.substr(1, 2) == "0x") {
        bool digits = true;
        for (std::size_t k = 3; k < kExtended; ++k) digits = digits && IsLowerHexDigit(name[k]);
        if (digits) return name.substr(1);
    }
    return name.substr(name.empty() ? 0 : 1, 6);
}

std::optional<ObjectKind> KindOfLetter(char letter) {
    for (ObjectKind kind : kAllKinds) {
        if (ConfigLetter(kind) == letter) return kind;
    }
    return std::nullopt;
}

// Code -> index of the first row with that code.
std::unordered_map<std::string_view, std::size_t> FirstRowByCode(const TypeList& list) {
    std::unordered_map<std::string_view, std::size_t> index;
    index.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) index.emplace(list[i].code, i);
    return index;
}

using RowIndex = std::unordered_map<std::string_view, std::size_t>;

// The name that a line meant, when its letter or code is written differently from the lists: the letter
// folded to lower case, the code read as a number and written as the scan writes codes. Empty when that
// finds no row either. indexOf(kind) gives the kind's row index.
template <typename IndexOf>
std::string HintFor(std::string_view name, IndexOf&& indexOf) {
    if (name.size() < 2) return {};
    const std::optional<ObjectKind> kind = KindOfLetter(AsciiLower(name.front()));
    if (!kind) return {};
    const std::optional<std::int32_t> value = TryReadInteger(name.substr(1));
    if (!value) return {};
    const std::string hint = ConfigLetter(*kind) + NormalisedTypeCode(*kind, *value);
    const RowIndex& index = indexOf(*kind);
    return index.find(CodeOfName(hint)) == index.end() ? std::string() : hint;
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

LineList LoadConfigFile(const std::filesystem::path& path) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const std::string bytes = ReadFileBytes(path);
    std::string_view text = bytes;
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    return SplitLines(text);
}

std::vector<UnmatchedConfigLine> ApplyConfigLines(TypeLists& lists, const LineList& lines) {
    // A name that occurs more than once takes the value of its first line, whatever its letter case; one
    // pass here keeps the whole file linear.
    std::unordered_map<std::string, std::string_view> firstValue;
    firstValue.reserve(lines.size());
    for (const std::string& line : lines) {
        if (HasKey(line)) firstValue.emplace(AsciiLowerCopy(KeyOf(line)), ValueOf(line));
    }

    // Captions change below, codes do not, so the indexes built here stay valid.
    std::array<std::optional<RowIndex>, 3> rowIndex;
    const auto indexOf = [&](ObjectKind kind) -> const RowIndex& {
        auto& index = rowIndex[static_cast<std::size_t>(kind)];
        if (!index) index = FirstRowByCode(lists.Of(kind));
        return *index;
    };
    std::vector<UnmatchedConfigLine> unmatched;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::string_view name = KeyOf(line);
        const std::optional<ObjectKind> kind = name.empty() ? std::nullopt : KindOfLetter(name.front());
        std::optional<std::size_t> row;
        if (kind) {
            const RowIndex& index = indexOf(*kind);
            if (const auto found = index.find(CodeOfName(name)); found != index.end()) row = found->second;
        }
        if (!row) {
            if (!line.empty())
                unmatched.push_back({i + 1, std::string(HasKey(line) ? name : line), HintFor(name, indexOf)});
            continue;
        }
        lists.Of(*kind).SetLevel(*row, std::string(firstValue.at(AsciiLowerCopy(name))));
    }
    return unmatched;
}

namespace {

bool NamesAnotherMapsType(const UnmatchedConfigLine& line, const TypeNameFiles& names) {
    const std::string& name = line.name;
    if (!line.hint.empty() || name.size() < 2) return false;
    const std::string_view code = std::string_view(name).substr(1);
    for (const ObjectKind kind : kAllKinds) {
        if (name.front() != ConfigLetter(kind)) continue;
        const std::optional<std::int32_t> value = TryReadInteger(code);
        return (value && NormalisedTypeCode(kind, *value) == code) || !LookupTypeName(names.Of(kind), code).empty();
    }
    return false;
}

}  // namespace

std::vector<ConfigProblem> FindConfigProblems(const LineList& lines, const std::vector<UnmatchedConfigLine>& unmatched,
                                              const TypeNameFiles& names) {
    std::vector<ConfigProblem> problems;
    auto next = unmatched.begin();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t number = i + 1;
        if (next != unmatched.end() && next->line == number) {
            if (!NamesAnotherMapsType(*next, names)) {
                problems.push_back({number, ConfigProblem::Kind::UnknownType, next->name, next->hint});
            }
            ++next;
        } else if (!lines[i].empty() && !TryReadInteger(ValueOf(lines[i]))) {
            problems.push_back({number, ConfigProblem::Kind::LevelNotANumber, std::string(ValueOf(lines[i])), {}});
        }
    }
    return problems;
}

}  // namespace stratex
