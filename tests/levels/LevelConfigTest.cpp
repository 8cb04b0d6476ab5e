#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "levels/LevelConfig.h"
#include "types/TypeLists.h"

namespace stratex {
namespace {

using CodeLevel = std::pair<std::string, std::string>;

void Fill(TypeList& list, const std::vector<CodeLevel>& rows) {
    for (const auto& [code, level] : rows) list.AddTypeRow(code, "", level);
}

std::vector<std::string> Levels(const TypeList& list) {
    std::vector<std::string> levels;
    for (const auto& row : list.rows()) levels.push_back(row.level);
    return levels;
}

TEST(LevelConfig, EmptyListsGiveNoLines) {
    const TypeLists lists;
    EXPECT_TRUE(BuildConfigLines(lists).empty());
}

TEST(LevelConfig, LinesNameEveryRowKindByKindInListOrder) {
    TypeLists lists;
    Fill(lists.polygon, {{"0x4c", "1"}});
    Fill(lists.poi, {{"0x2f06", "3"}, {"0x0001", ""}});
    Fill(lists.polyline, {{"0x16", "2"}, {"0x01", "abc"}});
    // A code longer than six characters is written all the same.
    Fill(lists.poi, {{"0x12345678", "7"}});
    const LineList expected = {"p0x2f06=3", "p0x0001=", "p0x12345678=7", "l0x16=2", "l0x01=abc", "g0x4c=1"};
    EXPECT_EQ(BuildConfigLines(lists), expected);
}

// A name with exactly five lower-case hexadecimal digits after "0x" finds its row by all seven characters,
// so Save CFG's "p0x10f04=4" comes back; any other name is compared on its characters 2 to 7.
TEST(LevelConfig, ApplyFindsExtendedCodesByAllSevenCharacters) {
    struct Case {
        const char* name;
        LineList lines;
        std::vector<std::string> poi;       // levels of 0x10f04, 0x10f0 after
        std::vector<std::string> polyline;  // level of 0x10f05 after
    };
    const Case cases[] = {
        {"extended code", {"p0x10f04=4", "l0x10f05=2"}, {"4", "0"}, {"2"}},
        {"six digits are cut to six characters", {"p0x10f045=6"}, {"0", "6"}, {"0"}},
        {"a capital digit is no extended code", {"p0x10F04=5", "l0X10f05=5"}, {"0", "0"}, {"0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TypeLists lists;
        Fill(lists.poi, {{"0x10f04", "0"}, {"0x10f0", "0"}});
        Fill(lists.polyline, {{"0x10f05", "0"}});
        ApplyConfigLines(lists, c.lines);
        EXPECT_EQ(Levels(lists.poi), c.poi);
        EXPECT_EQ(Levels(lists.polyline), c.polyline);
    }
}

struct ApplyCase {
    const char* name;
    LineList lines;
    std::vector<std::string> poi;       // levels of 0x2f06, 0x2f0b after
    std::vector<std::string> polyline;  // levels of 0x16, 0x01 after
    std::vector<std::string> polygon;   // level of 0x4c after
};

TEST(LevelConfig, ApplySetsTheLevelsOfTheRowsItNames) {
    const ApplyCase cases[] = {
        {"one line per kind", {"p0x2f06=3", "l0x01=4", "g0x4c=5"}, {"3", "0"}, {"0", "4"}, {"5"}},
        {"letter in capitals", {"P0x2f06=3", "L0x16=3", "G0x4c=3"}, {"0", "0"}, {"0", "0"}, {"0"}},
        {"code in capitals", {"p0x2F06=3", "l0X16=3"}, {"0", "0"}, {"0", "0"}, {"0"}},
        {"long name is cut", {"p0x2f0bz=6"}, {"0", "6"}, {"0", "0"}, {"0"}},
        {"first of two values wins", {"l0x16=2", "l0x16=5"}, {"0", "0"}, {"2", "0"}, {"0"}},
        {"first value whatever its case", {"P0x2f06=5", "p0x2f06=3"}, {"5", "0"}, {"0", "0"}, {"0"}},
        {"value from a line that finds no row", {"L0X16=8", "l0x16=1"}, {"0", "0"}, {"8", "0"}, {"0"}},
        {"empty value", {"g0x4c="}, {"0", "0"}, {"0", "0"}, {""}},
        {"value taken unchecked", {"g0x4c=high", "l0x01= 7 "}, {"0", "0"}, {"0", " 7 "}, {"high"}},
        {"value after the first =", {"p0x2f06=1=2"}, {"1=2", "0"}, {"0", "0"}, {"0"}},
        {"lines without a row",
         {"", "=3", "p0x2f06", "x0x16=3", "p0x16=3", "l0x2f06=3", ";p0x2f06=3"},
         {"0", "0"},
         {"0", "0"},
         {"0"}},
        {"letter picks the list", {"g0x16=9", "l0x4c=9"}, {"0", "0"}, {"0", "0"}, {"0"}},
    };
    for (const auto& c : cases) {
        TypeLists lists;
        Fill(lists.poi, {{"0x2f06", "0"}, {"0x2f0b", "0"}});
        Fill(lists.polyline, {{"0x16", "0"}, {"0x01", "0"}});
        Fill(lists.polygon, {{"0x4c", "0"}});
        ApplyConfigLines(lists, c.lines);
        EXPECT_EQ(Levels(lists.poi), c.poi) << c.name;
        EXPECT_EQ(Levels(lists.polyline), c.polyline) << c.name;
        EXPECT_EQ(Levels(lists.polygon), c.polygon) << c.name;
    }
}

TEST(LevelConfig, ApplyChangesOnlyTheFirstRowOfACode) {
    TypeLists lists;
    Fill(lists.polyline, {{"0x16", "1"}, {"0x16", "1"}});
    ApplyConfigLines(lists, {"l0x16=4"});
    EXPECT_EQ(Levels(lists.polyline), (std::vector<std::string>{"4", "1"}));
}

TEST(LevelConfig, ApplyKeepsRowOrderAndEverythingButTheLevel) {
    TypeLists lists;
    lists.poi.AddTypeRow("0x2f0b", "Bank", "1");
    lists.poi.AddTypeRow("0x2f06", "Shop", "2");
    ApplyConfigLines(lists, {"p0x2f06=7", "p0x2f0b=8"});
    ASSERT_EQ(lists.poi.size(), 2u);
    EXPECT_EQ(lists.poi[0].code, "0x2f0b");
    EXPECT_EQ(lists.poi[0].name, "Bank");
    EXPECT_EQ(lists.poi[0].level, "8");
    EXPECT_EQ(lists.poi[1].code, "0x2f06");
    EXPECT_EQ(lists.poi[1].level, "7");
}

TEST(LevelConfig, SavedLinesAppliedToOtherListsGiveTheSavedLevels) {
    TypeLists saved;
    Fill(saved.poi, {{"0x2f06", "3"}, {"0x0001", "1"}});
    Fill(saved.polyline, {{"0x16", "2"}});
    Fill(saved.polygon, {{"0x4c", "5"}, {"0x12345678", "4"}});
    const LineList lines = BuildConfigLines(saved);

    TypeLists lists;
    Fill(lists.poi, {{"0x0001", "0"}, {"0x2f06", "0"}, {"0x2f07", "6"}});
    Fill(lists.polyline, {{"0x16", "0"}});
    Fill(lists.polygon, {{"0x12345678", "0"}, {"0x4c", "0"}});
    ApplyConfigLines(lists, lines);
    EXPECT_EQ(Levels(lists.poi), (std::vector<std::string>{"1", "3", "6"}));
    EXPECT_EQ(Levels(lists.polyline), (std::vector<std::string>{"2"}));
    // The long code is written but cannot be found again.
    EXPECT_EQ(Levels(lists.polygon), (std::vector<std::string>{"0", "5"}));

    // Applying to the lists that wrote the lines changes nothing.
    const TypeLists before = saved;
    ApplyConfigLines(saved, lines);
    for (ObjectKind kind : kAllKinds) EXPECT_EQ(saved.Of(kind).rows(), before.Of(kind).rows());
}

}  // namespace
}  // namespace stratex
