#include "passes/FuzzHarness.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "bytes/Error.h"
#include "bytes/Integer.h"
#include "bytes/LineReader.h"
#include "bytes/Strings.h"
#include "grammar/MapSyntax.h"
#include "levels/Dictionary.h"
#include "levels/LevelConfig.h"
#include "passes/MapScan.h"
#include "passes/Process.h"
#include "passes/StreamFacts.h"
#include "support/MemorySource.h"
#include "types/TypeLists.h"
#include "types/TypeNames.h"

namespace stratex::fuzz {

namespace {

constexpr std::string_view kHeaderEnd = "[END-IMG ID]";
constexpr std::size_t kDictionaryLines = 38;
// The plain readings of the rules walk the input once per line; past this size they would dominate a
// fuzzing run, so larger inputs get the other checks only.
constexpr std::size_t kReferenceLineLimit = 2000;

void Require(bool holds, const char* what) {
    if (!holds) throw InvariantFailure(what);
}

// The message is built only when the rule is broken: most checks run once per line.
template <typename Message>
void Require(bool holds, Message&& message) {
    if (!holds) throw InvariantFailure(std::string(message()));
}

// A line for a failure message: printable ASCII kept, other bytes as \xNN, long lines cut.
std::string Show(std::string_view line) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : line.substr(0, 120)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '"' && c != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    out += line.size() > 120 ? "\"..." : "\"";
    return out;
}

std::vector<std::string_view> LinesOf(const MapText& text) {
    std::vector<std::string_view> lines;
    lines.reserve(static_cast<std::size_t>(text.LineCount()));
    for (MapText::Cursor cursor(text); !cursor.AtEnd(); cursor.Next()) lines.push_back(cursor.Line());
    return lines;
}

// A map's lines by the file rules: split at CR LF, LF and CR, every other byte kept (NUL included).
LineList SplitMapLines(std::string_view bytes) {
    LineList lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') {
            line += bytes[i];
            continue;
        }
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        lines.push_back(std::move(line));
        line.clear();
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

// The type name files every map input is scanned with: comments, an empty line, a line without "=",
// a key in upper case, an empty key and Windows-1251 names.
const TypeNameFiles& FixedNames() {
    static const TypeNameFiles names{
        SplitLines("0x2f06=Bank\r\n;comment\r\n\r\n0x0100=\xcc\xee\xf1\xea\xe2\xe0\r\n0X6401=Bridge\r\n"
                   "no key here\r\n0x0001=\r\n"),
        SplitLines("Polyline names\r\n0x01=Major road\r\n0x16=Trail\r\n;0x1f=River\r\n0x1F=River\r\n"),
        SplitLines("0x4a=Map area\r\n0x01=City\r\n=empty key\r\n0x4c=\xce\xe7\xe5\xf0\xee\r\n"),
    };
    return names;
}

// Dictionary tables that differ from the start-up ones, so that an unwanted change shows.
DictionaryTables PatternTables() {
    DictionaryTables tables;
    for (std::size_t i = 0; i < 256; ++i) {
        tables.dic10[i] = static_cast<std::int32_t>(i % 7);
        tables.dic40[i] = static_cast<std::int32_t>(i % 5) + 1;
        tables.dic80[i] = static_cast<std::int32_t>(i % 3) + 2;
    }
    return tables;
}

// Whether line begins with "Level" and a digit, letter case aside: a level line of the header part.
bool IsLevelLine(std::string_view line) {
    return line.size() > 5 && StartsWithNoCase(line, "level") && line[5] >= '0' && line[5] <= '9';
}

void CheckTextConsistent(const MapText& text, const char* what) {
    const std::string& buffer = text.Buffer();
    Require(buffer.empty() || buffer.back() == '\n',
            [&] { return std::string(what) + ": the last line has no line end"; });
    Require(buffer.find('\r') == std::string::npos, [&] { return std::string(what) + ": a CR remains in the text"; });
    const auto newlines = static_cast<std::uint64_t>(std::count(buffer.begin(), buffer.end(), '\n'));
    Require(text.LineCount() == newlines, [&] {
        return std::string(what) + ": LineCount " + std::to_string(text.LineCount()) + " but " +
               std::to_string(newlines) + " line ends";
    });
    std::uint64_t i = 0;
    for (MapText::Cursor cursor(text); !cursor.AtEnd(); cursor.Next(), ++i) {
        Require(cursor.index() == i,
                [&] { return std::string(what) + ": the cursor index skips at line " + std::to_string(i); });
        // Line(i) walks from the nearest index entry, so lines next to an entry and a spread of others show
        // whether the index is right; every line would cost the walk's length over again.
        const std::uint64_t step = i % 64;
        if (step < 2 || step > 61 || i % 13 == 0) {
            Require(text.Line(i) == cursor.Line(), [&] {
                return std::string(what) + ": Line(" + std::to_string(i) + ") is " + Show(text.Line(i)) +
                       ", the cursor gives " + Show(cursor.Line());
            });
        }
        // A cursor started in the middle must agree with the walk from the start.
        if (i % 61 == 7) {
            Require(MapText::Cursor(text, i).Line() == cursor.Line(), [&] {
                return std::string(what) + ": a cursor started at line " + std::to_string(i) + " disagrees";
            });
        }
    }
    Require(i == text.LineCount(),
            [&] { return std::string(what) + ": the cursor walks " + std::to_string(i) + " lines"; });
    Require(text.Line(text.LineCount()).empty(),
            [&] { return std::string(what) + ": a line past the end is not empty"; });
}

// The value of a code "0x" and one to eight hexadecimal digits, read as 32 bits.
std::optional<std::uint32_t> HexCodeValue(std::string_view code) {
    if (!StartsWith(code, "0x") || code.size() < 3 || code.size() > 10) return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(code.data() + 2, code.data() + code.size(), value, 16);
    if (ec != std::errc() || end != code.data() + code.size()) return std::nullopt;
    return value;
}

// ---- map ------------------------------------------------------------------------------------------------

struct ScanCheck {
    const LineList& lines;
    const ScanResult& scan;
    bool useDictionary;
    const DictionaryTables& before;
    const DictionaryTables& after;
    int sortColumn;
};

void CheckScanResult(const ScanCheck& c) {
    const std::string option = c.useDictionary ? " (dictionary option on)" : " (dictionary option off)";
    const auto headerEnd = std::find_if(c.lines.begin(), c.lines.end(),
                                        [](const std::string& line) { return Contains(line, kHeaderEnd); });
    const bool polish = headerEnd != c.lines.end();
    Require(c.scan.isPolishMap == polish,
            [&] { return "isPolishMap disagrees with the \"[END-IMG ID]\" lines" + option; });
    if (!c.useDictionary) Require(c.before == c.after, "a scan without the dictionary option changed the tables");

    // One row per level line of the header part, which runs through the first "[END-IMG ID]" line.
    std::vector<std::string_view> keys;
    const auto headerStop = polish ? headerEnd + 1 : c.lines.end();
    for (auto it = c.lines.begin(); it != headerStop; ++it) {
        if (IsLevelLine(*it)) keys.push_back(KeyOf(*it));
    }
    const auto& rows = c.scan.levels.rows();
    Require(rows.size() == keys.size(), [&] {
        return "the scan made " + std::to_string(rows.size()) + " level rows from " + std::to_string(keys.size()) +
               " level lines" + option;
    });
    for (std::size_t i = 0; i < keys.size(); ++i) {
        Require(rows[i].key == keys[i], [&] {
            return "level row " + std::to_string(i) + " has the key " + Show(rows[i].key) + ", the line has " +
                   Show(keys[i]);
        });
    }

    for (const ObjectKind kind : kAllKinds) {
        const TypeList& list = c.scan.lists.Of(kind);
        const std::string name = std::string(TypeNameFileName(kind)) + " list";
        if (!polish) Require(list.empty(), [&] { return name + " is not empty for a text that is no Polish map"; });
        std::unordered_set<std::string_view> codes;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const TypeRow& row = list[i];
            Require(codes.insert(row.code).second,
                    [&] { return name + " holds the code " + Show(row.code) + " twice"; });
            const std::optional<std::uint32_t> value = HexCodeValue(row.code);
            Require(value && NormalisedTypeCode(kind, static_cast<std::int32_t>(*value)) == row.code,
                    [&] { return name + " holds the code " + Show(row.code) + ", which is not normalised"; });
            Require(row.name == LookupTypeName(FixedNames().Of(kind), row.code),
                    [&] { return name + ": the row of " + Show(row.code) + " has the wrong name " + Show(row.name); });
            Require(!row.addedByShowAll, [&] { return name + ": a scanned row is marked as added by Show All"; });
            if (i > 0) {
                Require(POIListViewCompare(list[i - 1], row, c.sortColumn) <= 0,
                        [&] { return name + " is not sorted at row " + std::to_string(i); });
            }
            // Each listed type was counted: its objects are those with an EndLevel line and those without.
            const auto figures = c.scan.figures.Of(kind).find(row.code);
            Require(figures != c.scan.figures.Of(kind).end(),
                    [&] { return name + ": no figures for the listed type " + Show(row.code); });
            std::uint64_t counted = figures->second.withoutEndLevel;
            for (const auto& [text, objects] : figures->second.endLevels) counted += objects;
            Require(figures->second.objects > 0 && counted == figures->second.objects,
                    [&] { return name + ": the figures of " + Show(row.code) + " do not add up"; });
        }
        Require(c.scan.figures.Of(kind).size() == list.size(),
                [&] { return name + ": figures for a type that is not listed"; });
    }
}

// The lines a successful Process may write that were not in the map: the level header from levels.
std::unordered_set<std::string> HeaderLinesOf(const LevelsTable& levels) {
    std::unordered_set<std::string> lines;
    lines.insert("Levels=" + std::to_string(levels.size()));
    for (std::size_t k = 0; k < levels.size(); ++k) {
        const LevelRow& row = levels.rows()[k];
        lines.insert(row.key + "=" + LeadingBits(levels.ValueOfKey(row.key)));
        lines.insert("Zoom" + std::to_string(k) + "=" + std::to_string(k));
    }
    return lines;
}

bool IsEndLevelLine(std::string_view line) {
    constexpr std::string_view kKey = "EndLevel=";
    if (!StartsWith(line, kKey)) return false;
    const std::string_view number = line.substr(kKey.size());
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    return ec == std::errc() && end == number.data() + number.size() && std::to_string(value) == number;
}

// The lines that Process without the dictionary option must keep, in order: all but those beginning with
// "EndLevel" and, in the header part (through the first line holding "[END-IMG ID]"), those beginning with
// "Level" or "Zoom" in any letter case. With generated (the level header that Process writes, count lines),
// the lines of that header are left out as well, from the first "Levels=" line of the header part on:
// a level row's key need not begin with "Level" (a level line without "=" has the empty key).
std::vector<std::string_view> KeptLines(const std::vector<std::string_view>& lines,
                                        const std::unordered_set<std::string>* generated = nullptr,
                                        std::size_t count = 0) {
    std::vector<std::string_view> kept;
    bool header = true;
    bool blockSeen = false;
    std::size_t toSkip = 0;
    for (const std::string_view line : lines) {
        if (generated && header && !blockSeen && StartsWithNoCase(line, "Levels=")) {
            blockSeen = true;
            toSkip = count;
        }
        const bool inBlock = toSkip > 0 && generated->count(std::string(line)) > 0;
        if (inBlock) --toSkip;
        const bool levelKey = StartsWithNoCase(line, "Level") || StartsWithNoCase(line, "Zoom");
        if (!inBlock && !StartsWith(line, "EndLevel") && !(header && levelKey)) kept.push_back(line);
        if (Contains(line, kHeaderEnd)) header = false;
    }
    return kept;
}

void RunProcess(const MapText& text, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                const DictionaryTables& tables) {
    const std::string option = useDictionary ? " (dictionary option on)" : " (dictionary option off)";
    MapText work = text;
    DictionaryTables workTables = tables;
    const LineList oldDicLines = {"; the dictionary of an earlier Process"};
    LineList dicLines = oldDicLines;
    try {
        ProcessMap(work, levels, lists, useDictionary, workTables, dicLines);
    } catch (const Error&) {
        Require(work.Buffer() == text.Buffer() && work.LineCount() == text.LineCount(),
                [&] { return "a failed Process changed the map text" + option; });
        Require(workTables == tables, [&] { return "a failed Process changed the dictionary tables" + option; });
        Require(dicLines == oldDicLines, [&] { return "a failed Process changed the dictionary lines" + option; });
        return;
    }
    if (!useDictionary) {
        Require(workTables == tables, "Process without the dictionary option changed the tables");
        Require(dicLines == oldDicLines, "Process without the dictionary option changed the dictionary lines");
    }
    // A dictionary is generated at each "[END-IMG ID]" line that Process keeps; an old dictionary section
    // that runs over that line takes it away.
    const std::vector<std::string_view> lines = LinesOf(work);
    const bool generates = useDictionary && std::find(lines.begin(), lines.end(), kHeaderEnd) != lines.end();
    if (generates) {
        Require(dicLines != oldDicLines && dicLines.size() == kDictionaryLines,
                "Process kept \"[END-IMG ID]\" but did not generate a dictionary of 38 lines");
    }
    CheckProcessOutput({text, work, levels, generates ? dicLines : LineList{}, useDictionary});
}

// The lists with a caption that is no number on the first row of each: Process fails at an object of
// that type.
TypeLists Poisoned(TypeLists lists) {
    for (const ObjectKind kind : kAllKinds) {
        if (!lists.Of(kind).empty()) lists.Of(kind).SetLevel(0, "x");
    }
    return lists;
}

// ---- level config ----------------------------------------------------------------------------------------

// Rows as a scan and Show All could leave them: codes of several lengths, one longer than a config name
// can reach, the same code in two letter cases, a row added by Show All, and an empty code.
TypeLists ConfigRows() {
    TypeLists lists;
    lists.poi.AddTypeRow("0x2f06", "Bank", "1");
    lists.poi.AddTypeRow("0x0100", "City", "2");
    lists.poi.AddTypeRow("0x2F06", "Bank again", "3", true);
    lists.poi.AddTypeRow("0x12345678", "Long", "4");
    lists.poi.AddTypeRow("0x10f04", "Extended", "5");
    lists.poi.AddTypeRow("0x10f0", "Cut", "6");
    lists.polyline.AddTypeRow("0x01", "Road", "1");
    lists.polyline.AddTypeRow("0x16", "Trail", "abc");
    lists.polyline.AddTypeRow("", "No code", "5", true);
    lists.polygon.AddTypeRow("0x4a", "Area", "0");
    lists.polygon.AddTypeRow("0x01", "City", "1");
    return lists;
}

// Rows that a level config file can reach one to one: codes of up to four digits or extended ones (five),
// distinct in any letter case.
TypeLists DistinctConfigRows() {
    TypeLists lists;
    lists.poi.AddTypeRow("0x2f06", "Bank", "1");
    lists.poi.AddTypeRow("0x0100", "City", "2");
    lists.poi.AddTypeRow("0x10f04", "Extended", "3");
    lists.polyline.AddTypeRow("0x01", "Road", "1");
    lists.polyline.AddTypeRow("0x16", "Trail", "2");
    lists.polygon.AddTypeRow("0x4a", "Area", "0");
    return lists;
}

// ApplyConfigLines read plainly from its contract, one line at a time.
void ApplyConfigReference(TypeLists& lists, const LineList& lines) {
    for (const std::string& line : lines) {
        const std::string_view name = KeyOf(line);
        if (name.empty()) continue;
        std::optional<ObjectKind> kind;
        for (const ObjectKind k : kAllKinds) {
            if (ConfigLetter(k) == name.front()) kind = k;
        }
        if (!kind) continue;
        TypeList& list = lists.Of(*kind);
        // Seven characters for a letter, "0x" and exactly five lower-case hexadecimal digits; else six.
        const bool extended = name.size() == 8 && name.substr(1, 2) == "0x" &&
                              std::all_of(name.begin() + 3, name.end(),
                                          [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
        const std::string_view code = name.substr(1, extended ? 7 : 6);
        std::optional<std::size_t> row;
        for (std::size_t i = 0; i < list.size() && !row; ++i) {
            if (list[i].code == code) row = i;
        }
        if (!row) continue;
        for (const std::string& first : lines) {
            if (HasKey(first) && EqualsNoCase(KeyOf(first), name)) {
                list.SetLevel(*row, std::string(ValueOf(first)));
                break;
            }
        }
    }
}

void CheckSameRows(const TypeLists& actual, const TypeLists& expected, const std::string& what) {
    for (const ObjectKind kind : kAllKinds) {
        const auto& a = actual.Of(kind).rows();
        const auto& e = expected.Of(kind).rows();
        Require(a.size() == e.size(), [&] {
            return what + ": the " + std::string(TypeNameFileName(kind)) + " list has " + std::to_string(a.size()) +
                   " rows, expected " + std::to_string(e.size());
        });
        for (std::size_t i = 0; i < a.size(); ++i) {
            Require(a[i] == e[i], [&] {
                return what + ": " + std::string(TypeNameFileName(kind)) + " row " + std::to_string(i) + " is " +
                       Show(a[i].level) + "|" + Show(a[i].code) + ", expected " + Show(e[i].level) + "|" +
                       Show(e[i].code);
            });
        }
    }
}

// ---- type name files -------------------------------------------------------------------------------------

// Rows as a scan leaves them, sorted by code; some codes are spelled as the fuzzer's inputs often do.
TypeLists ScannedRows() {
    TypeLists lists;
    lists.poi.AddTypeRow("0x0100", "City", "2");
    lists.poi.AddTypeRow("0x2f06", "Bank", "1");
    lists.polyline.AddTypeRow("0x01", "Road", "3");
    lists.polyline.AddTypeRow("0x16", "Trail", "1");
    lists.polygon.AddTypeRow("0x4a", "Area", "0");
    return lists;
}

std::string LookupReference(const LineList& lines, std::string_view code) {
    for (const std::string& line : lines) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && EqualsNoCase(std::string_view(line).substr(0, eq), code)) {
            return line.substr(eq + 1);
        }
    }
    return {};
}

// The codes Show All must append to list from lines, in order.
std::vector<std::string> ExpectedShowAllCodes(const TypeList& list, const LineList& lines, std::size_t firstLine) {
    std::unordered_set<std::string> listed;
    for (const TypeRow& row : list.rows()) listed.insert(row.code);
    std::vector<std::string> codes;
    for (std::size_t i = firstLine; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i].front() == ';') continue;
        std::string code(KeyOf(lines[i]));
        if (listed.insert(code).second) codes.push_back(std::move(code));
    }
    return codes;
}

}  // namespace

std::string_view TargetName(Target target) {
    switch (target) {
        case Target::Config:
            return "config";
        case Target::Names:
            return "names";
        case Target::Map:
            break;
    }
    return "map";
}

void CheckTextMatchesLines(const MapText& text, const LineList& lines) {
    CheckTextConsistent(text, "loaded text");
    Require(text.LineCount() == lines.size(), [&] {
        return "the text has " + std::to_string(text.LineCount()) + " lines, the file rules give " +
               std::to_string(lines.size());
    });
    std::size_t i = 0;
    for (MapText::Cursor cursor(text); !cursor.AtEnd() && i < lines.size(); cursor.Next(), ++i) {
        Require(cursor.Line() == lines[i], [&] {
            return "line " + std::to_string(i) + " is " + Show(cursor.Line()) + ", the file rules give " +
                   Show(lines[i]);
        });
    }
    Require(text.ToCrLf() == JoinLinesCrLf(lines), "the CR LF form differs from the lines joined with CR LF");
}

void CheckProcessOutput(const ProcessOutcome& o) {
    const std::string option = o.useDictionary ? " (dictionary option on)" : " (dictionary option off)";
    CheckTextConsistent(o.after, ("processed text" + option).c_str());

    const std::vector<std::string_view> before = LinesOf(o.before);
    const std::vector<std::string_view> after = LinesOf(o.after);
    const std::unordered_set<std::string_view> inputLines(before.begin(), before.end());
    const std::unordered_set<std::string> headerLines = HeaderLinesOf(o.levels);
    const std::unordered_set<std::string_view> dictionaryLines(o.dicLines.begin(), o.dicLines.end());
    for (std::size_t i = 0; i < after.size(); ++i) {
        const std::string_view line = after[i];
        const bool known = inputLines.count(line) || IsEndLevelLine(line) || headerLines.count(std::string(line)) ||
                           (o.useDictionary && dictionaryLines.count(line));
        Require(known, [&] {
            return "processed line " + std::to_string(i) + " " + Show(line) +
                   " is neither a map line nor one that Process writes" + option;
        });
    }

    std::uint64_t objectEnds = 0;
    std::uint64_t headerEnds = 0;
    for (const std::string_view line : before) {
        objectEnds += Contains(line, "[END");  // "[END]" and the old "[END-RGNnn]" (a bound: other markers count too)
        headerEnds += line == kHeaderEnd;
    }
    // A level line whose key holds an end marker comes back in the header and may end an object once more.
    const std::uint64_t header = 1 + 3 * static_cast<std::uint64_t>(o.levels.size());
    const std::uint64_t bound =
        before.size() + objectEnds + header + (o.useDictionary ? kDictionaryLines * headerEnds : 0);
    Require(after.size() <= bound, [&] {
        return "Process wrote " + std::to_string(after.size()) + " lines from " + std::to_string(before.size()) +
               ", more than the " + std::to_string(bound) + " it can add" + option;
    });

    if (o.useDictionary) return;
    // Without the dictionary option every byte of the map survives but on EndLevel lines and the header's
    // level lines, NUL bytes included. That holds while the header part ends at the same line before and
    // after: no generated header line holds "[END-IMG ID]" and the map's own such line is no level line.
    for (const std::string& line : headerLines) {
        if (Contains(line, kHeaderEnd)) return;
    }
    const auto headerEnd =
        std::find_if(before.begin(), before.end(), [](std::string_view line) { return Contains(line, kHeaderEnd); });
    if (headerEnd != before.end() && (StartsWithNoCase(*headerEnd, "Level") || StartsWithNoCase(*headerEnd, "Zoom"))) {
        return;
    }
    const std::vector<std::string_view> expected = KeptLines(before);
    const std::vector<std::string_view> actual = KeptLines(after, &headerLines, 1 + 2 * o.levels.size());
    const auto mismatch = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    Require(mismatch.first == expected.end() && mismatch.second == actual.end(), [&] {
        return "the map changed beyond its EndLevel and header level lines at its kept line " +
               std::to_string(mismatch.first - expected.begin()) + ": " +
               (mismatch.first == expected.end() ? std::string("(end)") : Show(*mismatch.first)) + " became " +
               (mismatch.second == actual.end() ? std::string("(end)") : Show(*mismatch.second));
    });
}

void CheckLineReader(std::string_view bytes, std::size_t capacity, std::size_t chunk) {
    const std::string where = " (buffer " + std::to_string(capacity) + ", reads of " + std::to_string(chunk) + ")";
    // The file rules read plainly, every byte kept.
    std::vector<std::pair<std::string_view, LineEnd>> expected;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        const bool crLf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
        expected.emplace_back(bytes.substr(start, i - start), crLf               ? LineEnd::kCrLf
                                                              : bytes[i] == '\r' ? LineEnd::kCr
                                                                                 : LineEnd::kLf);
        i += crLf ? 1 : 0;
        start = i + 1;
    }
    if (start < bytes.size()) expected.emplace_back(bytes.substr(start), LineEnd::kNone);

    MemorySource source(bytes, chunk);
    LineReader reader(source, capacity);
    LineReader::Line line;
    std::size_t i = 0;
    do {
        while (reader.Next(line)) {
            Require(i < expected.size(),
                    [&] { return "the line reader gives more lines than the text holds" + where; });
            Require(line.text == expected[i].first && line.end == expected[i].second &&
                        line.offset == static_cast<std::uint64_t>(expected[i].first.data() - bytes.data()),
                    [&] {
                        return "the line reader gives line " + std::to_string(i) + " as " + Show(line.text) +
                               ", the text holds " + Show(expected[i].first) + where;
                    });
            ++i;
        }
    } while (reader.Fill());
    Require(i == expected.size(), [&] { return "the line reader gives " + std::to_string(i) + " lines" + where; });
}

namespace {

// The outcome of a pass for comparison: the failure's message, or empty.
template <typename Pass>
std::string FailureOf(Pass&& pass) {
    try {
        pass();
    } catch (const Error& e) {
        return std::string("failure: ") + e.what();
    }
    return {};
}

void RequireSameLists(const TypeLists& streamed, const TypeLists& held, const std::string& where) {
    for (const ObjectKind kind : kAllKinds) {
        Require(streamed.Of(kind).rows() == held.Of(kind).rows(), [&] {
            return "the streamed scan gives other " + std::string(TypeNameFileName(kind)) + " rows" + where;
        });
    }
}

}  // namespace

void CheckStreamedPasses(std::string_view bytes, const MapText& text, bool useDictionary, std::size_t bufferSize) {
    const std::string where = std::string(useDictionary ? " (dictionary option on" : " (dictionary option off") +
                              ", buffer " + std::to_string(bufferSize) + ")";
    const int sortColumn = static_cast<int>(bytes.size() % 3);
    DictionaryTables heldTables = PatternTables();
    DictionaryTables streamedTables = heldTables;
    std::optional<ScanResult> held, streamed;
    StreamFacts facts;
    const std::string heldFailure =
        FailureOf([&] { held = ScanMap(text, FixedNames(), useDictionary, heldTables, sortColumn); });
    const std::string streamedFailure = FailureOf([&] {
        MemorySource source(bytes, 1 + bytes.size() % 7);
        streamed = ScanMapStream(source, FixedNames(), useDictionary, streamedTables, sortColumn, facts, bufferSize);
    });
    Require(streamedFailure == heldFailure, [&] {
        return "the streamed scan ends with " + Show(streamedFailure) + ", not " + Show(heldFailure) + where;
    });
    if (!held) return;
    // The window's scan: the loaded text read where it stands, as it grows.
    {
        DictionaryTables loadedTables = PatternTables();
        std::optional<ScanResult> loaded;
        StreamFacts unused;
        const std::string loadedFailure = FailureOf([&] {
            GrowingBlock source(text.Buffer(), 1 + bytes.size() % 13);
            loaded = ScanMapStream(source, FixedNames(), useDictionary, loadedTables, sortColumn, unused, bufferSize);
        });
        Require(loadedFailure == heldFailure && loadedTables == heldTables &&
                    loaded->isPolishMap == held->isPolishMap && loaded->levels.rows() == held->levels.rows() &&
                    loaded->figures.types == held->figures.types,
                [&] { return "the scan of the loaded text differs from the scan of the text" + where; });
        RequireSameLists(loaded->lists, held->lists, where);
    }
    Require(streamed->isPolishMap == held->isPolishMap && streamed->levels.rows() == held->levels.rows() &&
                streamedTables == heldTables && streamed->figures.types == held->figures.types &&
                streamed->figures.hasDictionary == held->figures.hasDictionary &&
                streamed->figures.hasLevelsLine == held->figures.hasLevelsLine,
            [&] { return "the streamed scan gives other levels, tables or figures" + where; });
    RequireSameLists(streamed->lists, held->lists, where);

    // Process with a list of every type, so that the levels vary.
    TypeLists lists = held->lists;
    ShowAllObjects(lists, FixedNames());
    MapText heldText = text;
    LineList heldDicLines = {"; earlier"};
    LineList streamedDicLines = heldDicLines;
    DictionaryTables processedTables = heldTables;
    StringSink sink;
    const std::string heldProcess =
        FailureOf([&] { ProcessMap(heldText, held->levels, lists, useDictionary, processedTables, heldDicLines); });
    const std::string streamedProcess = FailureOf([&] {
        MemorySource source(bytes, 1 + bytes.size() % 5);
        ProcessMapStream(source, facts, held->levels, lists, useDictionary, streamedTables, streamedDicLines, sink,
                         bufferSize);
    });
    if (!useDictionary) {
        // In parts walked side by side: the same bytes, or the same failure at the same line.
        const auto streamedOutcome = [&](std::size_t segmentSize) {
            MemorySource source(bytes, 1 + bytes.size() % 5);
            StringSink out;
            LineList dicLines = {"; earlier"};
            DictionaryTables tables = heldTables;
            try {
                if (segmentSize == 0) {
                    ProcessMapStream(source, facts, held->levels, lists, false, tables, dicLines, out, bufferSize);
                } else {
                    ProcessMapParts(TextParts(bytes), facts, held->levels, lists, false, tables, dicLines, out, nullptr,
                                    segmentSize);
                }
            } catch (const Error& e) {
                return "failure at line " + std::to_string(e.line()) + ": " + e.what();
            }
            return out.bytes;
        };
        Require(streamedOutcome(1 + bytes.size() % 41) == streamedOutcome(0),
                [&] { return "Process in segments differs from the streamed Process in one" + where; });
    }
    if (!useDictionary && bufferSize == 1) {
        // The text in memory walked in segments side by side: the same text, or the same failure at the same
        // line.
        const auto outcome = [&](MapText processed, std::size_t segmentSize) {
            LineList dicLines = {"; earlier"};
            DictionaryTables tables = heldTables;
            try {
                ProcessMap(processed, held->levels, lists, false, tables, dicLines, nullptr, nullptr, segmentSize);
            } catch (const Error& e) {
                return "failure at line " + std::to_string(e.line()) + ": " + e.what();
            }
            return processed.Buffer();
        };
        Require(outcome(text, 1 + bytes.size() % 41) == outcome(text, 0),
                [&] { return "Process in memory in segments differs from Process in one walk" + where; });
    }
    Require(streamedProcess == heldProcess, [&] {
        return "the streamed Process ends with " + Show(streamedProcess) + ", not " + Show(heldProcess) + where;
    });
    if (!heldProcess.empty()) return;
    const std::string expected = heldText.ToCrLf();
    Require(sink.bytes == expected, [&] {
        const auto at = std::mismatch(sink.bytes.begin(), sink.bytes.end(), expected.begin(), expected.end());
        const auto offset = static_cast<std::size_t>(at.first - sink.bytes.begin());
        return "the streamed Process writes " + Show(std::string_view(sink.bytes).substr(offset, 40)) + " at byte " +
               std::to_string(offset) + ", the saved map has " + Show(std::string_view(expected).substr(offset, 40)) +
               where;
    });
    Require(streamedTables == processedTables && streamedDicLines == heldDicLines,
            [&] { return "the streamed Process leaves other tables or dictionary lines" + where; });
}

void RunMapInput(std::string_view bytes) {
    const LineList lines = SplitMapLines(bytes);
    const MapText text = MapText::FromBytes(std::string(bytes));
    CheckTextMatchesLines(text, lines);
    // Buffer and read boundaries at every small offset, and at offsets that vary with the input.
    const std::size_t varied = bytes.empty() ? 1 : 1 + static_cast<unsigned char>(bytes.front()) % 97;
    for (const std::size_t capacity : {std::size_t{1}, std::size_t{2}, std::size_t{3}, varied, bytes.size() + 1}) {
        CheckLineReader(bytes, capacity, 1 + bytes.size() % 5);
    }
    for (const bool useDictionary : {false, true}) {
        for (const std::size_t bufferSize : {std::size_t{1}, std::size_t{3}, varied, std::size_t{4096}}) {
            CheckStreamedPasses(bytes, text, useDictionary, bufferSize);
        }
    }
    Require(MapText::FromNormalised(text.Buffer()).Buffer() == text.Buffer(),
            "adopting a normalised buffer changed it");
    // The window's loading: the text normalised part by part as it is read.
    {
        MapText::Builder builder(bytes.size() + 1);
        const std::size_t part = 1 + bytes.size() % 11;
        for (std::size_t at = 0; at < bytes.size(); at += part) {
            const std::size_t n = std::min(part, bytes.size() - at);
            std::memcpy(builder.Room(n), bytes.data() + at, n);
            builder.Add(n);
        }
        const MapText built = builder.Finish();
        Require(built.Buffer() == text.Buffer() && built.LineCount() == text.LineCount() &&
                    (text.LineCount() == 0 || built.Line(text.LineCount() - 1) == text.Line(text.LineCount() - 1)),
                "the text built part by part differs from the text built whole");
    }

    // The sort column varies with the input so that every column's order is checked now and then.
    const int sortColumn = static_cast<int>(bytes.size() % 3);
    for (const bool useDictionary : {false, true}) {
        const DictionaryTables before = PatternTables();
        DictionaryTables tables = before;
        std::optional<ScanResult> scan;
        try {
            scan = ScanMap(text, FixedNames(), useDictionary, tables, sortColumn);
        } catch (const Error&) {
            Require(tables == before, "a failed scan changed the dictionary tables");
            continue;
        }
        CheckScanResult({lines, *scan, useDictionary, before, tables, sortColumn});

        if (!useDictionary) {
            RunProcess(text, scan->levels, scan->lists, false, tables);
            RunProcess(text, scan->levels, scan->lists, true, tables);
        } else {
            TypeLists withAll = scan->lists;
            ShowAllObjects(withAll, FixedNames());
            RunProcess(text, scan->levels, withAll, true, tables);
            RunProcess(text, scan->levels, Poisoned(scan->lists), false, tables);
        }
    }
}

void RunConfigInput(std::string_view bytes) {
    const LineList lines = SplitLines(bytes);

    TypeLists lists = ConfigRows();
    ApplyConfigLines(lists, lines);
    // Only captions change: codes, names, icons, marks and order stay.
    TypeLists restored = lists;
    const TypeLists original = ConfigRows();
    for (const ObjectKind kind : kAllKinds) {
        for (std::size_t i = 0; i < restored.Of(kind).size() && i < original.Of(kind).size(); ++i) {
            restored.Of(kind).SetLevel(i, original.Of(kind)[i].level);
        }
    }
    CheckSameRows(restored, original, "ApplyConfigLines changed more than captions");
    if (lines.size() <= kReferenceLineLimit) {
        TypeLists expected = ConfigRows();
        ApplyConfigReference(expected, lines);
        CheckSameRows(lists, expected, "ApplyConfigLines");
    }

    // Round trip: the lines written for rows that a config file reaches one to one give their captions back,
    // also after the file's CR LF text is read again.
    TypeLists distinct = DistinctConfigRows();
    ApplyConfigLines(distinct, lines);
    const LineList written = BuildConfigLines(distinct);
    const LineList reread = SplitLines(JoinLinesCrLf(written));
    Require(reread == written, "the written config lines do not read back as the same lines");
    TypeLists cleared = DistinctConfigRows();
    for (const ObjectKind kind : kAllKinds) {
        for (std::size_t i = 0; i < cleared.Of(kind).size(); ++i) cleared.Of(kind).SetLevel(i, "unset");
    }
    ApplyConfigLines(cleared, reread);
    CheckSameRows(cleared, distinct, "config round trip");
}

void RunNamesInput(std::string_view bytes) {
    const LineList lines = SplitLines(bytes);

    std::vector<std::string> probes = {"0x2f06", "0x2F06", "0x01", "", "0x4a", "=", ";"};
    for (std::size_t i = 0; i < lines.size() && i < 24; ++i) {
        probes.emplace_back(KeyOf(lines[i]));
        probes.push_back(AsciiLowerCopy(KeyOf(lines[i])));
    }
    if (lines.size() <= kReferenceLineLimit) {
        for (const std::string& code : probes) {
            Require(LookupTypeName(lines, code) == LookupReference(lines, code),
                    [&] { return "LookupTypeName of " + Show(code) + " gives " + Show(LookupTypeName(lines, code)); });
        }
    }

    // The name of each key as its first line gives it, found once for all rows.
    std::unordered_map<std::string, std::string_view> firstNames;
    for (const std::string& line : lines) {
        if (HasKey(line)) firstNames.emplace(AsciiLowerCopy(KeyOf(line)), ValueOf(line));
    }
    const TypeNameFiles names{lines, lines, lines};
    const TypeLists original = ScannedRows();
    TypeLists lists = original;
    ShowAllObjects(lists, names);
    for (const ObjectKind kind : kAllKinds) {
        const TypeList& list = lists.Of(kind);
        const TypeList& before = original.Of(kind);
        const std::string name = std::string(TypeNameFileName(kind)) + " list";
        Require(list.size() >= before.size(), [&] { return name + " lost rows to Show All"; });
        for (std::size_t i = 0; i < before.size(); ++i) {
            Require(list[i] == before[i],
                    [&] { return name + ": Show All changed the map's row " + std::to_string(i); });
        }
        const std::vector<std::string> codes =
            ExpectedShowAllCodes(before, lines, kind == ObjectKind::Polyline ? 1 : 0);
        Require(list.size() - before.size() == codes.size(), [&] {
            return name + ": Show All added " + std::to_string(list.size() - before.size()) + " rows, expected " +
                   std::to_string(codes.size());
        });
        for (std::size_t i = 0; i < codes.size(); ++i) {
            const TypeRow& row = list[before.size() + i];
            Require(row.code == codes[i] && row.level == "0" && row.addedByShowAll, [&] {
                return name + ": added row " + std::to_string(i) + " is " + Show(row.code) + ", expected " +
                       Show(codes[i]);
            });
            const auto found = firstNames.find(AsciiLowerCopy(row.code));
            const std::string_view expected = found == firstNames.end() ? std::string_view() : found->second;
            Require(row.name == expected,
                    [&] { return name + ": added row " + Show(row.code) + " has the name " + Show(row.name); });
        }
    }
    RemoveShowAllRows(lists);
    CheckSameRows(lists, original, "Show All switched off");

    // After a sort the map's rows stay in the order the same sort gives them on their own.
    const int sortColumn = static_cast<int>(bytes.size() % 3);
    ShowAllObjects(lists, names);
    lists.SortAll(sortColumn);
    RemoveShowAllRows(lists);
    TypeLists expected = original;
    expected.SortAll(sortColumn);
    CheckSameRows(lists, expected, "Show All switched off after a sort");
    for (const ObjectKind kind : kAllKinds) {
        for (std::size_t i = 0; i < lists.Of(kind).size(); ++i) {
            Require(lists.Of(kind).IsTypeListed(lists.Of(kind)[i].code), "a remaining row's code is not listed");
        }
    }
}

void RunInput(Target target, std::string_view bytes) {
    switch (target) {
        case Target::Map:
            RunMapInput(bytes);
            return;
        case Target::Config:
            RunConfigInput(bytes);
            return;
        case Target::Names:
            RunNamesInput(bytes);
            return;
    }
}

void RunOrAbort(Target target, const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        RunInput(target, bytes);
    } catch (const InvariantFailure& failure) {
        std::fprintf(stderr, "\n%s: broken rule: %s\n", std::string(TargetName(target)).c_str(), failure.what());
        std::abort();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "\n%s: unexpected exception: %s\n", std::string(TargetName(target)).c_str(), e.what());
        std::abort();
    }
}

}  // namespace stratex::fuzz
