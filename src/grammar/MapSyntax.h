#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>

#include "grammar/ObjectKind.h"

namespace stratex {

// The map grammar: what a line of a map is. Every pass over a map (the scan, Process, the checker, the
// geometry reader) asks here, through the ObjectTracker, and keeps only its own state. All tests are byte comparisons
// with letter case counting unless a function says otherwise.
namespace mapsyntax {

// The header part is the section this marker opens (where a map has one), up to the line that ends it.
inline constexpr std::string_view kHeaderStart = "[IMG ID]";
// The header part ends with the first line that contains this marker.
inline constexpr std::string_view kHeaderEnd = "[END-IMG ID]";

// The offset of the marker that ends the header part in text (a line, or a stretch of whole lines: the line
// that holds the first one ends the header part), or npos.
inline std::size_t FindHeaderEnd(std::string_view text) { return text.find(kHeaderEnd); }

// True when line (or a part of it) holds the marker that ends the header part.
inline bool EndsHeaderPart(std::string_view line) { return FindHeaderEnd(line) != std::string_view::npos; }

// Process puts the generated dictionary behind a line that is the marker and nothing else. A line that
// merely holds the marker (with a blank or a comment behind it) still ends the header part, but takes no
// dictionary: the two rules differ on purpose.
inline bool IsDictionaryPlace(std::string_view line) { return line == kHeaderEnd; }
// A dictionary section begins at a line that contains this marker, and ends at one that contains the end
// marker (in any case; see the two readings below).
inline constexpr std::string_view kDictionaryStart = "[DICTIONARY]";
inline constexpr std::string_view kDictionaryEnd = "[END-DICTIONARY]";

// True when line begins a dictionary section: it contains the start marker, letter case counting. bracket is
// the offset of its first "[" or npos (a line without one begins none); a line too short to hold the marker
// behind its "[" (the openers, "[END]") is not searched.
inline bool BeginsDictionary(std::string_view line, std::size_t bracket) {
    return bracket != std::string_view::npos && line.size() - bracket >= kDictionaryStart.size() &&
           line.substr(bracket).find(kDictionaryStart) != std::string_view::npos;
}

// The section openers: a line that begins with one opens an object of its kind. "[RGN10]" to "[RGN80]" are
// the format's older names.
struct Opener {
    std::string_view marker;
    ObjectKind kind;
};
inline constexpr Opener kOpeners[] = {{"[POI]", ObjectKind::Poi},         {"[POLYLINE]", ObjectKind::Polyline},
                                      {"[POLYGON]", ObjectKind::Polygon}, {"[RGN10]", ObjectKind::Poi},
                                      {"[RGN20]", ObjectKind::Poi},       {"[RGN40]", ObjectKind::Polyline},
                                      {"[RGN80]", ObjectKind::Polygon}};
// A line that begins with one of these ends an object, whatever kind it has.
inline constexpr std::string_view kObjectEnds[] = {"[END]", "[END-RGN10]", "[END-RGN20]", "[END-RGN40]", "[END-RGN80]"};

// What one line is; at most one of the flags holds. Every test is made at the line start: a key or marker
// later in the line (in a label, after a blank) counts for nothing.
struct LineClass {
    bool comment = false;  // ";" first: never any of the others
    bool opens = false;    // begins with a section opener of kind
    ObjectKind kind = ObjectKind::Poi;
    bool end = false;       // begins with an object end marker
    bool type = false;      // begins with "Type"; TypeText gives its type text
    bool endLevel = false;  // begins with "EndLevel"; UpToText gives its up-to text
    // Begins with "EndLevel" in another letter case ("endlevel=2"): no EndLevel line to any pass, which a
    // map compiler may still read as one.
    bool endLevelOtherCase = false;
};

// Outside the header part, a line that holds no "[" and begins with none of these bytes means nothing to
// any pass (no marker, no key that a pass reads or warns about, no empty key's value): a pass may take a run
// of such lines at once, without looking at them one by one.
inline constexpr std::string_view kNotPlainFirst = "[TEe=";
inline constexpr std::array<bool, 256> kNotPlainTable = [] {
    std::array<bool, 256> table{};
    for (const char c : kNotPlainFirst) table[static_cast<unsigned char>(c)] = true;
    return table;
}();

// True when line begins with key.
inline bool Begins(std::string_view line, std::string_view key) {
    return line.size() >= key.size() && std::memcmp(line.data(), key.data(), key.size()) == 0;
}

// The section markers of a line that begins with "[", into lineClass (opens and kind, or end). No marker is
// the beginning of another, so the first match is the only one; the character after "[" rules out most.
inline void ReadMarkers(std::string_view line, LineClass& lineClass) {
    if (line.size() < 2) return;
    const char second = line[1];
    for (const Opener& opener : kOpeners) {
        if (opener.marker[1] == second && Begins(line, opener.marker)) {
            lineClass.opens = true;
            lineClass.kind = opener.kind;
            return;
        }
    }
    for (const std::string_view end : kObjectEnds) {
        if (end[1] == second && Begins(line, end)) {
            lineClass.end = true;
            return;
        }
    }
}

// True when line begins with "EndLevel" with its letter case ignored; for ClassifyLine.
bool BeginsEndLevelOtherCase(std::string_view line);

// Classifies line by its first character, so that the common line costs one comparison. Always inline: every
// pass calls it for every line, and in the larger walks a compiler may otherwise leave it out of line.
[[gnu::always_inline]] inline LineClass ClassifyLine(std::string_view line) {
    LineClass lineClass;
    if (line.empty()) return lineClass;
    switch (line.front()) {
        case ';':
            lineClass.comment = true;
            break;
        case '[':
            ReadMarkers(line, lineClass);
            break;
        case 'T':
            lineClass.type = Begins(line, "Type");
            break;
        case 'E':
            lineClass.endLevel = Begins(line, "EndLevel");
            if (!lineClass.endLevel) lineClass.endLevelOtherCase = BeginsEndLevelOtherCase(line);
            break;
        case 'e':
            lineClass.endLevelOtherCase = BeginsEndLevelOtherCase(line);
            break;
        default:
            break;
    }
    return lineClass;
}

// The type text of a Type line: its characters 6 to 11, fewer when the line is shorter. An extended type,
// "0x" or "0X" and exactly five hexadecimal digits from character 6 on (then the line end or a character
// that is no hexadecimal digit), gives those seven characters: "Type=0x10f04" gives "0x10f04".
std::string_view TypeText(std::string_view line);
// The longest type text TypeText gives.
inline constexpr std::size_t kMaxTypeText = 7;

// The up-to text of an EndLevel line: its characters 10 and 11, fewer when the line is shorter.
std::string_view UpToText(std::string_view line);

// A level line of the header part as the scan reads it: "Level" and a digit, in any letter case.
bool IsLevelLine(std::string_view line);

// The line that starts the level header rewrite: begins with "Levels=", in any letter case.
bool IsLevelsLine(std::string_view line);

// A line of the unbroken run that the header rewrite removes after "Levels=": begins with "Level" or
// "Zoom", in any letter case.
bool ContinuesLevelRun(std::string_view line);

// A level key that the header rewrite removes wherever it stands in the header part: a line that begins
// with "Levels=", or with "Level" or "Zoom", one or more digits and "=", in any letter case.
// "Level1Rgn10=" (a dictionary row) is none.
bool IsLevelKey(std::string_view line);

// The end of a dictionary section for the dictionary reader: contains "[END-DICTIONARY]" in any case.
bool EndsDictionaryForReading(std::string_view line);

// True when text begins with an end marker that EndsDictionaryForRemoval looks for.
bool BeginsDictionaryEndMarker(std::string_view text);

// The end of a dictionary section that Process removes: contains "[END-DICTIONARY]" or "[END DICTIONARY]",
// in any case (the second spelling is met in hand-made maps; a removal that missed it would take the
// objects behind it).
bool EndsDictionaryForRemoval(std::string_view line);

// The first bytes of a coordinate line ("DataN=", "OriginN=", in any letter case): a line that begins with
// none of them is no coordinate line.
inline constexpr std::array<bool, 256> kCoordinateFirst = [] {
    std::array<bool, 256> table{};
    for (const char c : std::string_view("DdOo")) table[static_cast<unsigned char>(c)] = true;
    return table;
}();

// The level of a coordinate line: N of a line whose key is "DataN" or the older "OriginN" (up to three
// digits, letter case ignored, blanks before "=" allowed); nothing for any other line.
std::optional<int> CoordinateLevel(std::string_view line);

// A last line that a map was cut inside of: it begins a section opener without being one ("[P", "[POLYG").
bool IsCutOpener(std::string_view line);

// Where a map may be cut into parts that are walked side by side: the offset in bytes of the first line
// that starts at or after scanned (never at 0: the line there may have begun before bytes) and begins with
// a section opener; nothing when there is none. With more, the bytes go on past their end, so a line that
// runs to it may be longer and is not taken yet. scanned moves on to where the search goes on once more
// bytes are there.
std::optional<std::size_t> FindSectionCut(std::string_view bytes, std::size_t& scanned, bool more);

}  // namespace mapsyntax
}  // namespace stratex
