#include "grammar/DictionaryRow.h"

#include "bytes/Strings.h"

namespace stratex {
namespace {

// Where needle (lower-case) first occurs in line with its ASCII letters lower-cased, or npos. Rows are
// matched without regard to case; this saves lower-casing every line of a long section.
std::size_t FindFolded(std::string_view line, std::string_view needle) {
    if (needle.size() > line.size()) return std::string_view::npos;
    const char first = needle[0];
    for (std::size_t i = 0; i + needle.size() <= line.size(); ++i) {
        if (AsciiLower(line[i]) != first) continue;
        std::size_t k = 1;
        while (k < needle.size() && AsciiLower(line[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

std::string_view RowKey(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Poi:
            return "Rgn10=";
        case ObjectKind::Polyline:
            return "Rgn40=";
        case ObjectKind::Polygon:
            return "Rgn80=";
    }
    return {};
}

}  // namespace

bool IsDictionaryRowLine(std::string_view line) {
    return line.find('=') != std::string_view::npos && FindFolded(line, "rgn") != std::string_view::npos &&
           FindFolded(line, "level") != std::string_view::npos;
}

bool IsDictionaryContentLine(std::string_view line) {
    if (line.find('[') != std::string_view::npos) return false;
    const std::size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == ';' || IsDictionaryRowLine(line);
}

std::optional<DictionaryRow> ReadDictionaryRow(std::string_view line) {
    if (!IsDictionaryRowLine(line)) return std::nullopt;
    const std::size_t rgn = FindFolded(line, "rgn");
    if (rgn + 3 >= line.size()) return std::nullopt;
    DictionaryRow row{ObjectKind::Poi, 0, line.substr(line.find('=') + 1)};
    switch (line[rgn + 3]) {
        case '1':
            row.kind = ObjectKind::Poi;
            break;
        case '4':
            row.kind = ObjectKind::Polyline;
            break;
        case '8':
            row.kind = ObjectKind::Polygon;
            break;
        default:
            return std::nullopt;
    }
    // One or two digits after "level"; only their low four bits are taken, as the rows are written.
    // Lower-casing would change neither the low four bits of a character nor whether it lies above "9", so
    // the line is read as it stands.
    if (line.size() > 5) row.level = line[5] & 0x0F;
    if (line.size() > 6 && static_cast<signed char>(line[6]) <= '9') {
        row.level = 10 * row.level + (line[6] & 0x0F);
    }
    return row;
}

std::string WriteDictionaryRow(ObjectKind kind, std::int32_t n, const std::array<std::int32_t, 256>& levels) {
    std::string row;
    row.reserve(12 + kDictionaryFlags);
    row.append("Level").append(std::to_string(n)).append(RowKey(kind));
    for (std::size_t k = 1; k <= kDictionaryFlags; ++k) row.push_back(levels[k] >= n ? '1' : '0');
    return row;
}

}  // namespace stratex
