#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bytes/LineList.h"
#include "bytes/Strings.h"
#include "support/AdviceMaps.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

class AdviseCliTest : public ::testing::Test {
protected:
    AdviseCliTest() {
        dir_.Write("poi.txt", "0x2f06=Bank\r\n");
        dir_.Write("polyline.txt", "0x16=Trail\r\n");
        dir_.Write("polygon.txt", "0x4c=Lake\r\n");
    }
    CliRun Run(std::vector<std::string> args) {
        args.insert(args.end(), {"--names-dir", PathToUtf8(dir_.path())});
        return RunInProcess(args);
    }
    std::string Map(const std::string& name, const std::string& text) { return PathToUtf8(dir_.Write(name, text)); }
    std::string In(const std::string& name) const { return PathToUtf8(dir_.path() / name); }

    TempDir dir_;
};

// A set of two tiles gets one proposal for both, the one that the map holding all their objects gets: in the
// table, in the level config that -o writes, and in the figures per level of --json.
TEST_F(AdviseCliTest, ASetGetsTheProposalsOfOneMapOfAllItsObjects) {
    const std::string whole = Map("whole.mp", AdviceMap());
    const std::string a = Map("a.mp", AdviceMap(1)), b = Map("b.mp", AdviceMap(2));
    const CliRun set = Run({"advise", a, b, "-o", In("set.cfg")});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out,
              "POI: 1\n0x2f06\tBank\t40\t1\t2\tat Level3 (18 bits) a cell holds 40 of the 40 points, more than 32\n"
              "Polylines: 1\n0x16\tTrail\t2\t1\t2\tat Level3 (18 bits) 100 % of the 2 polylines are under 8 units\n"
              "Polygons: 1\n0x4c\tLake\t4\t1\t1\tat Level2 (20 bits) 75 % of the 4 polygons are under 8 units\n");
    EXPECT_EQ(Run({"advise", whole, "-o", In("whole.cfg")}).out, set.out);
    EXPECT_EQ(JoinLinesCrLf(LoadLineFile(dir_.path() / "set.cfg")), "p0x2f06=2\r\nl0x16=2\r\ng0x4c=1\r\n");
    EXPECT_EQ(JoinLinesCrLf(LoadLineFile(dir_.path() / "whole.cfg")), "p0x2f06=2\r\nl0x16=2\r\ng0x4c=1\r\n");

    // The config process takes: every object gets its type's proposal.
    const CliRun processed = Run({"process", whole, "--config", In("set.cfg"), "-o", In("out.mp")});
    ASSERT_EQ(processed.status, 0) << processed.err;
    const std::string scanned = Run({"scan", In("out.mp")}).out;
    for (const char* row : {"2\t0x2f06\tBank\t40\t2\t0\n", "2\t0x16\tTrail\t2\t2\t0\n", "1\t0x4c\tLake\t4\t1\t0\n"}) {
        EXPECT_NE(scanned.find(row), std::string::npos) << row;
    }

    const nlohmann::json json = nlohmann::json::parse(Run({"advise", a, b, "--json", "--keep", "25"}).out);
    EXPECT_EQ(json["limits"]["keepPercent"], 25);
    EXPECT_EQ(json["polygon"][0]["proposed"], 3);
    std::vector<int> atLeast, mostInCell;
    for (const auto& level : json["polygon"][0]["perLevel"]) atLeast.push_back(level["atLeast"]);
    for (const auto& level : json["poi"][0]["perLevel"]) mostInCell.push_back(level["mostInCell"]);
    EXPECT_EQ(atLeast, (std::vector<int>{4, 4, 1, 1, 0}));
    EXPECT_EQ(mostInCell, (std::vector<int>{20, 20, 20, 40, 40}));
}

// check warns where a type's EndLevel keeps more of its objects under the size limit than --keep allows,
// with their count and first lines; --min-size and --keep move the verdict as they move advise's.
TEST_F(AdviseCliTest, CheckWarnsWhereTheEndLevelKeepsObjectsUnderTheSizeLimit) {
    const std::string map = Map("map.mp", AdviceMap(0, 2));
    const auto warned = [&](std::vector<std::string> options) {
        std::vector<std::string> args = {"check", map, "--only", "under-size-at-level", "--all"};
        args.insert(args.end(), options.begin(), options.end());
        return Run(args).out;
    };
    EXPECT_EQ(warned({}), map +
                              ":14: warning: the polygon type 0x4c: 3 of its 4 objects (75 %) are under 8 units at the "
                              "level their EndLevel keeps them; the first at lines 14, 19, 30 [under-size-at-level]\n");
    EXPECT_EQ(warned({"--keep", "25"}), "");
    EXPECT_EQ(warned({"--min-size", "4"}), "");
    EXPECT_NE(warned({"--min-size", "12"}).find("the polyline type 0x16: 2 of its 2 objects"), std::string::npos);
}

}  // namespace
}  // namespace stratex
