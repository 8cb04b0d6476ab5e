#include "map/MapSyntax.h"

#include "text/Strings.h"

namespace stratex::mapsyntax {

namespace {

constexpr std::string_view kDictionaryEnd = "[END-DICTIONARY]";
constexpr std::string_view kDictionaryEndSpaced = "[END DICTIONARY]";

// Reads "KEY<digits>" and blanks before "=" at the start of line, the key's case ignored: the digits'
// value, or -1.
int KeyLevel(std::string_view line, std::string_view key) {
    if (line.size() <= key.size() || !EqualsNoCase(line.substr(0, key.size()), key)) return -1;
    std::size_t i = key.size();
    const std::size_t first = i;
    int level = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && i - first < 3) level = level * 10 + (line[i++] - '0');
    if (i == first) return -1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return i < line.size() && line[i] == '=' ? level : -1;
}

}  // namespace

void ReadMarkers(std::string_view line, std::size_t bracket, LineClass& lineClass) {
    // A line that is exactly one marker, as nearly all are, holds none of the others.
    if (bracket == 0) {
        if (Is(line, kObjectEnd)) {
            lineClass.end = true;
            return;
        }
        for (const Opener& opener : kOpeners) {
            if (Is(line, opener.marker)) {
                lineClass.opens = true;
                lineClass.kind = opener.kind;
                return;
            }
        }
    }
    const std::string_view bracketed = line.substr(bracket);
    for (const Opener& opener : kOpeners) {
        if (Contains(bracketed, opener.marker)) {
            lineClass.opens = true;
            lineClass.kind = opener.kind;
        }
    }
    lineClass.end = Contains(bracketed, kObjectEnd);
}

std::string_view TypeText(std::string_view line) { return Mid(line, 6, 11); }

std::string_view UpToText(std::string_view line) { return Mid(line, 10, 11); }

bool IsLevelLine(std::string_view line) {
    return line.size() > 5 && StartsWithNoCase(line, "level") && line[5] >= '0' && line[5] <= '9';
}

bool IsLevelsLine(std::string_view line) { return StartsWithNoCase(line, "Levels="); }

bool ContinuesLevelRun(std::string_view line) {
    return StartsWithNoCase(line, "Level") || StartsWithNoCase(line, "Zoom");
}

bool EndsDictionaryForReading(std::string_view line) {
    return line.find('[') != std::string_view::npos && ContainsNoCase(line, kDictionaryEnd);
}

bool BeginsDictionaryEndMarker(std::string_view text) {
    return StartsWithNoCase(text, kDictionaryEnd) || StartsWithNoCase(text, kDictionaryEndSpaced);
}

bool EndsDictionaryForRemoval(std::string_view line) {
    return ContainsNoCase(line, kDictionaryEnd) || ContainsNoCase(line, kDictionaryEndSpaced);
}

std::optional<int> CoordinateLevel(std::string_view line) {
    if (line.empty()) return std::nullopt;
    const char first = static_cast<char>(line[0] | 0x20);
    if (first != 'd' && first != 'o') return std::nullopt;
    const int level = first == 'd' ? KeyLevel(line, "Data") : KeyLevel(line, "Origin");
    if (level < 0) return std::nullopt;
    return level;
}

}  // namespace stratex::mapsyntax
