#include "map/MapSyntax.h"

#include "text/Strings.h"

namespace stratex::mapsyntax {

namespace {

constexpr std::string_view kDictionaryEnd = "[END-DICTIONARY]";
constexpr std::string_view kDictionaryEndSpaced = "[END DICTIONARY]";

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

}  // namespace stratex::mapsyntax
