#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "document/MapDocument.h"
#include "document/TileSet.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

// A tile named name whose POI list gives 0x2f06 the level with that many objects (no row when level is
// empty), with a header of the given bit counts.
Tile PoiTile(const std::string& name, const std::string& level, std::uint64_t objects,
             const std::vector<std::string>& bits = {"24", "18"}) {
    Tile tile;
    tile.path = "/maps/" + name;
    tile.levels.Clear();
    for (std::size_t i = 0; i < bits.size(); ++i) tile.levels.AddScannedRow("Level" + std::to_string(i), bits[i]);
    if (!level.empty()) {
        tile.lists.poi.AddTypeRow("0x2f06", "Bank", level);
        tile.figures.Of(ObjectKind::Poi)["0x2f06"].objects = objects;
    }
    return tile;
}

TEST(TileSet, TheSetsLevelIsTheOneMostObjectsCarry) {
    struct Case {
        const char* name;
        std::vector<Tile> tiles;
        std::string level;
        bool disagree;
    };
    const Case cases[] = {
        {"one map", {PoiTile("a.mp", "2", 5)}, "2", false},
        {"objects outweigh maps",
         {PoiTile("a.mp", "1", 3), PoiTile("b.mp", "1", 3), PoiTile("c.mp", "3", 10)},
         "3",
         true},
        {"a tie goes to the lower level", {PoiTile("a.mp", "3", 4), PoiTile("b.mp", "1", 4)}, "1", true},
        {"numbers compare as numbers", {PoiTile("a.mp", "10", 4), PoiTile("b.mp", "9", 4)}, "9", true},
        {"a map without objects of the type does not count",
         {PoiTile("a.mp", "0", 0), PoiTile("b.mp", "2", 1), PoiTile("c.mp", "", 0)},
         "2",
         false},
        {"no objects anywhere: the lowest level", {PoiTile("a.mp", "4", 0), PoiTile("b.mp", "2", 0)}, "2", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<SetType> types = UniteTypes(c.tiles, 1);
        ASSERT_EQ(types.size(), 1u);
        EXPECT_EQ(types[0].level, c.level);
        EXPECT_EQ(types[0].TilesDisagree(), c.disagree);
        ASSERT_EQ(types[0].tiles.size(), c.tiles.size());
        EXPECT_EQ(SetLists(types).poi.rows().at(0).level, c.level);
    }
}

TEST(TileSet, FindingsNameTheMapAndLineAtFault) {
    const std::vector<Tile> tiles = {PoiTile("a.mp", "1", 3), PoiTile("b.mp", "1", 2),
                                     PoiTile("c.mp", "3", 1, {"24", "20"})};
    std::vector<TileLines> lines(3);
    lines[0].levelLines = {3, 4};
    lines[2].levelLines = {5, 6};
    lines[2].typeLines[0]["0x2f06"] = 40;
    const std::vector<Finding> findings = SetFindings(tiles, UniteTypes(tiles, 1), lines);
    ASSERT_EQ(findings.size(), 2u);
    EXPECT_EQ(findings[0].code, FindingCode::LevelsDiffer);
    EXPECT_EQ(findings[0].file, "/maps/c.mp");
    EXPECT_EQ(findings[0].line, 6u);
    EXPECT_EQ(findings[0].message,
              "the level header differs from the one of a.mp: Level1=20 here, Level1=18 there (line 4)");
    EXPECT_EQ(findings[1].code, FindingCode::TypeLevelDiffers);
    EXPECT_EQ(findings[1].file, "/maps/c.mp");
    EXPECT_EQ(findings[1].line, 40u);
    EXPECT_EQ(findings[1].message,
              "the POI type 0x2f06 has different levels in the maps of the set: 1 in 2 maps (a.mp and b.mp), 3 in "
              "c.mp; the set's level is 1");
}

// A map of three levels (Level1 of the given bits) with one POI 0x2f06 of the given EndLevel.
std::string OneTypeMap(const std::string& bits, const std::string& endLevel) {
    return "[IMG ID]\r\nLevels=3\r\nLevel0=24\r\nLevel1=" + bits +
           "\r\nLevel2=14\r\nZoom0=0\r\nZoom1=1\r\nZoom2=2\r\n[END-IMG ID]\r\n[POI]\r\n" +
           "Type=0x2f06\r\nEndLevel=" + endLevel + "\r\nData0=(1,2)\r\n[END]\r\n";
}

// The window's set: the union of the maps' types with the set's level, each map then processed from its
// file with the window's choices; a header left as the first map's is no choice, a changed one is.
TEST(TileSet, DocumentOpensASetAndProcessesEachMapFromItsFile) {
    TempDir dir;
    for (const char* kind : {"poi.txt", "polyline.txt", "polygon.txt"}) dir.Write(kind, "");
    const std::vector<std::filesystem::path> maps = {
        dir.Write("a.mp", OneTypeMap("18", "1")), dir.Write("b.mp", OneTypeMap("16", "0")),
        dir.Write("c.mp", OneTypeMap("18", "1")), dir.Write("notes.mp", "no map\r\n")};
    MapDocument document(dir.path());
    EXPECT_EQ(document.OpenMapSet(maps), std::vector<std::filesystem::path>{maps[3]});
    ASSERT_EQ(document.tiles().size(), 3u);
    EXPECT_TRUE(document.levelsDiffer());
    ASSERT_EQ(document.lists().poi.size(), 1u);
    EXPECT_EQ(document.lists().poi[0].level, "1");
    ASSERT_NE(document.SetTypeOf(ObjectKind::Poi, "0x2f06"), nullptr);
    EXPECT_TRUE(document.SetTypeOf(ObjectKind::Poi, "0x2f06")->TilesDisagree());

    document.SetLevelOfRows(ObjectKind::Poi, {0}, 2);
    std::filesystem::create_directory(dir.path() / "out");
    const auto outcomes = document.ProcessSet(dir.path() / "out");
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[1].failure, "");
    EXPECT_EQ(ReadAll(dir.path() / "out" / "b.mp"), OneTypeMap("16", "2"));

    document.SetLevelValue(1, "20");
    document.ProcessSet(dir.path() / "out");
    EXPECT_EQ(ReadAll(dir.path() / "out" / "b.mp").find("Level1=16"), std::string::npos);
    EXPECT_EQ(ReadAll(dir.path() / "out" / "b.mp"), ReadAll(dir.path() / "out" / "a.mp"));

    // Drawn together: the first map, then the objects of the others.
    const auto lf = [](std::string text) {
        std::erase(text, '\r');
        return text;
    };
    EXPECT_EQ(JoinedMapText(document.tiles()).Buffer(), lf(OneTypeMap("18", "1")) +
                                                            "[POI]\nType=0x2f06\nEndLevel=0\nData0=(1,2)\n[END]\n"
                                                            "[POI]\nType=0x2f06\nEndLevel=1\nData0=(1,2)\n[END]\n");

    // One map again: the set is gone.
    EXPECT_TRUE(document.OpenMap(maps[0]));
    EXPECT_TRUE(document.tiles().empty());
}

}  // namespace
}  // namespace stratex
