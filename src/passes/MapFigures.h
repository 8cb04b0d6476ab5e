#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "grammar/ObjectKind.h"

namespace stratex {

// What the scan counted of one object type.
struct TypeFigures {
    std::uint64_t objects = 0;          // objects of the type
    std::uint64_t withoutEndLevel = 0;  // of these, the objects that had no EndLevel line
    // Up-to text of the EndLevel line (its characters 10 and 11, as the scan reads it) -> objects. An object
    // with several EndLevel lines counts under the text of the last one.
    std::map<std::string, std::uint64_t> endLevels;

    bool operator==(const TypeFigures&) const = default;
};

// The figures of a scanned map, for reports and checks that need no second walk.
struct MapFigures {
    // Per kind, normalised type code -> figures, for every object the scan completed.
    std::array<std::map<std::string, TypeFigures>, 3> types;
    bool hasDictionary = false;  // some line contains "[DICTIONARY]"
    bool hasLevelsLine = false;  // some line of the header part begins with "Levels=" (any letter case)

    std::map<std::string, TypeFigures>& Of(ObjectKind kind) { return types[static_cast<std::size_t>(kind)]; }
    const std::map<std::string, TypeFigures>& Of(ObjectKind kind) const {
        return types[static_cast<std::size_t>(kind)];
    }
};

}  // namespace stratex
