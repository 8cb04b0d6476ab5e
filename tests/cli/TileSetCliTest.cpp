#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "bytes/LineList.h"
#include "bytes/Strings.h"
#include "cli/Cli.h"
#include "passes/Parallel.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

// A tile with the header's bit counts, a POI 0x2f06 of the given EndLevel and a polyline 0x16 without one.
std::string Tile(const std::string& bits, const std::string& poiLevel) {
    return "[IMG ID]\r\nLevels=3\r\nLevel0=24\r\nLevel1=" + bits +
           "\r\nLevel2=14\r\nZoom0=0\r\nZoom1=1\r\nZoom2=2\r\n" + "[END-IMG ID]\r\n" +
           "[POI]\r\nType=0x2f06\r\nEndLevel=" + poiLevel + "\r\nData0=(1,2)\r\n[END]\r\n" +
           "[POLYLINE]\r\nType=0x16\r\nData0=(1,2),(3,4)\r\n[END]\r\n";
}

// Three tiles of one map set: a and b agree, c gives POI 0x2f06 another level and has another header.
class TileSetCliTest : public ::testing::Test {
protected:
    TileSetCliTest() {
        dir_.Write("poi.txt", "0x2f06=Bank\r\n");
        dir_.Write("polyline.txt", "0x16=Trail\r\n");
        dir_.Write("polygon.txt", "0x4c=Lake\r\n");
        for (const auto& [name, bits, level] :
             {std::tuple{"a.mp", "18", "1"}, {"b.mp", "18", "1"}, {"c.mp", "16", "0"}}) {
            tiles_.push_back(PathToUtf8(dir_.Write(name, Tile(bits, level))));
        }
    }

    CliRun Run(const std::string& command, std::vector<std::string> maps, std::vector<std::string> options = {}) {
        std::vector<std::string> args = {command};
        args.insert(args.end(), maps.begin(), maps.end());
        args.insert(args.end(), {"--names-dir", PathToUtf8(dir_.path())});
        args.insert(args.end(), options.begin(), options.end());
        return RunInProcess(args);
    }
    std::string In(const std::string& name) const { return PathToUtf8(dir_.path() / name); }

    TempDir dir_;
    std::vector<std::string> tiles_;
};

// Each map of the set gets exactly the bytes that process of that map alone writes, also where no thread
// can be started; a map that is no map is named and the others are written.
TEST_F(TileSetCliTest, ProcessWritesEveryMapAsItsOwnRunWould) {
    std::vector<std::string> maps = tiles_;
    maps.push_back(PathToUtf8(dir_.Write("notes.mp", "no map here\r\n")));
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "no threads" : "threads");
        passThreadsRefused = refused;
        const std::string out = In(refused ? "out2" : "out1");
        const CliRun run = Run("process", maps, {"-O", out, "-j", "3"});
        passThreadsRefused = false;
        EXPECT_EQ(run.status, kCliNotAMap);
        EXPECT_NE(run.err.find("notes.mp: Этот файл не Polish MAP!!!"), std::string::npos) << run.err;
        EXPECT_NE(run.out.find("4 maps: 3 written, 1 failed\n"), std::string::npos) << run.out;
        for (const std::string& tile : tiles_) {
            const std::string name = std::filesystem::path(tile).filename().string();
            const std::string alone = In("alone-" + name);
            ASSERT_EQ(Run("process", {tile}, {"-o", alone}).status, kCliDone);
            EXPECT_EQ(ReadAll(std::filesystem::path(out) / name), ReadAll(alone)) << name;
        }
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(out) / "notes.mp"));
    }
}

TEST_F(TileSetCliTest, SameLevelsGivesEveryMapTheSetsLevels) {
    const CliRun config = Run("config", tiles_, {"-o", "-"});
    EXPECT_EQ(config.status, kCliDone);
    EXPECT_EQ(config.out, "p0x2f06=1\r\nl0x16=0\r\n");
    EXPECT_NE(config.err.find("the POI type 0x2f06 has different levels in the maps of the set: 0 in c.mp, 1 in 2 "
                              "maps (a.mp and b.mp); the set's level is 1"),
              std::string::npos)
        << config.err;
    EXPECT_EQ(Run("config", tiles_, {"-o", "-", "--quiet"}).err, "");

    ASSERT_EQ(Run("process", tiles_, {"-O", In("same"), "--same-levels"}).status, kCliDone);
    SaveLineFile(dir_.path() / "set.cfg", {"p0x2f06=1", "l0x16=0"});
    ASSERT_EQ(Run("process", tiles_, {"-O", In("two-step"), "--config", In("set.cfg")}).status, kCliDone);
    for (const char* name : {"a.mp", "b.mp", "c.mp"}) {
        const std::string written = ReadAll(dir_.path() / "same" / name);
        EXPECT_NE(written.find("Type=0x2f06\r\nEndLevel=1\r\n"), std::string::npos) << name;
        EXPECT_EQ(written, ReadAll(dir_.path() / "two-step" / name)) << name;
    }
}

TEST_F(TileSetCliTest, CheckReportsWhatTheMapsDisagreeOn) {
    const CliRun run = Run("check", tiles_, {"--json"});
    EXPECT_EQ(run.status, kCliDone);
    const nlohmann::json findings = nlohmann::json::parse(run.out);
    std::vector<std::string> seen;
    for (const auto& finding : findings) {
        seen.push_back(finding["code"].get<std::string>() + " " +
                       std::filesystem::path(finding["file"].get<std::string>()).filename().string() + ":" +
                       std::to_string(finding["line"].get<int>()));
    }
    // c.mp's Level1 line, and its first POI of the type, are where the set goes wrong.
    EXPECT_EQ(seen, (std::vector<std::string>{"levels-differ c.mp:4", "type-level-differs c.mp:10"}));
    EXPECT_EQ(Run("check", tiles_, {"--werror", "--disable", "levels-differ,type-level-differs"}).status, kCliDone);
    EXPECT_EQ(Run("check", tiles_, {"--werror"}).status, kCliCheckFailed);
}

TEST_F(TileSetCliTest, ScanPrintsTheUnionWithEachMapsLevelAndObjects) {
    const CliRun run = Run("scan", tiles_);
    EXPECT_EQ(run.status, kCliDone);
    EXPECT_EQ(run.out, "Maps: 3\n" + tiles_[0] + "\n" + tiles_[1] + "\n" + tiles_[2] +
                           "\nLevels: 3\nLevel0\t24bit (<=120м)\nLevel1\t18bit (<=8км)\nLevel2\t14bit (<=120км)\n"
                           "POI: 1\n1\t0x2f06\tBank\t3\t1:1\t1:1\t0:1\n"
                           "Polylines: 1\n0\t0x16\tTrail\t3\t0:1\t0:1\t0:1\nPolygons: 0\n");
}

TEST_F(TileSetCliTest, SeveralMapsNeedAFolderOrInPlace) {
    EXPECT_EQ(Run("process", tiles_, {"-o", In("one.mp")}).status, kCliBadUsage);
    EXPECT_EQ(Run("process", tiles_).status, kCliBadUsage);
    EXPECT_EQ(Run("process", {tiles_[0], tiles_[0]}, {"-O", In("twice")}).status, kCliBadUsage);
    EXPECT_FALSE(std::filesystem::exists(In("one.mp")));
    EXPECT_FALSE(std::filesystem::exists(In("twice")));
}

// Options on a set, each against a map that fails or warns: --werror writes only the maps that do not warn,
// and the highest status wins also when the failing map comes first (config then writes nothing, while the
// reports of scan and check still cover the other maps).
TEST_F(TileSetCliTest, AFailingOrWarningMapLeavesTheOthersAlone) {
    const std::string notAMap = PathToUtf8(dir_.Write("notes.mp", "no map here\r\n"));
    // Its POI's EndLevel is the top level, 2, of which Process warns.
    const std::string warns = PathToUtf8(dir_.Write("top.mp", Tile("18", "2")));
    struct Case {
        const char* name;
        std::string command;
        std::vector<std::string> maps;
        std::vector<std::string> options;
        int status;
        std::string out;                   // a part of the report
        std::vector<std::string> written;  // in the folder out, or the file set.cfg
    };
    const Case cases[] = {
        {"process --werror",
         "process",
         {warns, tiles_[0]},
         {"-O", In("out1"), "--werror"},
         kCliCheckFailed,
         "2 maps: 1 written, 1 failed\n",
         {"out1/a.mp"}},
        {"process, no map first",
         "process",
         {notAMap, tiles_[0], tiles_[1]},
         {"-O", In("out2"), "-j", "1"},
         kCliNotAMap,
         "3 maps: 2 written, 1 failed\n",
         {"out2/a.mp", "out2/b.mp"}},
        {"config, no map first", "config", {notAMap, tiles_[0]}, {"-o", In("set.cfg")}, kCliNotAMap, "", {}},
        {"config, a missing map last", "config", {tiles_[0], In("gone.mp")}, {"-o", "-"}, kCliFailure, "", {}},
        {"scan, no map first", "scan", {notAMap, tiles_[0], tiles_[1]}, {}, kCliNotAMap, "Maps: 2\n", {}},
        // check's status 4 is its not-a-map error, the highest met.
        {"check, no map first", "check", {notAMap, tiles_[0], tiles_[2]}, {}, kCliCheckFailed, "[levels-differ]\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun run = Run(c.command, c.maps, c.options);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
        if (c.command == "config") {
            EXPECT_EQ(run.out, "");
        }
        for (const std::string& name : c.written) EXPECT_TRUE(std::filesystem::exists(In(name))) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(In("out1/top.mp")));
    EXPECT_FALSE(std::filesystem::exists(In("set.cfg")));
}

// check of a set groups alike findings map by map: each group names its own file.
TEST_F(TileSetCliTest, GroupedFindingsNameEachMap) {
    const std::string twoAtTop = Tile("18", "2") + "[POI]\r\nType=0x2f06\r\nEndLevel=2\r\nData0=(1,2)\r\n[END]\r\n";
    const std::string x = PathToUtf8(dir_.Write("x.mp", twoAtTop));
    const std::string y = PathToUtf8(dir_.Write("y.mp", twoAtTop));
    const CliRun run = Run("check", {x, y});
    EXPECT_EQ(run.status, kCliDone) << run.err;
    const std::string group =
        ":12: warning: the POI 0x2f06 object: EndLevel=2 is at or above the last level, 2, which holds no objects; 2 "
        "findings, first at lines 12, 21 [endlevel-top]\n";
    EXPECT_EQ(run.out, x + group + y + group);
}

// levels-differ between tiles of 3 and 4 level rows, either first: the row that only one has is named, at the
// last level line of the tile that lacks it.
TEST_F(TileSetCliTest, LevelsDifferBetweenThreeAndFourLevelRows) {
    std::string four = Tile("18", "1");
    four.replace(four.find("Levels=3\r\n"), 10, "Levels=4\r\n");
    four.replace(four.find("Level2=14\r\n"), 11, "Level2=14\r\nLevel3=12\r\n");
    four.replace(four.find("Zoom2=2\r\n"), 9, "Zoom2=2\r\nZoom3=3\r\n");
    const std::string map = PathToUtf8(dir_.Write("four.mp", four));
    const std::string level3 = "Level3=12bit (<=500км)";
    const struct {
        std::vector<std::string> maps;
        std::string out;
    } cases[] = {
        {{tiles_[0], map},
         map + ":6: warning: the level header differs from the one of a.mp: " + level3 +
             " here, no Level3 there [levels-differ]\n"},
        {{map, tiles_[0]},
         tiles_[0] +
             ":5: warning: the level header differs from the one of four.mp: no Level3 "
             "here, " +
             level3 + " there (line 6) [levels-differ]\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = Run("check", c.maps, {"--only", "levels-differ"});
        EXPECT_EQ(run.status, kCliDone) << run.err;
        EXPECT_EQ(run.out, c.out);
    }
}

// --same-levels reads every map twice (for the set's levels, then to process it), yet a --config file's
// problems are told once.
TEST_F(TileSetCliTest, SameLevelsWarnsOfABadConfigOnce) {
    SaveLineFile(dir_.path() / "bad.cfg", {"x0x0900=1", "g0x99x=1"});
    const CliRun run = Run("process", tiles_, {"-O", In("out"), "--same-levels", "--config", In("bad.cfg")});
    EXPECT_EQ(run.status, kCliDone) << run.err;
    const std::string unknown = In("bad.cfg") + ":1: warning: 'x0x0900' names no type of the lists";
    const std::string polygon = In("bad.cfg") + ":2: warning: 'g0x99x' names no type of the lists";
    for (const std::string& warning : {unknown, polygon}) {
        const std::size_t first = run.err.find(warning);
        EXPECT_NE(first, std::string::npos) << run.err;
        EXPECT_EQ(run.err.find(warning, first + 1), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace stratex
