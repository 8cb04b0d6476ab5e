#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "grammar/ObjectKind.h"

namespace stratex {

// An error is what a map compiler would refuse or drop the object for; anything else is a warning.
enum class Severity { Warning, Error };

// "warning" or "error".
std::string_view SeverityName(Severity severity);

// Every problem the map checker can report, with its fixed severity.
enum class FindingCode {
    LevelsMissing,        // no "Levels=" line in the header
    LevelsCount,          // "Levels=" disagrees with the Level lines
    LevelOrder,           // a Level line out of order, or a level number missing
    LevelBits,            // a bit count outside 1..24 or no number
    LevelBitsOrder,       // a bit count not below the one of the level before
    TooManyLevels,        // more than 10 levels
    ObjectInHeader,       // an object section before "[END-IMG ID]"
    SectionNotClosed,     // an object section without its "[END]"
    NoType,               // an object without a Type line
    TypeNotNumber,        // a type text that is no number
    EndLevelTop,          // EndLevel at or above the last level
    DataAboveEndLevel,    // the lowest DataN above the object's EndLevel
    DataWithoutEndLevel,  // no EndLevel while some data lies above level 0
    DataTopLevel,         // a DataN at or above the last level
    MixedEndLevels,       // the objects of one type carry different EndLevels (or some none)
    DictionaryNotClosed,  // "[DICTIONARY]" without an end marker
    DictionaryRow,        // a dictionary row whose flags are not 255 characters
    NotAMap,              // the file is no Polish map: no line holds "[END-IMG ID]" (why: NotAMap.h)
    TypeTwice,            // a second Type line in an object
    EndLevelTwice,        // a second EndLevel line in an object (Process replaces only the later)
    BadCoordinates,       // a coordinate line that cannot be read, or a position off the globe
    ConfigUnknownType,    // a level config line that names no type of the lists
    ConfigLevel,          // a level config line whose level is no number
    LevelsDiffer,         // of a set of maps: a level header unlike the first map's
    TypeLevelDiffers,     // of a set of maps: a type whose maps give it different levels
    DictionaryColumn,     // two types of a kind that share a dictionary column with different levels
    ProcessFails,         // Process would stop at the object (a level that is no number)
    EndLevelOtherCase,    // "endlevel=" in another letter case, which Process keeps beside its own EndLevel
    MapCut,               // the map ends inside an opener line
    UnderSizeAtLevel,     // a type's EndLevel keeps many of its objects where they are under the size limit
    HeaderEndRemoved,     // the header rewrite would remove the line that ends the header
};

struct FindingCodeInfo {
    FindingCode code;
    std::string_view name;  // as printed in brackets, e.g. "levels-count"
    Severity severity;
};

// One entry per FindingCode, in the order of the enumeration.
extern const std::array<FindingCodeInfo, 31> kFindingCodes;

const FindingCodeInfo& InfoOf(FindingCode code);

// "POI", "polyline" or "polygon": how findings name a kind.
std::string_view KindName(ObjectKind kind);

// One problem of a map, at a line (1-based). message is UTF-8; kind and type (the normalised type code) are
// set for findings about one type.
struct Finding {
    std::uint64_t line = 0;
    FindingCode code = FindingCode::LevelsMissing;
    std::string message;
    std::optional<ObjectKind> kind;
    std::string type;
    std::string file;  // UTF-8: the file the line is of, where it is not the map (a level config file)

    Severity severity() const { return InfoOf(code).severity; }
    bool operator==(const Finding&) const = default;
};

// Where a check hands its findings as it meets them, so that a report need not hold them all.
class FindingSink {
public:
    virtual ~FindingSink() = default;
    virtual void Add(Finding finding) = 0;
};

}  // namespace stratex
