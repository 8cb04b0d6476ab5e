#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "passes/MapChecker.h"
#include "passes/ScanTestSupport.h"

namespace stratex {
namespace {

using Lines = std::vector<std::string>;
using Found = std::vector<std::pair<std::string, std::uint64_t>>;  // code name, line

// A map of header lines and object lines; the header opens at line 1 and the objects begin after
// "[END-IMG ID]".
MapText MapWith(const Lines& header, const Lines& objects) {
    Lines lines{"[IMG ID]"};
    lines.insert(lines.end(), header.begin(), header.end());
    lines.push_back("[END-IMG ID]");
    lines.insert(lines.end(), objects.begin(), objects.end());
    return MapOf(lines);
}

// A sound header of three levels (0 to 2): lines 2 to 5, "[END-IMG ID]" at line 6, objects from line 7.
const Lines kHeader = {"Levels=3", "Level0=24", "Level1=21", "Level2=18"};

Found CodesAndLines(const CheckResult& result) {
    Found found;
    for (const Finding& finding : result.findings) found.emplace_back(InfoOf(finding.code).name, finding.line);
    return found;
}

TEST(MapChecker, EachProblemGivesItsCodeAtItsLine) {
    struct Case {
        const char* name;
        Lines header;
        Lines objects;
        Found expected;
    };
    const Lines dictionaryRow = {"Level1Rgn10=" + std::string(255, '0')};
    const Case cases[] = {
        {"sound map", kHeader, {"[POI]", "Type=0x2f06", "EndLevel=1", "Data0=(1,2)", "[END]"}, {}},
        {"no Levels= line", {"Level0=24", "Level1=21"}, {}, {{"levels-missing", 4}}},
        // Process writes the count of the Level lines, and writes each key's first bit count.
        {"Levels= against the Level lines", {"Levels=4", "Level0=24", "Level1=21", "Level2=18"}, {}, {}},
        {"a level missing", {"Levels=3", "Level0=24", "Level1=21", "Level3=18"}, {}, {{"level-order", 5}}},
        {"a level out of order",
         {"Levels=3", "Level0=24", "Level1=21", "Level1=18"},
         {},
         {{"level-order", 5}, {"level-bits-order", 5}}},
        {"bit count outside 1..24", {"Levels=3", "Level0=25", "Level1=21", "Level2=18"}, {}, {{"level-bits", 3}}},
        {"bit count not falling", {"Levels=3", "Level0=24", "Level1=24", "Level2=18"}, {}, {{"level-bits-order", 4}}},
        {"eleven levels",
         {"Levels=11", "Level0=24", "Level1=23", "Level2=22", "Level3=21", "Level4=20", "Level5=19", "Level6=18",
          "Level7=17", "Level8=16", "Level9=15", "Level10=14"},
         {},
         {{"too-many-levels", 2}}},
        {"object in the header",
         {"Levels=3", "Level0=24", "Level1=21", "Level2=18", "[POI]", "Type=0x2f06", "[END]"},
         {},
         {{"object-in-header", 6}}},
        {"section closed by the next opener",
         kHeader,
         {"[POI]", "Type=0x2f06", "EndLevel=1", "[POLYLINE]", "Type=0x16", "EndLevel=1", "[END]"},
         {{"section-not-closed", 7}, {"endlevel-twice", 12}}},
        {"section open at the end", kHeader, {"[POLYGON]", "Type=0x4c", "EndLevel=1"}, {{"section-not-closed", 7}}},
        {"no Type line", kHeader, {"[POLYLINE]", "EndLevel=1", "Data0=(1,2),(3,4)", "[END]"}, {{"no-type", 7}}},
        {"type text no number", kHeader, {"[POLYLINE]", "Type=0x1g", "EndLevel=1", "[END]"}, {{"type-not-number", 8}}},
        {"EndLevel on the last level",
         kHeader,
         {"[POI]", "Type=0x2f06", "EndLevel=2", "Data0=(1,2)", "[END]"},
         {{"endlevel-top", 9}}},
        {"data above EndLevel",
         kHeader,
         {"[POI]", "Type=0x2f06", "EndLevel=0", "Data1=(1,2)", "[END]"},
         {{"data-above-endlevel", 9}}},
        {"no EndLevel, data above level 0",
         kHeader,
         {"[POI]", "Type=0x2f06", "Data0=(1,2)", "Data1=(1,2)", "[END]"},
         {{"data-without-endlevel", 10}}},
        {"no EndLevel, data on level 0 only", kHeader, {"[POI]", "Type=0x2f06", "Data0=(1,2)", "[END]"}, {}},
        {"one type with and without EndLevel",
         kHeader,
         {"[POI]", "Type=0x2f06", "EndLevel=1", "[END]", "[POI]", "Type=0x2f06", "[END]"},
         {{"mixed-endlevels", 7}}},
        {"data on the last level",
         kHeader,
         {"[POLYLINE]", "Type=0x16", "EndLevel=1", "Data0=(1,2),(3,4)", "Data2=(1,2),(3,4)", "[END]"},
         {{"data-top-level", 11}}},
        {"one type at two EndLevels",
         kHeader,
         {"[POLYLINE]", "Type=0x16", "EndLevel=0", "[END]", "[POLYLINE]", "Type=0x16", "EndLevel=1", "[END]"},
         {{"mixed-endlevels", 7}}},
        {"a second Type and EndLevel line",
         kHeader,
         {"[POI]", "Type=0x2f06", "EndLevel=1", "Type=0x2f07", "EndLevel=0", "[END]"},
         {{"type-twice", 10}, {"endlevel-twice", 11}}},
        {"coordinates off the globe or unreadable",
         kHeader,
         {"[POI]", "Type=0x2f06", "EndLevel=1", "Data0=(91,200)", "Data0=(55.1,37.2", "Data0=(55.1,37.2)", "[END]"},
         {{"bad-coordinates", 10}, {"bad-coordinates", 11}}},
        {"dictionary without end", kHeader, {"[DICTIONARY]", dictionaryRow[0]}, {{"dictionary-not-closed", 7}}},
        {"dictionary row too short",
         kHeader,
         {"[DICTIONARY]", "Level1Rgn40=" + std::string(254, '1'), "[END-DICTIONARY]"},
         {{"dictionary-row", 8}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodesAndLines(CheckMap(MapWith(c.header, c.objects))), c.expected) << c.name;
    }
}

// With the Type lists and the Levels table that Process would use, check judges the map Process would write:
// each object with the EndLevel Process gives it, the header Process writes in place of the map's.
TEST(MapChecker, WithProcessChoicesTheMapIsJudgedAsProcessWouldWriteIt) {
    const MapText map = MapWith(kHeader, {"[POLYLINE]", "Type=0x16", "EndLevel=1", "[END]",     // lines 7-10
                                          "[POLYLINE]", "Type=0x16", "Data1=(1,2)", "[END]"});  // lines 11-14
    TypeLists lists;
    lists.polyline.AddTypeRow("0x16", "Trail", "0");
    LevelsTable levels;
    levels.Clear();
    for (const auto& [key, value] : {std::pair{"Level0", "24bit"}, {"Level1", "21bit"}, {"Level2", "18bit"}}) {
        levels.AddScannedRow(key, value);
    }
    // EndLevel 0 below the second object's data, an error in the written map, at the line Process puts it in
    // front of, beside the warnings of the map as it stands.
    EXPECT_EQ(CodesAndLines(CheckMap(map, {&lists, &levels})),
              (Found{{"mixed-endlevels", 7}, {"data-without-endlevel", 13}, {"data-above-endlevel", 14}}));
    EXPECT_EQ(CodesAndLines(CheckMap(map)), (Found{{"mixed-endlevels", 7}, {"data-without-endlevel", 13}}));
    // A header that Process would write with bit counts that do not fall.
    LevelsTable flat;
    flat.Clear();
    for (const char* key : {"Level0", "Level1"}) flat.AddScannedRow(key, "24bit");
    lists.polyline.SetLevel(0, "1");
    EXPECT_EQ(CodesAndLines(CheckMap(map, {&lists, &flat})), (Found{{"level-bits-order", 4},
                                                                    {"mixed-endlevels", 7},
                                                                    {"endlevel-top", 9},
                                                                    {"data-without-endlevel", 13},
                                                                    {"data-top-level", 13},
                                                                    {"endlevel-top", 14}}));
}

// The dictionary holds one level per column (the code's first two digits): a second POI type of the
// column with another level is told, at its first object, only where Process writes a dictionary.
TEST(MapChecker, TypesSharingADictionaryColumnWithOtherLevels) {
    const MapText map = MapWith(kHeader, {"[POI]", "Type=0x2f06", "EndLevel=1", "[END]",    // lines 7-10
                                          "[POI]", "Type=0x2f08", "EndLevel=1", "[END]"});  // lines 11-14
    TypeLists lists;
    lists.poi.AddTypeRow("0x2f06", "Bank", "1");
    lists.poi.AddTypeRow("0x2f08", "Post", "0");
    EXPECT_EQ(CodesAndLines(CheckMap(map, {&lists, nullptr, false})), Found{});
    const CheckResult told = CheckMap(map, {&lists, nullptr, true});
    EXPECT_EQ(CodesAndLines(told), (Found{{"dictionary-column", 11}}));
    EXPECT_EQ(told.findings.at(0).message,
              "the POI types 0x2f06 (level 1) and 0x2f08 (level 0) share a dictionary column; the dictionary gives "
              "both level 1");
    lists.poi.SetLevel(1, "1");
    EXPECT_EQ(CodesAndLines(CheckMap(map, {&lists, nullptr, true})), Found{});
}

TEST(MapChecker, MessagesNameTheLevelsAndWhatProcessWouldDo) {
    const CheckResult result = CheckMap(MapWith(kHeader, {
                                                             "[POLYLINE]",
                                                             "Type=0x16",
                                                             "Data1=(1,2)",
                                                             "[END]",
                                                             "[POLYLINE]",
                                                             "Type=22",
                                                             "EndLevel=1",
                                                             "[END]",
                                                             "[POLYLINE]",
                                                             "Type=0x16",
                                                             "EndLevel=1",
                                                             "[END]",
                                                             "[POLYLINE]",
                                                             "Type=0x16",
                                                             "EndLevel=0",
                                                             "[END]",
                                                         }));
    // The type's finding at its first object's opener, line 7; the object's at its Data1 line, line 9, and at
    // line 10, where Process puts its EndLevel.
    ASSERT_EQ(result.findings.size(), 3u);
    EXPECT_EQ(result.findings[2].message, "the polyline 0x16 object: the data starts at level 1, above EndLevel=0");
    EXPECT_EQ(result.findings[1].message,
              "the polyline 0x16 object: no EndLevel while its data lies at level 1; Process would set EndLevel=0");
    EXPECT_EQ(result.findings[0].message,
              "the polyline type 0x16 has objects at EndLevel 0 (1), 1 (2), none (1); Process gives them all one "
              "level");
    EXPECT_EQ(result.findings[0].kind, ObjectKind::Polyline);
    EXPECT_EQ(result.findings[0].type, "0x16");
}

// What Process would set comes from Process's own walk: the level of the Type lists given, also for the
// objects behind one where Process would stop.
TEST(MapChecker, WhatProcessWouldSetComesFromProcess) {
    const Lines objects = {"[POLYLINE]", "Type=0x16",  "Data1=(1,2)", "[END]",       "[POI]", "Type=zz",
                           "[END]",      "[POLYLINE]", "Type=0x16",   "Data1=(1,2)", "[END]"};
    TypeLists lists;
    lists.polyline.AddTypeRow("0x16", "", "2");
    LevelsTable levels;
    levels.Clear();
    for (const auto& [key, value] : {std::pair{"Level0", "24"}, {"Level1", "21"}, {"Level2", "18"}, {"Level3", "16"}}) {
        levels.AddScannedRow(key, value);
    }
    std::vector<std::string> messages;
    for (const Finding& finding : CheckMap(MapWith(kHeader, objects), {&lists, &levels}).findings) {
        if (finding.code == FindingCode::DataWithoutEndLevel) messages.push_back(finding.message);
    }
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "the polyline 0x16 object: no EndLevel while its data lies at level 1; Process would set "
                            "EndLevel=2",
                            "the polyline 0x16 object: no EndLevel while its data lies at level 1; Process would set "
                            "EndLevel=2"}));
}

TEST(MapChecker, AFileWithoutHeaderEndIsNoPolishMap) {
    EXPECT_FALSE(CheckMap(MapOf({"[IMG ID]", "Levels=1", "[POI]", "Type=0x2f06", "[END]"})).isPolishMap);
    EXPECT_TRUE(CheckMap(MapWith(kHeader, {})).isPolishMap);
}

}  // namespace
}  // namespace stratex
