#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "bytes/MapText.h"
#include "levels/LevelsTable.h"
#include "passes/Finding.h"
#include "passes/LevelAdvisor.h"
#include "passes/StreamFacts.h"
#include "types/TypeLists.h"

namespace stratex {

class PartInput;

// The choices Process would run with. The pointers may be null: what is missing is what Process takes after
// Open MAP alone, from the scan of the map. What they point to must outlive the call.
struct CheckContext {
    // The Type lists Process would use: the level it gives every object of a type.
    const TypeLists* lists = nullptr;
    // The Levels table Process would write in place of the map's level header.
    const LevelsTable* resultingLevels = nullptr;
    // Process writes a dictionary from lists: types of a kind that share a dictionary column with different
    // levels are told.
    bool dictionary = false;
    // What the scan of the same bytes recorded for a streamed Process (with the dictionary option).
    const StreamFacts* facts = nullptr;
    // The size limit of under-size-at-level: a type warns where more than (100 - keepPercent) % of its
    // polygons or polylines are under minSize units at the level of the EndLevel Process gives them.
    AdviceLimits limits = {};
};

struct CheckResult {
    std::vector<Finding> findings;  // in line order; empty where they went to a FindingSink
    bool isPolishMap = false;       // some line contains "[END-IMG ID]"
    // Where the map says what a set of maps must agree on: the lines of the header's Level rows in order,
    // and per kind the line of the first object of each type (by normalised code).
    std::vector<std::uint64_t> levelLines;
    std::array<std::map<std::string, std::uint64_t>, 3> typeLines;
};

// Checks a map and the map that Process would write from it with the choices of context, in one verdict:
// the level header as Process writes it (its "Levels=" line against its Level lines, their order, bit
// counts and number), every object (its Type line and type text, the EndLevel Process gives it and its
// DataN levels against that header, an unclosed or misplaced section), the types whose objects carry
// different EndLevels as they stand, the dictionary sections, where Process would stop (an error at each
// object it cannot give a level) and everything Process warns about. Process's own walk, run without
// writing, says what Process gives each object. Allocates per type and per finding, not per line. Never
// throws on map content.
CheckResult CheckMap(const MapText& text, const CheckContext& context = {});
// The same over the map that input gives, read through the engine's bounded reader (once more for Process's
// walk, and for the scan where context lacks its choices): memory grows with the findings, not with the map. Throws Error where input cannot be
// read.
CheckResult CheckMap(const PartInput& input, const CheckContext& context = {});
// The same, each finding handed to sink as the check meets it: those of an object by the object's end, those
// of the whole map (a type's objects at different EndLevels, a section never closed, what Process's walk
// alone finds) at the end. Nothing is handed for a file that turns out to be no Polish map. Memory grows
// with the types of the map, not with the findings.
CheckResult CheckMap(const PartInput& input, const CheckContext& context, FindingSink& sink);

// The messages of the errors that check finds in a level header of these bit counts (Level0 first), in
// order: a count that is no number from 1 to 24, a count not below the one before it, more than ten levels.
std::vector<std::string> LevelHeaderErrors(const std::vector<int>& bits);

}  // namespace stratex
