#include "BaselineProcess.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "text/Integer.h"
#include "text/Strings.h"

namespace stratex::bench {

namespace {

constexpr std::string_view kHeaderEnd = "[END-IMG ID]";

bool HoldsDictionaryEnd(std::string_view line) {
    return ContainsNoCase(line, "[END-DICTIONARY]") || ContainsNoCase(line, "[END DICTIONARY]");
}

bool BeginsLevelRun(std::string_view line) {
    return StartsWithNoCase(line, "Level") || StartsWithNoCase(line, "Zoom");
}

// The header part is every line of the map up to the first one holding "[END-IMG ID]"; lines that the
// rewrite generates for the level header belong to it wherever they stand. This tracks which of the lines
// ahead are such generated lines, and whether the map's own header end has been walked over or removed.
class HeaderPart {
public:
    // The line about to be examined: true when it belongs to the header part.
    bool Enter(const std::string& line) {
        if (generatedAhead_ > 0) {
            --generatedAhead_;
            return true;
        }
        const bool header = inHeader_;
        Pass(line);
        return header;
    }

    void Generated(std::size_t count) { generatedAhead_ = count; }

    // The lines lines[from, to) ahead of the current one are removed.
    void Removed(const LineList& lines, std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) {
            if (generatedAhead_ > 0) {
                --generatedAhead_;
            } else {
                Pass(lines[k]);
            }
        }
    }

private:
    void Pass(const std::string& line) {
        if (inHeader_ && Contains(line, kHeaderEnd)) inHeader_ = false;
    }

    bool inHeader_ = true;
    std::size_t generatedAhead_ = 0;
};

LineList HeaderLines(const LevelsTable& levels) {
    const std::size_t n = levels.size();
    LineList header;
    header.push_back("Levels=" + std::to_string(n));
    for (const LevelRow& row : levels.rows()) header.push_back(row.key + "=" + LeadingBits(levels.ValueOfKey(row.key)));
    for (std::size_t k = 0; k < n; ++k) header.push_back("Zoom" + std::to_string(k) + "=" + std::to_string(k));
    return header;
}

}  // namespace

void BaselineProcess(LineList& mapLines, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                     DictionaryTables& tables, LineList& dicLines) {
    // Worked on copies, so that a failure leaves the caller's lines and tables alone.
    LineList lines = mapLines;
    DictionaryTables newTables = tables;
    LineList newDicLines;
    bool dictionaryBuilt = false;

    HeaderPart headerPart;
    bool headerDone = false;
    std::optional<ObjectKind> kind;
    std::string typeText;
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t endLevelAt = kNone;  // the last EndLevel line of the current object

    std::size_t i = 0;
    while (i < lines.size()) {
        const bool header = headerPart.Enter(lines[i]);

        if (!headerDone && header && StartsWithNoCase(lines[i], "Levels=")) {
            std::size_t runEnd = i + 1;
            while (runEnd < lines.size() && BeginsLevelRun(lines[runEnd])) ++runEnd;
            headerPart.Removed(lines, i + 1, runEnd);
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i), lines.begin() + static_cast<std::ptrdiff_t>(runEnd));
            const LineList generated = HeaderLines(levels);
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), generated.begin(), generated.end());
            headerPart.Generated(generated.size() - 1);
            headerDone = true;
        }

        if (useDictionary) {
            if (lines[i] == kHeaderEnd) {
                newDicLines = BuildDictionary(lists, newTables);
                dictionaryBuilt = true;
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1, newDicLines.begin(), newDicLines.end());
                i += newDicLines.size();  // the inserted lines are not examined
            } else if (Contains(lines[i], "[DICTIONARY]")) {
                // Through the first line holding an end marker; without one, up to the next line that opens
                // a section.
                std::size_t end = i;
                while (end < lines.size() && !HoldsDictionaryEnd(lines[end])) ++end;
                if (end < lines.size()) {
                    ++end;
                } else {
                    end = i + 1;
                    while (end < lines.size() && !StartsWith(lines[end], "[")) ++end;
                }
                headerPart.Removed(lines, i + 1, end);
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i), lines.begin() + static_cast<std::ptrdiff_t>(end));
                continue;
            }
        }

        const std::string& line = lines[i];
        const bool objectPart = !header;
        if (objectPart && StartsWith(line, ";")) {
            ++i;
            continue;
        }
        if (Contains(line, "[POI]")) kind = ObjectKind::Poi;
        if (Contains(line, "[POLYLINE]")) kind = ObjectKind::Polyline;
        if (Contains(line, "[POLYGON]")) kind = ObjectKind::Polygon;
        if (objectPart ? StartsWith(line, "Type") : Contains(line, "Type")) typeText = std::string(Mid(line, 6, 11));
        if (objectPart ? StartsWith(line, "EndLevel") : Contains(line, "EndLevel")) endLevelAt = i;

        if (Contains(line, "[END]")) {
            if (kind) {
                const std::int32_t level = lists.Of(*kind).GetTypeLevel(NormalisedTypeCode(*kind, ReadInteger(typeText)));
                std::string endLevel = "EndLevel=" + std::to_string(level);
                if (endLevelAt != kNone) {
                    lines[endLevelAt] = std::move(endLevel);
                } else {
                    // In front of the line above "[END]", then the index points at "[END]" again.
                    const std::size_t at = i == 0 ? 0 : i - 1;
                    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(endLevel));
                    ++i;
                }
            }
            endLevelAt = kNone;
        }
        ++i;
    }

    mapLines = std::move(lines);
    if (dictionaryBuilt) dicLines = std::move(newDicLines);
    tables = newTables;
}

}  // namespace stratex::bench
