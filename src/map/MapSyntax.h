#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "types/ObjectKind.h"

namespace stratex {

// The map grammar: what a line of a map is. Every pass over a map (the scan, Process, the dictionary
// reader, the object counts) asks here and keeps only its own state. All tests are byte comparisons with
// letter case counting unless a function says otherwise.
namespace mapsyntax {

// The header part ends with the first line that contains this marker.
inline constexpr std::string_view kHeaderEnd = "[END-IMG ID]";
// A dictionary section begins at a line that contains this marker.
inline constexpr std::string_view kDictionaryStart = "[DICTIONARY]";
inline constexpr std::string_view kObjectEnd = "[END]";

// The section openers, in the order in which a line holding several is tested (the last match decides).
struct Opener {
    std::string_view marker;
    ObjectKind kind;
};
inline constexpr Opener kOpeners[] = {
    {"[POI]", ObjectKind::Poi}, {"[POLYLINE]", ObjectKind::Polyline}, {"[POLYGON]", ObjectKind::Polygon}};

// Where the passes read the same line differently, on purpose. Each pass walks with its own state; these
// rules are the only places where that state treats a line differently.
struct PassRules {
    // Lines of the header part are examined for objects (openers, Type, EndLevel, object ends).
    bool objectsInHeaderPart;
    // An opener inside an open section changes the kind; otherwise only an opener outside a section counts.
    bool openerInsideSection;
    // The kind stays after an object end, so an "[END]" of a section whose opener was not recognised ends an
    // object of the kind last opened; otherwise an object end closes the section.
    bool kindKeptAcrossEnd;
};
inline constexpr PassRules kScanRules{false, false, false};
inline constexpr PassRules kProcessRules{true, true, true};

// Where the keys of a line are looked for. At the line start, a line whose first character is ";" is a
// comment and nothing else. Anywhere: comments are ordinary lines and every test looks anywhere in the line
// (how Process reads the lines of the header part).
enum class KeyPlace { LineStart, Anywhere };

// What one line is. Under KeyPlace::Anywhere several may hold at once.
struct LineClass {
    bool comment = false;  // ";" first (KeyPlace::LineStart only); then every other field is false
    bool opens = false;    // holds a section opener; kind is that of the last one tested
    ObjectKind kind = ObjectKind::Poi;
    bool end = false;       // ends an object
    bool type = false;      // a Type line; TypeText gives its type text
    bool endLevel = false;  // an EndLevel line; UpToText gives its up-to text
};

// True when line is exactly marker; a fixed-size comparison for the constant markers.
inline bool Is(std::string_view line, std::string_view marker) {
    return line.size() == marker.size() && std::memcmp(line.data(), marker.data(), marker.size()) == 0;
}

// True when line begins with key.
inline bool Begins(std::string_view line, std::string_view key) {
    return line.size() >= key.size() && std::memcmp(line.data(), key.data(), key.size()) == 0;
}

// The section markers of a line holding "[" at offset bracket, into lineClass (opens, kind, end).
void ReadMarkers(std::string_view line, std::size_t bracket, LineClass& lineClass);

// Classifies line. bracket is the offset of the line's first "[" or std::string_view::npos: every marker
// holds one, and most lines have none, so the caller's search for "[" (which it can do over many lines at
// once) keeps the common line cheap. Inline: every pass calls it for every line.
inline LineClass ClassifyLine(std::string_view line, std::size_t bracket, KeyPlace place) {
    LineClass lineClass;
    if (place == KeyPlace::LineStart) {
        if (!line.empty() && line.front() == ';') {
            lineClass.comment = true;
            return lineClass;
        }
        lineClass.type = Begins(line, "Type");
        lineClass.endLevel = Begins(line, "EndLevel");
    } else {
        lineClass.type = line.find("Type") != std::string_view::npos;
        lineClass.endLevel = line.find("EndLevel") != std::string_view::npos;
    }
    if (bracket != std::string_view::npos) ReadMarkers(line, bracket, lineClass);
    return lineClass;
}

// True when ClassifyLine(line, bracket, KeyPlace::LineStart) finds nothing: no "[" and a first character
// that begins no key and no comment. Most lines of a map (coordinates, labels) are plain; passes test
// this first and pass such lines over.
inline bool IsPlainLine(std::string_view line, std::size_t bracket) {
    if (bracket != std::string_view::npos) return false;
    if (line.empty()) return true;
    const char first = line.front();
    return first != ';' && first != 'T' && first != 'E';
}

// The type text of a Type line: its characters 6 to 11, fewer when the line is shorter.
std::string_view TypeText(std::string_view line);
// The longest type text TypeText gives.
inline constexpr std::size_t kMaxTypeText = 6;

// The up-to text of an EndLevel line: its characters 10 and 11, fewer when the line is shorter.
std::string_view UpToText(std::string_view line);

// A level line of the header part as the scan reads it: "Level" and a digit, in any letter case.
bool IsLevelLine(std::string_view line);

// The line that starts the level header rewrite: begins with "Levels=", in any letter case.
bool IsLevelsLine(std::string_view line);

// A line of the unbroken run that the header rewrite removes after "Levels=": begins with "Level" or
// "Zoom", in any letter case.
bool ContinuesLevelRun(std::string_view line);

// The end of a dictionary section for the dictionary reader: contains "[END-DICTIONARY]" in any case.
bool EndsDictionaryForReading(std::string_view line);

// True when text begins with an end marker that EndsDictionaryForRemoval looks for.
bool BeginsDictionaryEndMarker(std::string_view text);

// The end of a dictionary section that Process removes: contains "[END-DICTIONARY]" or "[END DICTIONARY]",
// in any case (the second spelling is met in hand-made maps; a removal that missed it would take the
// objects behind it).
bool EndsDictionaryForRemoval(std::string_view line);

}  // namespace mapsyntax
}  // namespace stratex
