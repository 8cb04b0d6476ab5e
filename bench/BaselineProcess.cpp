#include "BaselineProcess.h"

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bytes/Integer.h"
#include "bytes/Strings.h"

namespace stratex::bench {

namespace {

constexpr std::string_view kHeaderEnd = "[END-IMG ID]";

bool HoldsDictionaryEnd(std::string_view line) {
    return ContainsNoCase(line, "[END-DICTIONARY]") || ContainsNoCase(line, "[END DICTIONARY]");
}

bool BeginsLevelRun(std::string_view line) { return StartsWithNoCase(line, "Level") || StartsWithNoCase(line, "Zoom"); }

// The header part is every line of the map up to the first one holding "[END-IMG ID]"; lines that the
// rewrite generates for the level header belong to it wherever they stand. This tracks which of the lines
// ahead are such generated lines, and whether the map's own header end has been walked over or removed.
class HeaderPart {
public:
    // The line about to be examined: true when it belongs to the header part.
    bool Enter(const std::string& line) {
        generated_ = generatedAhead_ > 0;
        if (generated_) {
            --generatedAhead_;
            return true;
        }
        const bool header = inHeader_;
        Pass(line);
        return header;
    }

    // Whether the line last entered is one that the rewrite generated.
    bool generated() const { return generated_; }

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
    bool generated_ = false;
};

// "Levels=", or "Level" / "Zoom" followed by digits and "=", in any letter case.
bool IsLevelKey(std::string_view line) {
    if (StartsWithNoCase(line, "Levels=")) return true;
    for (const std::string_view prefix : {std::string_view("Level"), std::string_view("Zoom")}) {
        if (!StartsWithNoCase(line, prefix)) continue;
        std::size_t end = prefix.size();
        while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
        return end > prefix.size() && end < line.size() && line[end] == '=';
    }
    return false;
}

bool BeginsWithAny(std::string_view line, std::initializer_list<std::string_view> prefixes) {
    for (const std::string_view prefix : prefixes) {
        if (StartsWith(line, prefix)) return true;
    }
    return false;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Characters 6 to 11 of a Type line, or 6 to 12 when they are "0x" and exactly five hexadecimal digits.
std::string TypeTextOf(std::string_view line) {
    const std::string_view value = line.size() > 5 ? line.substr(5) : std::string_view();
    bool extended = value.size() >= 7 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X') &&
                    (value.size() == 7 || !IsHex(value[7]));
    for (std::size_t k = 2; extended && k < 7; ++k) extended = IsHex(value[k]);
    return std::string(extended ? value.substr(0, 7) : Mid(line, 6, 11));
}

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
    std::size_t endLevelAt = kNone;             // the last EndLevel line of the current object
    std::vector<std::size_t> earlierLevelKeys;  // header level keys met before the first "Levels=" line

    std::size_t i = 0;
    while (i < lines.size()) {
        const bool header = headerPart.Enter(lines[i]);

        // The first "Levels=" line becomes the generated one; it and the generated lines below it stay.
        bool generatedLine = headerPart.generated();
        if (!headerDone && header && StartsWithNoCase(lines[i], "Levels=")) {
            generatedLine = true;
            // The header's level keys above it go as well.
            for (auto k = earlierLevelKeys.rbegin(); k != earlierLevelKeys.rend(); ++k) {
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*k));
                --i;
                if (endLevelAt != kNone && endLevelAt > *k) --endLevelAt;
            }
            std::size_t runEnd = i + 1;
            while (runEnd < lines.size() && BeginsLevelRun(lines[runEnd])) ++runEnd;
            headerPart.Removed(lines, i + 1, runEnd);
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i),
                        lines.begin() + static_cast<std::ptrdiff_t>(runEnd));
            const LineList generated = HeaderLines(levels);
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), generated.begin(), generated.end());
            headerPart.Generated(generated.size() - 1);
            headerDone = true;
        }

        if (useDictionary) {
            if (lines[i] == kHeaderEnd) {
                newDicLines = BuildDictionary(lists, newTables);
                dictionaryBuilt = true;
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1, newDicLines.begin(),
                             newDicLines.end());
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
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i),
                            lines.begin() + static_cast<std::ptrdiff_t>(end));
                continue;
            }
        }

        const std::string& line = lines[i];
        if (header && !generatedLine && IsLevelKey(line)) {
            if (headerDone) {
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            earlierLevelKeys.push_back(i);
        }
        if (StartsWith(line, ";")) {
            ++i;
            continue;
        }
        if (BeginsWithAny(line, {"[POI]", "[RGN10]", "[RGN20]"})) kind = ObjectKind::Poi;
        if (BeginsWithAny(line, {"[POLYLINE]", "[RGN40]"})) kind = ObjectKind::Polyline;
        if (BeginsWithAny(line, {"[POLYGON]", "[RGN80]"})) kind = ObjectKind::Polygon;
        if (StartsWith(line, "Type")) typeText = TypeTextOf(line);
        if (StartsWith(line, "EndLevel")) endLevelAt = i;

        if (BeginsWithAny(line, {"[END]", "[END-RGN10]", "[END-RGN20]", "[END-RGN40]", "[END-RGN80]"})) {
            if (kind) {
                const std::int32_t level =
                    lists.Of(*kind).GetTypeLevel(NormalisedTypeCode(*kind, ReadInteger(typeText)));
                std::string endLevel = "EndLevel=" + std::to_string(level);
                if (endLevelAt != kNone) {
                    lines[endLevelAt] = std::move(endLevel);
                } else {
                    // In front of the line above "[END]", then the index points at "[END]" again.
                    const std::size_t at = i == 0 ? 0 : i - 1;
                    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(endLevel));
                    ++i;
                    for (std::size_t& key : earlierLevelKeys) key += key >= at ? 1 : 0;
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
