#include "document/TileSet.h"

#include <algorithm>
#include <utility>

#include "bytes/Cp1251.h"
#include "bytes/Integer.h"
#include "bytes/LineList.h"
#include "document/MapDocument.h"
#include "grammar/MapSyntax.h"
#include "types/TypeList.h"

namespace stratex {
namespace {

// Levels in ascending order: numbers by value before captions that are no number, those by their bytes.
bool LevelBefore(const std::string& a, const std::string& b) {
    const std::optional<std::int32_t> x = TryReadInteger(a);
    const std::optional<std::int32_t> y = TryReadInteger(b);
    if (x && y) return *x < *y || (*x == *y && a < b);
    if (x || y) return x.has_value();
    return a < b;
}

std::uint64_t ObjectsOf(const MapFigures& figures, ObjectKind kind, const std::string& code) {
    const auto& ofKind = figures.Of(kind);
    const auto found = ofKind.find(code);
    return found == ofKind.end() ? 0 : found->second.objects;
}

// Per level, the objects that carry it: over the tiles holding objects of the type, or where none does,
// every tile that lists the type with no weight.
std::map<std::string, std::uint64_t, decltype(&LevelBefore)> ObjectsPerLevel(const SetType& type) {
    std::map<std::string, std::uint64_t, decltype(&LevelBefore)> perLevel(&LevelBefore);
    for (const auto& tile : type.tiles) {
        if (tile && tile->objects > 0) perLevel[tile->level] += tile->objects;
    }
    if (perLevel.empty()) {
        for (const auto& tile : type.tiles) {
            if (tile) perLevel.try_emplace(tile->level, 0);
        }
    }
    return perLevel;
}

std::string FileName(const Tile& tile) { return PathToUtf8(tile.path.filename()); }

// "n37-010.mp", "3 maps (a.mp, b.mp, c.mp)", "12 maps (a.mp, b.mp, c.mp and 9 more)".
std::string TilesText(const std::vector<Tile>& tiles, const std::vector<std::size_t>& which) {
    constexpr std::size_t kNamesShown = 3;
    if (which.size() == 1) return FileName(tiles[which.front()]);
    std::string text = std::to_string(which.size()) + " maps (";
    for (std::size_t k = 0; k < which.size() && k < kNamesShown; ++k) {
        if (k > 0) text += k + 1 == which.size() ? " and " : ", ";
        text += FileName(tiles[which[k]]);
    }
    if (which.size() > kNamesShown) text += " and " + std::to_string(which.size() - kNamesShown) + " more";
    return text + ")";
}

std::uint64_t LineOf(const std::vector<TileLines>& lines, std::size_t tile, std::size_t levelRow) {
    if (tile >= lines.size() || lines[tile].levelLines.empty()) return 1;
    const auto& levelLines = lines[tile].levelLines;
    return levelLines[std::min(levelRow, levelLines.size() - 1)];
}

std::string RowText(const LevelsTable& levels, std::size_t row, const std::string& key) {
    if (row >= levels.size()) return "no " + key;
    return Cp1251ToUtf8(levels.rows()[row].key) + "=" + Cp1251ToUtf8(levels.rows()[row].value);
}

// The first row at which tile's level header differs from first's, if any.
std::optional<std::size_t> FirstDifference(const LevelsTable& first, const LevelsTable& tile) {
    const std::size_t rows = std::max(first.size(), tile.size());
    for (std::size_t k = 0; k < rows; ++k) {
        if (k >= first.size() || k >= tile.size() || first.rows()[k] != tile.rows()[k]) return k;
    }
    return std::nullopt;
}

void LevelFindings(const std::vector<Tile>& tiles, const std::vector<TileLines>& lines, std::vector<Finding>& out) {
    for (std::size_t t = 1; t < tiles.size(); ++t) {
        const auto row = FirstDifference(tiles.front().levels, tiles[t].levels);
        if (!row) continue;
        const LevelsTable& first = tiles.front().levels;
        const LevelsTable& here = tiles[t].levels;
        const std::string key = Cp1251ToUtf8((*row < first.size() ? first : here).rows()[*row].key);
        std::string message = "the level header differs from the one of " + FileName(tiles.front()) + ": " +
                              RowText(here, *row, key) + " here, " + RowText(first, *row, key) + " there";
        if (*row < first.size()) message += " (line " + std::to_string(LineOf(lines, 0, *row)) + ")";
        out.push_back(
            {LineOf(lines, t, *row), FindingCode::LevelsDiffer, std::move(message), {}, {}, PathToUtf8(tiles[t].path)});
    }
}

void TypeFinding(const std::vector<Tile>& tiles, const SetType& type, const std::vector<TileLines>& lines,
                 std::vector<Finding>& out) {
    std::map<std::string, std::vector<std::size_t>, decltype(&LevelBefore)> tilesOf(&LevelBefore);
    for (std::size_t t = 0; t < type.tiles.size(); ++t) {
        if (type.tiles[t] && type.tiles[t]->objects > 0) tilesOf[type.tiles[t]->level].push_back(t);
    }
    std::string levels;
    std::optional<std::size_t> atFault;
    for (const auto& [level, which] : tilesOf) {
        levels += (levels.empty() ? "" : ", ") + Cp1251ToUtf8(level) + " in " + TilesText(tiles, which);
        if (level != type.level && !atFault) atFault = which.front();
    }
    const std::size_t tile = atFault.value_or(0);
    std::uint64_t line = 1;
    if (tile < lines.size()) {
        const auto& typeLines = lines[tile].typeLines[static_cast<std::size_t>(type.kind)];
        if (const auto found = typeLines.find(type.code); found != typeLines.end()) line = found->second;
    }
    out.push_back({line, FindingCode::TypeLevelDiffers,
                   "the " + std::string(KindName(type.kind)) + " type " + Cp1251ToUtf8(type.code) +
                       " has different levels in the maps of the set: " + levels + "; the set's level is " +
                       Cp1251ToUtf8(type.level),
                   type.kind, type.code, PathToUtf8(tiles[tile].path)});
}

}  // namespace

Tile Tile::Of(const MapDocument& document) {
    return {document.mapPath(), document.levels(), document.lists(), document.figures()};
}

std::uint64_t SetType::objects() const {
    std::uint64_t total = 0;
    for (const auto& tile : tiles) total += tile ? tile->objects : 0;
    return total;
}

bool SetType::TilesDisagree() const {
    const std::string* seen = nullptr;
    for (const auto& tile : tiles) {
        if (!tile || tile->objects == 0) continue;
        if (seen && *seen != tile->level) return true;
        seen = &tile->level;
    }
    return false;
}

std::vector<SetType> UniteTypes(const std::vector<Tile>& tiles, int sortColumn) {
    std::vector<SetType> united;
    for (const ObjectKind kind : kAllKinds) {
        std::vector<SetType> ofKind;
        std::map<std::string, std::size_t> indexOf;
        for (std::size_t t = 0; t < tiles.size(); ++t) {
            for (const TypeRow& row : tiles[t].lists.Of(kind).rows()) {
                const auto [found, added] = indexOf.try_emplace(row.code, ofKind.size());
                if (added)
                    ofKind.push_back(
                        {kind, row.code, row.name, {}, std::vector<std::optional<TileLevel>>(tiles.size())});
                SetType& type = ofKind[found->second];
                if (type.name.empty()) type.name = row.name;
                // A list's first row of a code is the one that counts, as for Process.
                if (!type.tiles[t]) type.tiles[t] = TileLevel{row.level, ObjectsOf(tiles[t].figures, kind, row.code)};
            }
        }
        for (SetType& type : ofKind) {
            const auto perLevel = ObjectsPerLevel(type);
            const auto most = std::max_element(perLevel.begin(), perLevel.end(),
                                               [](const auto& a, const auto& b) { return a.second < b.second; });
            type.level = most->first;
        }
        std::stable_sort(ofKind.begin(), ofKind.end(), [sortColumn](const SetType& a, const SetType& b) {
            return POIListViewCompare({a.level, a.code, a.name}, {b.level, b.code, b.name}, sortColumn) < 0;
        });
        for (SetType& type : ofKind) united.push_back(std::move(type));
    }
    return united;
}

MapText JoinedMapText(const std::vector<Tile>& tiles) {
    std::string joined;
    for (std::size_t t = 0; t < tiles.size(); ++t) {
        const MapText map = MapText::FromFile(tiles[t].path);
        const std::string& text = map.Buffer();
        if (t == 0) {
            joined = text;
            continue;
        }
        const std::size_t headerEnd = mapsyntax::FindHeaderEnd(text);
        if (headerEnd == std::string::npos) continue;
        const std::size_t lineEnd = text.find('\n', headerEnd);
        if (lineEnd != std::string::npos) joined.append(text, lineEnd + 1, std::string::npos);
    }
    return MapText::FromNormalised(std::move(joined));
}

TypeLists SetLists(const std::vector<SetType>& types) {
    TypeLists lists;
    for (const SetType& type : types) lists.Of(type.kind).AddTypeRow(type.code, type.name, type.level);
    return lists;
}

std::vector<Finding> SetFindings(const std::vector<Tile>& tiles, const std::vector<SetType>& types,
                                 const std::vector<TileLines>& lines) {
    std::vector<Finding> findings;
    LevelFindings(tiles, lines, findings);
    for (const SetType& type : types) {
        if (type.TilesDisagree()) TypeFinding(tiles, type, lines, findings);
    }
    return findings;
}

}  // namespace stratex
