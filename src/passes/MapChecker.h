#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "bytes/MapText.h"
#include "levels/LevelsTable.h"
#include "passes/Finding.h"
#include "types/TypeLists.h"

namespace stratex {

class PartInput;

// What a check knows besides the map. Both pointers may be null; what they point to must outlive the call.
struct CheckContext {
    // The Type lists Process would use: the levels it would give objects without EndLevel. Null: the level
    // the scan takes for the type (its first object's EndLevel, or 0).
    const TypeLists* lists = nullptr;
    // The Levels table Process would write (after a level config or new levels). Given together with lists,
    // every listed type of the map is checked against its last level.
    const LevelsTable* resultingLevels = nullptr;
    // Process writes a dictionary from lists: types of a kind that share a dictionary column with different
    // levels are told.
    bool dictionary = false;
};

struct CheckResult {
    std::vector<Finding> findings;  // in line order
    bool isPolishMap = false;       // some line contains "[END-IMG ID]"
    // Where the map says what a set of maps must agree on: the lines of the header's Level rows in order,
    // and per kind the line of the first object of each type (by normalised code).
    std::vector<std::uint64_t> levelLines;
    std::array<std::map<std::string, std::uint64_t>, 3> typeLines;
};

// Checks text in one pass with the recognition rules of the scan and Process: the level header (its
// "Levels=" line against its Level lines, their order, bit counts and number), every object (its Type
// line and type text, its EndLevel and DataN levels against the header, an unclosed or misplaced
// section), the types whose objects carry different EndLevels and the dictionary sections. Allocates per
// type and per finding, not per line. Never throws on map content.
CheckResult CheckMap(const MapText& text, const CheckContext& context = {});
// The same over the map that input gives, read through the engine's bounded reader (and again where Process's
// levels are needed): memory grows with the findings, not with the map. Throws Error where input cannot be
// read.
CheckResult CheckMap(const PartInput& input, const CheckContext& context = {});

// The messages of the errors that check finds in a level header of these bit counts (Level0 first), in
// order: a count that is no number from 1 to 24, a count not below the one before it, more than ten levels.
std::vector<std::string> LevelHeaderErrors(const std::vector<int>& bits);

}  // namespace stratex
