#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bytes/MapText.h"
#include "levels/LevelsTable.h"
#include "passes/Finding.h"
#include "passes/MapFigures.h"
#include "types/TypeLists.h"

namespace stratex {

class MapDocument;

// One map of a set of tiles, as its own Open MAP and steps left it: the set's reports need nothing more,
// so a set of any size is held in little memory.
struct Tile {
    std::filesystem::path path;
    LevelsTable levels;
    TypeLists lists;
    MapFigures figures;

    // The tile of a document's open map.
    static Tile Of(const MapDocument& document);
};

// A type's level (its row's caption) and its objects in one tile.
struct TileLevel {
    std::string level;
    std::uint64_t objects = 0;
};

// One type of a set: its row in each tile that lists it.
struct SetType {
    ObjectKind kind = ObjectKind::Poi;
    std::string code;
    std::string name;
    // The set's level: the one that most of the type's objects carry over the set, each object carrying its
    // tile's level of the type; ties go to the lower level. Where no tile has an object of the type, the
    // lowest level a tile gives it.
    std::string level;
    std::vector<std::optional<TileLevel>> tiles;  // per tile of the set; none where the tile lacks the type

    std::uint64_t objects() const;
    // The tiles that hold objects of the type do not all give it one level.
    bool TilesDisagree() const;
};

// Every type of the tiles, per kind (POI, polylines, polygons) in the order of the Type row sort rule on
// sortColumn.
std::vector<SetType> UniteTypes(const std::vector<Tile>& tiles, int sortColumn);

// The Type lists of a set: a row per type with the set's level, in the order of types.
TypeLists SetLists(const std::vector<SetType>& types);

// The maps of a set as one map text, for drawing them together: the first map whole, then each other map
// from the line after the one that ends its header part (a map without one adds nothing). Holds the whole
// set in memory. Throws Error where a map cannot be read.
MapText JoinedMapText(const std::vector<Tile>& tiles);

// Where each tile says what the set must agree on (CheckResult's levelLines and typeLines), by tile.
struct TileLines {
    std::vector<std::uint64_t> levelLines;
    std::array<std::map<std::string, std::uint64_t>, 3> typeLines;
};

// What a set's tiles disagree on: each tile whose level header differs from the first tile's
// [levels-differ], each type whose tiles give it different levels [type-level-differs]. Each finding names
// the file and line of a tile at fault (line 1 where lines says nothing); lines may be shorter than tiles.
std::vector<Finding> SetFindings(const std::vector<Tile>& tiles, const std::vector<SetType>& types,
                                 const std::vector<TileLines>& lines);

}  // namespace stratex
