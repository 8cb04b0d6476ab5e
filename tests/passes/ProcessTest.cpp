#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bytes/Error.h"
#include "bytes/Integer.h"
#include "bytes/LineList.h"
#include "bytes/MapText.h"
#include "bytes/Strings.h"
#include "levels/Dictionary.h"
#include "levels/LevelsTable.h"
#include "passes/Parallel.h"
#include "passes/Process.h"
#include "passes/ProcessSummary.h"
#include "passes/Progress.h"
#include "passes/StreamFacts.h"
#include "support/MemorySource.h"
#include "types/TypeLists.h"

namespace stratex {
namespace {

using Lines = std::vector<std::string>;

std::string Join(const Lines& lines) {
    std::string buffer;
    for (const std::string& line : lines) buffer += line + "\n";
    return buffer;
}

Lines Split(const std::string& buffer) {
    Lines lines;
    std::size_t start = 0;
    while (start < buffer.size()) {
        const std::size_t nl = buffer.find('\n', start);
        lines.push_back(buffer.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

// The map header that most cases put in front of their objects.
Lines WithHeader(const Lines& objects) {
    Lines lines = {"[IMG ID]", "Name=Test", "[END-IMG ID]"};
    lines.insert(lines.end(), objects.begin(), objects.end());
    return lines;
}

LevelsTable MakeLevels(const std::vector<std::pair<std::string, std::string>>& rows) {
    LevelsTable table;
    table.Clear();
    for (const auto& [key, value] : rows) table.AddScannedRow(key, value);
    return table;
}

// Three levels as the worked header has them (values in Windows-1251).
LevelsTable ThreeLevels() {
    return MakeLevels(
        {{"Level0", "24bit (<=120\xEC)"}, {"Level1", "21bit (<=1,2\xEA\xEC)"}, {"Level2", "18bit (<=8\xEA\xEC)"}});
}

TypeLists StandardLists() {
    TypeLists lists;
    lists.poi.AddTypeRow("0x2f06", "", "3");
    lists.poi.AddTypeRow("0x1234", "", "5");
    lists.polyline.AddTypeRow("0x16", "", "1");
    lists.polyline.AddTypeRow("0x01", "", "2");
    lists.polygon.AddTypeRow("0x4c", "", "2");
    return lists;
}

class RecordingProgress : public Progress {
public:
    void SetState(PassState state) override { states.push_back(state); }
    void SetProgress(std::uint64_t maximum, std::uint64_t position) override { bars.emplace_back(maximum, position); }

    std::vector<PassState> states;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> bars;
};

// Everything one Process run reads and writes.
struct Session {
    LevelsTable levels = ThreeLevels();
    TypeLists lists = StandardLists();
    bool useDictionary = false;
    DictionaryTables tables;
    LineList dicLines;

    Lines Process(const Lines& input, Progress* progress = nullptr) {
        MapText text = MapText::FromNormalised(Join(input));
        ProcessMap(text, levels, lists, useDictionary, tables, dicLines, progress);
        return Split(text.Buffer());
    }
};

std::size_t CountLines(const Lines& lines, std::string_view line) {
    std::size_t n = 0;
    for (const std::string& l : lines) n += (l == line);
    return n;
}

template <typename Case>
std::string CaseName(const testing::TestParamInfo<Case>& param) {
    return param.param.name;
}

// ---------------------------------------------------------------------------------------------------------
// Objects and header, dictionary option off.

struct WalkCase {
    const char* name;
    Lines input;
    Lines expected;
};

class ProcessWalk : public testing::TestWithParam<WalkCase> {};

TEST_P(ProcessWalk, GivesTheExpectedLines) {
    Session run;
    EXPECT_EQ(run.Process(GetParam().input), GetParam().expected);
}

const WalkCase kWalkCases[] = {
    {"WorkedObjectGetsEndLevelAboveItsLastLine",
     WithHeader({"[POLYLINE]", "Type=0x16", "Label=Trail", "Data0=(55.10,37.20),(55.11,37.21)", "[END]"}),
     WithHeader(
         {"[POLYLINE]", "Type=0x16", "Label=Trail", "EndLevel=1", "Data0=(55.10,37.20),(55.11,37.21)", "[END]"})},
    {"ExistingEndLevelIsReplacedWhereItStands",
     WithHeader({"[POLYLINE]", "Type=0x16", "EndLevel=7", "Label=Trail", "Data0=(55.10,37.20)", "[END]"}),
     WithHeader({"[POLYLINE]", "Type=0x16", "EndLevel=1", "Label=Trail", "Data0=(55.10,37.20)", "[END]"})},
    {"InsertedBetweenTwoCoordinateLines",
     WithHeader({"[POLYGON]", "Type=0x4c", "Data0=(1,2),(3,4),(5,6)", "Data1=(1,2),(3,4),(5,6)", "[END]"}),
     WithHeader(
         {"[POLYGON]", "Type=0x4c", "Data0=(1,2),(3,4),(5,6)", "EndLevel=2", "Data1=(1,2),(3,4),(5,6)", "[END]"})},
    {"TypeMissingFromItsListGetsZero", WithHeader({"[POLYGON]", "Type=0x99", "EndLevel=4", "Data0=(1,2)", "[END]"}),
     WithHeader({"[POLYGON]", "Type=0x99", "EndLevel=0", "Data0=(1,2)", "[END]"})},
    {"CoordinateLinesAboveTheLevelCountStay",
     WithHeader({"[POI]", "Type=0x2f06", "Data5=(1,2)", "Data9=(3,4)", "[END]"}),
     WithHeader({"[POI]", "Type=0x2f06", "Data5=(1,2)", "EndLevel=3", "Data9=(3,4)", "[END]"})},
    {"OnlyTheLaterOfTwoEndLevelLinesIsReplaced",
     WithHeader({"[POI]", "Type=0x2f06", "EndLevel=1", "EndLevel=2", "Data0=(1,2)", "[END]"}),
     WithHeader({"[POI]", "Type=0x2f06", "EndLevel=1", "EndLevel=3", "Data0=(1,2)", "[END]"})},
    {"TypeIsReadAsDecimalOrHexOfEitherCase",
     WithHeader({"[POLYLINE]", "Type=22", "Data0=(1,2)", "[END]", "[POI]", "Type=0x2F06", "Data0=(1,2)", "[END]"}),
     WithHeader({"[POLYLINE]", "Type=22", "EndLevel=1", "Data0=(1,2)", "[END]", "[POI]", "Type=0x2F06", "EndLevel=3",
                 "Data0=(1,2)", "[END]"})},
    // "0x" and exactly five digits are read whole (not as 0x1234, 0x0001, 0x0004); six digits are cut to four.
    {"ExtendedTypesAreReadWhole",
     WithHeader({"[POI]", "Type=0x12345", "Data0=(1,2)", "[END]", "[POLYLINE]", "Type=0x00016", "Data0=(1,2)", "[END]",
                 "[POLYGON]", "Type=0X0004C;x", "Data0=(1,2)", "[END]", "[POLYLINE]", "Type=0x000161", "Data0=(1,2)",
                 "[END]"}),
     WithHeader({"[POI]",      "Type=0x12345",   "EndLevel=0", "Data0=(1,2)", "[END]",
                 "[POLYLINE]", "Type=0x00016",   "EndLevel=1", "Data0=(1,2)", "[END]",
                 "[POLYGON]",  "Type=0X0004C;x", "EndLevel=2", "Data0=(1,2)", "[END]",
                 "[POLYLINE]", "Type=0x000161",  "EndLevel=2", "Data0=(1,2)", "[END]"})},
    {"KindAndTypeCarryOverToTheNextObject",
     WithHeader({"[POI]", "Type=0x2f06", "Data0=(1,2)", "[END]", "[RGN10]", "Data0=(3,4)", "[END]"}),
     WithHeader({"[POI]", "Type=0x2f06", "EndLevel=3", "Data0=(1,2)", "[END]", "[RGN10]", "EndLevel=3", "Data0=(3,4)",
                 "[END]"})},
    {"EndBeforeAnyOpenerChangesNothing", WithHeader({"[WPT]", "Type=0x16", "EndLevel=9", "Data0=(1,2)", "[END]"}),
     WithHeader({"[WPT]", "Type=0x16", "EndLevel=9", "Data0=(1,2)", "[END]"})},
    // The old section names open and end objects; "[RGN40]" after a POI is a polyline.
    {"OldSectionNamesOpenAndEndObjects",
     WithHeader({"[POI]",       "Type=0x2f06", "[END]",       "[RGN40]",     "Type=0x16",
                 "Data0=(1,2)", "[END]",       "[RGN40]",     "Type=0x01",   "Data0=(1,2)",
                 "[END-RGN40]", "[RGN80]",     "Type=0x4c",   "EndLevel=7",  "[END-RGN80]",
                 "[RGN20]",     "Type=0x1234", "Data0=(1,2)", "[END-RGN20]", "[RGN10]",
                 "Type=0x2f06", "Data0=(1,2)", "[END-RGN10]", "Label=after", "[END]"}),
     WithHeader({"[POI]",       "EndLevel=3",  "Type=0x2f06", "[END]",       "[RGN40]",    "Type=0x16",   "EndLevel=1",
                 "Data0=(1,2)", "[END]",       "[RGN40]",     "Type=0x01",   "EndLevel=2", "Data0=(1,2)", "[END-RGN40]",
                 "[RGN80]",     "Type=0x4c",   "EndLevel=2",  "[END-RGN80]", "[RGN20]",    "Type=0x1234", "EndLevel=5",
                 "Data0=(1,2)", "[END-RGN20]", "[RGN10]",     "Type=0x2f06", "EndLevel=3", "Data0=(1,2)", "[END-RGN10]",
                 "EndLevel=3",  "Label=after", "[END]"})},
    {"EndLevelPositionIsClearedByAnEndWithoutKind",
     WithHeader({"EndLevel=9", "[END]", "[POI]", "Type=0x2f06", "Data0=(1,2)", "[END]"}),
     WithHeader({"EndLevel=9", "[END]", "[POI]", "Type=0x2f06", "EndLevel=3", "Data0=(1,2)", "[END]"})},
    {"EndDirectlyAfterTheOpenerInsertsAboveTheOpener",
     WithHeader({"[POLYLINE]", "Type=0x16", "[END]", "[POI]", "[END]"}),
     WithHeader({"[POLYLINE]", "EndLevel=1", "Type=0x16", "[END]", "EndLevel=0", "[POI]", "[END]"})},
    // Section markers count only at the line start: a label holding one is an ordinary line.
    {"MarkersMustBeginTheirLine",
     WithHeader({"[POLYLINE]", "Type=0x16", "Label=[END] of road", "Label=[POI] cafe", "EndLevel=8 [END]",
                 "Data0=(1,2)", " [END]", "[END]"}),
     WithHeader({"[POLYLINE]", "Type=0x16", "Label=[END] of road", "Label=[POI] cafe", "EndLevel=1", "Data0=(1,2)",
                 " [END]", "[END]"})},
    {"OpenerAtTheLineStartDecides", WithHeader({"[POLYGON][POI]", "Type=0x4c", "[END]"}),
     WithHeader({"[POLYGON][POI]", "EndLevel=2", "Type=0x4c", "[END]"})},
    // An object in the header part is read by the same rules: keys and markers at the line start only.
    {"HeaderPartKeysMustBeginTheirLine",
     {"[IMG ID]", "x[POI]", "Note=0x1234 Type", ";EndLevel=1", "; [END]", "[POI]", "Type=0x2f06", "Label=EndLevel road",
      "Label=Road Type 2", "Data0=(1,2)", "[END]", "[END-IMG ID]"},
     {"[IMG ID]", "x[POI]", "Note=0x1234 Type", ";EndLevel=1", "; [END]", "[POI]", "Type=0x2f06", "Label=EndLevel road",
      "Label=Road Type 2", "EndLevel=3", "Data0=(1,2)", "[END]", "[END-IMG ID]"}},
    // Comment lines of the object part open nothing and hold no key.
    {"CommentLinesInObjectsAreNeverRecognised",
     WithHeader({"[POLYLINE]", "Type=0x16", ";[POI]", ";EndLevel=5", "; fixed [END] later", "Data0=(1,2)", "[END]"}),
     WithHeader({"[POLYLINE]", "Type=0x16", ";[POI]", ";EndLevel=5", "; fixed [END] later", "EndLevel=1", "Data0=(1,2)",
                 "[END]"})},
    {"CommentedOpenerDoesNotChangeTheKind",
     WithHeader({"[POLYLINE]", "Type=0x16", "[END]", ";[POI]", "Data0=(1,2)", "[END]"}),
     WithHeader({"[POLYLINE]", "EndLevel=1", "Type=0x16", "[END]", ";[POI]", "EndLevel=1", "Data0=(1,2)", "[END]"})},
    // Keys inside labels are ordinary text in the object part.
    {"LabelsContainingKeysAreOrdinaryLines",
     WithHeader({"[POLYLINE]", "Type=0x16", "Label=Road Type 2", "Label=EndLevel road", "Data0=(1,2)", "[END]"}),
     WithHeader({"[POLYLINE]", "Type=0x16", "Label=Road Type 2", "Label=EndLevel road", "EndLevel=1", "Data0=(1,2)",
                 "[END]"})},
    {"ObjectPartLevelsLineStartsNoHeaderRewrite",
     WithHeader({"[POLYLINE]", "Type=0x16", "Levels=2", "Level0=22", "Zoom0=0", "Data0=(1,2)", "[END]"}),
     WithHeader({"[POLYLINE]", "Type=0x16", "Levels=2", "Level0=22", "Zoom0=0", "EndLevel=1", "Data0=(1,2)", "[END]"})},
    {"ObjectsWithoutHeaderEndAreHeaderPart",
     {"[POI]", "Type=0x2f06", "Label=EndLevel", "Data0=(1,2)", "[END]"},
     {"[POI]", "Type=0x2f06", "Label=EndLevel", "EndLevel=3", "Data0=(1,2)", "[END]"}},
    {"HeaderEndLineMayHoldMoreThanTheMarker",
     {"[IMG ID]", "[END-IMG ID] ", "[POI]", "Type=0x2f06", "Label=EndLevel", "[END]"},
     {"[IMG ID]", "[END-IMG ID] ", "[POI]", "Type=0x2f06", "EndLevel=3", "Label=EndLevel", "[END]"}},
    {"EmptyMapStaysEmpty", {}, {}},
};

INSTANTIATE_TEST_SUITE_P(Process, ProcessWalk, testing::ValuesIn(kWalkCases), CaseName<WalkCase>);

// ---------------------------------------------------------------------------------------------------------
// The level header.

struct HeaderCase {
    const char* name;
    LevelsTable levels;
    Lines input;
    Lines expected;
};

class ProcessHeader : public testing::TestWithParam<HeaderCase> {};

TEST_P(ProcessHeader, RewritesTheLevelHeader) {
    Session run;
    run.levels = GetParam().levels;
    EXPECT_EQ(run.Process(GetParam().input), GetParam().expected);
}

const HeaderCase kHeaderCases[] = {
    {"WorkedHeader",
     ThreeLevels(),
     {"[IMG ID]", "Levels=4", "Level0=24", "Level1=22", "Level2=20", "Level3=18", "Zoom0=0", "Zoom1=1", "Zoom2=2",
      "Zoom3=3", "[END-IMG ID]"},
     {"[IMG ID]", "Levels=3", "Level0=24", "Level1=21", "Level2=18", "Zoom0=0", "Zoom1=1", "Zoom2=2", "[END-IMG ID]"}},
    // Other level keys of the header part go wherever they stand; dictionary rows and other keys stay.
    {"LevelKeysAfterTheRunGo",
     ThreeLevels(),
     {"Levels=2", "Level0=22", "Name=x", "Level1=20", "Levels=5", "", "ZOOM1=1", "Level1Rgn10=01", "LevelX=3",
      "Zoom2x=1", "Level=1", "[END-IMG ID]", "Level0=22"},
     {"Levels=3", "Level0=24", "Level1=21", "Level2=18", "Zoom0=0", "Zoom1=1", "Zoom2=2", "Name=x", "",
      "Level1Rgn10=01", "LevelX=3", "Zoom2x=1", "Level=1", "[END-IMG ID]", "Level0=22"}},
    {"LevelKeysAboveLevelsGo",
     ThreeLevels(),
     {"[IMG ID]", "Level0=22", "Zoom0=0", "Name=x", "level1=20", "Levels=2", "Level0=22", "[END-IMG ID]"},
     {"[IMG ID]", "Name=x", "Levels=3", "Level0=24", "Level1=21", "Level2=18", "Zoom0=0", "Zoom1=1", "Zoom2=2",
      "[END-IMG ID]"}},
    {"LevelKeyAboveAnObjectGoes",
     MakeLevels({{"Level0", "24bit"}}),
     {"Zoom0=0", "[POI]", "Type=0x2f06", "Data0=(1,2)", "[END]", "Levels=1", "[END-IMG ID]"},
     {"[POI]", "Type=0x2f06", "EndLevel=3", "Data0=(1,2)", "[END]", "Levels=1", "Level0=24", "Zoom0=0",
      "[END-IMG ID]"}},
    {"KeysOfAnyLetterCaseBelongToTheRun",
     ThreeLevels(),
     {"levels=2", "LEVEL0=22", "level1=21", "ZOOM0=0", "zoom1=1", "Preprocess=F", "[END-IMG ID]"},
     {"Levels=3", "Level0=24", "Level1=21", "Level2=18", "Zoom0=0", "Zoom1=1", "Zoom2=2", "Preprocess=F",
      "[END-IMG ID]"}},
    {"RunMayReachTheEndOfTheMap",
     MakeLevels({{"Level0", "22bit (<=500\xEC)"}}),
     {"[IMG ID]", "Levels=3", "Level0=24", "Zoom0=0"},
     {"[IMG ID]", "Levels=1", "Level0=22", "Zoom0=0"}},
    {"BitCountIsTheLeadingDigitsOfTheValue",
     MakeLevels(
         {{"Level0", "8bit ()"}, {"Level1", "24bit (<=120\xEC)"}, {"Level2", "7"}, {"Level3", "x1"}, {"Level4", ""}}),
     {"Levels=1", "Level0=24", "[END-IMG ID]"},
     {"Levels=5", "Level0=8", "Level1=24", "Level2=7", "Level3=", "Level4=", "Zoom0=0", "Zoom1=1", "Zoom2=2", "Zoom3=3",
      "Zoom4=4", "[END-IMG ID]"}},
    {"RepeatedKeyTakesTheValueOfItsFirstRow",
     MakeLevels({{"Level0", "24bit (<=120\xEC)"}, {"level0", "18bit (<=8\xEA\xEC)"}}),
     {"Levels=2", "Level0=24", "Level0=18", "[END-IMG ID]"},
     {"Levels=2", "Level0=24", "level0=24", "Zoom0=0", "Zoom1=1", "[END-IMG ID]"}},
    {"TableBeforeAnyMapHasItsEmptyRow",
     LevelsTable(),
     {"Levels=2", "Level0=24", "Level1=22", "[END-IMG ID]"},
     {"Levels=1", "=", "Zoom0=0", "[END-IMG ID]"}},
    {"EmptyTableWritesNoRows", MakeLevels({}), {"Levels=2", "Level0=24", "[END-IMG ID]"}, {"Levels=0", "[END-IMG ID]"}},
    {"NoLevelsLineLeavesTheHeader",
     ThreeLevels(),
     {"[IMG ID]", "Level0=24", "Zoom0=0", "[END-IMG ID]", "Levels=1", "Level0=9"},
     {"[IMG ID]", "Level0=24", "Zoom0=0", "[END-IMG ID]", "Levels=1", "Level0=9"}},
    {"GeneratedHeaderLinesAreExaminedButNeverChanged",
     MakeLevels({{"Level0", "24bit"}}),
     {"[POI]", "Type=0x2f06", "Levels=1", "Level0=17", "[END]", "[END-IMG ID]"},
     {"[POI]", "Type=0x2f06", "Levels=1", "Level0=24", "EndLevel=3", "Zoom0=0", "[END]", "[END-IMG ID]"}},
    {"GeneratedLineHoldingEndLevelIsNoEndLevelLine",
     MakeLevels({{"Level0 EndLevel", "24bit"}}),
     {"[POI]", "Type=0x2f06", "Levels=1", "[END]", "[END-IMG ID]"},
     {"[POI]", "Type=0x2f06", "Levels=1", "Level0 EndLevel=24", "EndLevel=3", "Zoom0=0", "[END]", "[END-IMG ID]"}},
};

INSTANTIATE_TEST_SUITE_P(Process, ProcessHeader, testing::ValuesIn(kHeaderCases), CaseName<HeaderCase>);

// Level keys that go from above "Levels=" shift every line behind them: each must still be found by number.
TEST(ProcessHeaderIndex, LinesAreFoundAfterLevelKeysAboveWent) {
    Lines input = {"Level0=22", "Zoom0=0", "Levels=1", "[END-IMG ID]"};
    for (int i = 0; i < 300; ++i) input.push_back("Data" + std::to_string(i) + "=(1,2)");
    Session run;
    MapText text = MapText::FromNormalised(Join(input));
    ProcessMap(text, run.levels, run.lists, false, run.tables, run.dicLines);
    const Lines lines = Split(text.Buffer());
    ASSERT_EQ(lines.size(), input.size() - 2 + 6);
    ASSERT_EQ(text.LineCount(), lines.size());
    for (std::uint64_t i = 0; i < lines.size(); ++i) ASSERT_EQ(text.Line(i), lines[i]) << i;
}

// ---------------------------------------------------------------------------------------------------------
// Dictionary option.

// Lists whose generated dictionary differs from the one of empty lists and tables.
Session DictionarySession() {
    Session run;
    run.useDictionary = true;
    run.tables.dic10[0x2f] = 7;
    run.tables.dic40[0x16] = 6;
    run.tables.dic80[0x21] = 4;
    return run;
}

TEST(ProcessDictionary, GeneratedSectionFollowsTheHeaderEnd) {
    Session run = DictionarySession();
    DictionaryTables expectedTables = run.tables;
    const LineList generated = BuildDictionary(run.lists, expectedTables);
    ASSERT_NE(expectedTables, run.tables);  // the lists lower the levels of 0x2f and 0x16

    const Lines out = run.Process(WithHeader({"[POI]", "Type=0x2f06", "[END]"}));

    Lines expected = {"[IMG ID]", "Name=Test", "[END-IMG ID]"};
    expected.insert(expected.end(), generated.begin(), generated.end());
    expected.insert(expected.end(), {"[POI]", "EndLevel=3", "Type=0x2f06", "[END]"});
    EXPECT_EQ(out, expected);
    EXPECT_EQ(run.dicLines, generated);
    EXPECT_EQ(run.tables, expectedTables);
    EXPECT_EQ(run.tables.dic10[0x2f], 3);
    EXPECT_EQ(run.tables.dic80[0x21], 4);
}

TEST(ProcessDictionary, EveryExactHeaderEndLineGetsASection) {
    Session run = DictionarySession();
    const Lines out = run.Process(WithHeader({"[END-IMG ID]", "[POI]", "Type=0x2f06", "[END]"}));
    EXPECT_EQ(CountLines(out, "[DICTIONARY]"), 2u);
    EXPECT_EQ(out.size(), 3 + 38 + 1 + 38 + 4);
    EXPECT_EQ(out[3 + 38], "[END-IMG ID]");
}

TEST(ProcessDictionary, HeaderEndWithTrailingBlankGetsNoSection) {
    Session run = DictionarySession();
    run.dicLines = {"earlier"};
    const DictionaryTables before = run.tables;
    const Lines input = {"[IMG ID]", "[END-IMG ID] ", "[POLYLINE]", "Type=0x16", "EndLevel=1", "[END]"};
    EXPECT_EQ(run.Process(input), input);
    EXPECT_EQ(run.dicLines, LineList{"earlier"});
    EXPECT_EQ(run.tables, before);
}

TEST(ProcessDictionary, SecondRunReplacesTheSectionAndKeepsTheLinesAroundIt) {
    Session run = DictionarySession();
    const Lines input = WithHeader({"", "[POI]", "Type=0x2f06", "[END]"});
    const Lines once = run.Process(input);
    const Lines twice = run.Process(once);

    ASSERT_EQ(CountLines(twice, "[DICTIONARY]"), 1u);
    ASSERT_EQ(CountLines(twice, "[END-DICTIONARY]"), 1u);
    Lines expected = {"[IMG ID]", "Name=Test", "[END-IMG ID]"};
    expected.insert(expected.end(), run.dicLines.begin(), run.dicLines.end());
    // The blank and comment line in front of the first section and the blank after it remain.
    expected.insert(expected.end(),
                    {"", ";Stratex Generated DICTIONARY!!!", "", "", "[POI]", "EndLevel=3", "Type=0x2f06", "[END]"});
    EXPECT_EQ(twice, expected);
}

struct SectionCase {
    const char* name;
    Lines input;
    Lines expectedAfterGenerated;  // the lines that follow the generated section
};

class ProcessOldSection : public testing::TestWithParam<SectionCase> {};

TEST_P(ProcessOldSection, IsRemovedUpToItsEnd) {
    Session run = DictionarySession();
    Lines expected = {"[IMG ID]", "[END-IMG ID]"};
    const Lines out = run.Process(GetParam().input);
    expected.insert(expected.end(), run.dicLines.begin(), run.dicLines.end());
    expected.insert(expected.end(), GetParam().expectedAfterGenerated.begin(), GetParam().expectedAfterGenerated.end());
    EXPECT_EQ(out, expected);
}

const SectionCase kSectionCases[] = {
    {"EndMarkerDirectlyFollowedByAnObject",
     {"[IMG ID]", "[END-IMG ID]", "[DICTIONARY]", "Level1Rgn10=11", "[END-DICTIONARY]", "[POI]", "Type=0x2f06",
      "[END]"},
     {"[POI]", "EndLevel=3", "Type=0x2f06", "[END]"}},
    {"EndMarkerWithABlank",
     {"[IMG ID]", "[END-IMG ID]", "[DICTIONARY]", "Level1Rgn40=01", "[END DICTIONARY]", "[POLYLINE]", "Type=0x16",
      "[END]"},
     {"[POLYLINE]", "EndLevel=1", "Type=0x16", "[END]"}},
    {"EndMarkerInSmallLetters",
     {"[IMG ID]", "[END-IMG ID]", "[DICTIONARY]", "Level1Rgn40=01", "[end-dictionary]", "[POLYLINE]", "Type=0x16",
      "[END]"},
     {"[POLYLINE]", "EndLevel=1", "Type=0x16", "[END]"}},
    {"WithoutEndMarkerObjectsAreKept",
     {"[IMG ID]", "[END-IMG ID]", "[DICTIONARY]", "Level1Rgn40=01", "", "[POLYLINE]", "Type=0x16", "[END]"},
     {"[POLYLINE]", "EndLevel=1", "Type=0x16", "[END]"}},
    {"WithoutEndMarkerAtTheEndOfTheMap",
     {"[IMG ID]", "[END-IMG ID]", "[POI]", "Type=0x2f06", "[END]", ";[DICTIONARY]", "Level1Rgn40=01"},
     {"[POI]", "EndLevel=3", "Type=0x2f06", "[END]"}},
    {"SectionOnOneLine",
     {"[IMG ID]", "[END-IMG ID]", "[DICTIONARY][END-DICTIONARY]", "[POI]", "Type=0x2f06", "[END]"},
     {"[POI]", "EndLevel=3", "Type=0x2f06", "[END]"}},
    {"MarkerOnTheOpeningLineInEitherSpelling",
     {"[IMG ID]", "[END-IMG ID]", "[DICTIONARY] [End Dictionary]", "[POI]", "Type=0x2f06", "[END]", "[END-DICTIONARY]"},
     {"[POI]", "EndLevel=3", "Type=0x2f06", "[END]", "[END-DICTIONARY]"}},
    {"FirstMarkerEndsTheSection",
     {"[IMG ID]", "[END-IMG ID]", "[DICTIONARY]", "[END-DICTIONARY]", "[POI]", "Type=0x2f06", "[END]",
      "[END-DICTIONARY]"},
     {"[POI]", "EndLevel=3", "Type=0x2f06", "[END]", "[END-DICTIONARY]"}},
    {"EndLevelSeenBeforeTheSectionIsStillReplaced",
     {"[IMG ID]", "[END-IMG ID]", "[POI]", "Type=0x2f06", "EndLevel=9", "[DICTIONARY]", "x", "[END-DICTIONARY]",
      "[END]"},
     {"[POI]", "Type=0x2f06", "EndLevel=3", "[END]"}},
};

INSTANTIATE_TEST_SUITE_P(Process, ProcessOldSection, testing::ValuesIn(kSectionCases), CaseName<SectionCase>);

TEST(ProcessDictionary, SectionInFrontOfTheHeaderEndGoesWithIt) {
    Session run = DictionarySession();
    const Lines out = run.Process({"[IMG ID]", "[DICTIONARY]", "[END-IMG ID]", "[END-DICTIONARY]", "[POI]",
                                   "Type=0x2f06", "Label=EndLevel", "[END]"});
    // No header end remains, so no section is generated; the removed header end still closed the header
    // part, so the label is an ordinary object line.
    EXPECT_EQ(out, (Lines{"[IMG ID]", "[POI]", "Type=0x2f06", "EndLevel=3", "Label=EndLevel", "[END]"}));
    EXPECT_TRUE(run.dicLines.empty());
}

TEST(ProcessDictionary, OptionOffKeepsOldSections) {
    Session run;
    const Lines input = WithHeader(
        {"[DICTIONARY]", "Level1Rgn10=1", "[END-DICTIONARY]", "[POI]", "Type=0x2f06", "EndLevel=3", "[END]"});
    EXPECT_EQ(run.Process(input), input);
    EXPECT_TRUE(run.dicLines.empty());
}

// ---------------------------------------------------------------------------------------------------------
// Failures and progress.

struct FailCase {
    const char* name;
    Lines input;
    std::string message;
};

class ProcessFailure : public testing::TestWithParam<FailCase> {};

TEST_P(ProcessFailure, LeavesEverythingAsBefore) {
    Session run = DictionarySession();
    // Behind the 0x4c row, so the dictionary's lookup by the first four characters never reaches it.
    run.lists.polygon.AddTypeRow("0x4c00", "", "two");
    run.dicLines = {"earlier"};
    const DictionaryTables tablesBefore = run.tables;
    MapText text = MapText::FromNormalised(Join(GetParam().input));
    const std::string before = text.Buffer();
    RecordingProgress progress;
    try {
        ProcessMap(text, run.levels, run.lists, run.useDictionary, run.tables, run.dicLines, &progress);
        FAIL() << "no failure";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
    EXPECT_EQ(text.Buffer(), before);
    EXPECT_EQ(text.LineCount(), GetParam().input.size());
    EXPECT_EQ(run.dicLines, LineList{"earlier"});
    EXPECT_EQ(run.tables, tablesBefore);
    EXPECT_EQ(progress.states, std::vector<PassState>{PassState::Processing});
}

// Every case fails after the header rewrite and the dictionary insertion have happened.
const FailCase kFailCases[] = {
    {"FirstObjectWithoutType",
     {"Levels=1", "Level0=24", "[END-IMG ID]", "[POLYLINE]", "Data0=(1,2)", "[END]"},
     "'' is not a valid integer value"},
    {"ShortCodeFollowedByAComment",
     {"Levels=1", "Level0=24", "[END-IMG ID]", "[POLYLINE]", "Type=0x16 ;road", "[END]"},
     "'0x16 ;' is not a valid integer value"},
    {"LevelCaptionThatIsNoNumber",
     {"Levels=1", "Level0=24", "[END-IMG ID]", "[POLYGON]", "Type=0x4c", "[END]", "[POLYGON]", "Type=0x4c00", "[END]"},
     "'two' is not a valid integer value"},
    {"TypeThatIsNoNumberInTheHeaderPart",
     {"Levels=1", "Level0=24", "[POI]", "Type=0x2f x", "Label=Typesetting", "[END]", "[END-IMG ID]"},
     "'0x2f x' is not a valid integer value"},
};

INSTANTIATE_TEST_SUITE_P(Process, ProcessFailure, testing::ValuesIn(kFailCases), CaseName<FailCase>);

TEST(ProcessProgress, ReportsTheStatesAndEndsWithTheBarFull) {
    Session run;
    RecordingProgress progress;
    const Lines input = WithHeader({"[POLYLINE]", "Type=0x16", "[END]"});
    run.Process(input, &progress);
    EXPECT_EQ(progress.states, (std::vector<PassState>{PassState::Processing, PassState::Processed}));
    ASSERT_FALSE(progress.bars.empty());
    const std::uint64_t bytes = Join(input).size();
    EXPECT_EQ(progress.bars.back(), (std::pair<std::uint64_t, std::uint64_t>{bytes, bytes}));
}

TEST(ProcessProgress, ReportsNowAndThenNotAtEveryLine) {
    Session run;
    Lines input = WithHeader({});
    for (int i = 0; i < 50000; ++i) input.insert(input.end(), {"[POLYLINE]", "Type=0x16", "Data0=(1,2)", "[END]"});
    RecordingProgress progress;
    const Lines out = run.Process(input, &progress);
    ASSERT_EQ(out.size(), input.size() + 50000);
    EXPECT_GE(progress.bars.size(), 2u);
    EXPECT_LE(progress.bars.size(), 6u);
}

TEST(ProcessProgress, NullProgressIsAllowed) {
    Session run;
    EXPECT_EQ(run.Process(WithHeader({"[POI]", "Type=0x2f06", "[END]"}), nullptr),
              WithHeader({"[POI]", "EndLevel=3", "Type=0x2f06", "[END]"}));
}

// ---------------------------------------------------------------------------------------------------------
// A plain list walk to compare against: a vector of lines with real inserts and removals, one step after
// the other, slow on purpose. ProcessMap must give the same bytes, dictionary lines and tables on any map.

struct WalkResult {
    std::optional<std::string> failure;
    std::string buffer;
    LineList dicLines;
    DictionaryTables tables;
};

bool HoldsEndMarker(const std::string& line) {
    return ContainsNoCase(line, "[END-DICTIONARY]") || ContainsNoCase(line, "[END DICTIONARY]");
}

bool BeginsWithAny(const std::string& line, std::initializer_list<const char*> prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(), [&](const char* prefix) { return StartsWith(line, prefix); });
}

// "Levels=", or "Level" / "Zoom" with digits and "=", any letter case.
bool IsStrayLevelKey(const std::string& line) {
    if (StartsWithNoCase(line, "Levels=")) return true;
    for (const std::string_view prefix : {"level", "zoom"}) {
        if (!StartsWithNoCase(line, prefix)) continue;
        std::size_t end = prefix.size();
        while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
        return end > prefix.size() && end < line.size() && line[end] == '=';
    }
    return false;
}

// Characters 6 to 11, or 6 to 12 for "0x" and exactly five hexadecimal digits.
std::string TypeTextOf(const std::string& line) {
    const std::string value = line.size() > 5 ? line.substr(5) : std::string();
    const auto hex = [&](std::size_t i) {
        return i < value.size() && std::isxdigit(static_cast<unsigned char>(value[i]));
    };
    if (value.size() >= 7 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X') && hex(2) && hex(3) && hex(4) &&
        hex(5) && hex(6) && !hex(7)) {
        return value.substr(0, 7);
    }
    return std::string(Mid(line, 6, 11));
}

WalkResult ListWalk(const Lines& input, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                    DictionaryTables tables, LineList dicLines) {
    struct Line {
        std::string text;
        bool header;
        bool generated = false;
    };
    std::vector<Line> list;
    bool inHeader = true;
    for (const std::string& text : input) {
        list.push_back({text, inHeader});
        if (Contains(text, "[END-IMG ID]")) inHeader = false;
    }

    WalkResult result;
    std::size_t index = 0;
    bool headerDone = false;
    int kind = -1;
    std::string typeText;
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t endLevel = kNone;
    try {
        while (index < list.size()) {
            std::string line = list[index].text;
            const bool header = list[index].header;
            if (!headerDone && header && StartsWithNoCase(line, "Levels=")) {
                // The header's level keys above go too.
                for (std::size_t k = index; k-- > 0;) {
                    if (list[k].header && !list[k].generated && IsStrayLevelKey(list[k].text)) {
                        list.erase(list.begin() + static_cast<std::ptrdiff_t>(k));
                        --index;
                        if (endLevel != kNone && endLevel > k) --endLevel;
                    }
                }
                while (index < list.size() &&
                       (StartsWithNoCase(list[index].text, "Level") || StartsWithNoCase(list[index].text, "Zoom"))) {
                    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
                }
                const std::size_t n = levels.size();
                auto at = [&](std::size_t i) { return list.begin() + static_cast<std::ptrdiff_t>(i); };
                list.insert(at(index), {"Levels=" + std::to_string(n), true, true});
                for (std::size_t r = 0; r < n; ++r) {
                    const std::string& key = levels.rows()[r].key;
                    list.insert(at(index + 1 + r), {key + "=" + LeadingBits(levels.ValueOfKey(key)), true, true});
                }
                for (std::size_t k = 0; k < n; ++k) {
                    list.insert(at(index + 1 + n + k),
                                {"Zoom" + std::to_string(k) + "=" + std::to_string(k), true, true});
                }
                headerDone = true;
                line = list[index].text;
            }
            std::size_t skip = 0;
            if (useDictionary) {
                if (line == "[END-IMG ID]") {
                    dicLines = BuildDictionary(lists, tables);
                    for (std::size_t d = 0; d < dicLines.size(); ++d) {
                        list.insert(list.begin() + static_cast<std::ptrdiff_t>(index + 1 + d), {dicLines[d], false});
                    }
                    skip = dicLines.size();
                } else if (Contains(line, "[DICTIONARY]")) {
                    std::size_t end = index;
                    while (end < list.size() && !HoldsEndMarker(list[end].text)) ++end;
                    if (end < list.size()) {
                        ++end;
                    } else {
                        end = index + 1;
                        while (end < list.size() && !StartsWith(list[end].text, "[")) ++end;
                    }
                    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index),
                               list.begin() + static_cast<std::ptrdiff_t>(end));
                    continue;
                }
            }
            if (headerDone && header && !list[index].generated && IsStrayLevelKey(line)) {
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
                continue;
            }
            if (!StartsWith(line, ";")) {
                if (BeginsWithAny(line, {"[POI]", "[RGN10]", "[RGN20]"})) kind = 0;
                if (BeginsWithAny(line, {"[POLYLINE]", "[RGN40]"})) kind = 1;
                if (BeginsWithAny(line, {"[POLYGON]", "[RGN80]"})) kind = 2;
                if (StartsWith(line, "Type")) typeText = TypeTextOf(line);
                if (StartsWith(line, "EndLevel")) endLevel = index;
                if (BeginsWithAny(line, {"[END]", "[END-RGN10]", "[END-RGN20]", "[END-RGN40]", "[END-RGN80]"})) {
                    if (kind >= 0) {
                        const auto k = static_cast<ObjectKind>(kind);
                        const std::int32_t level =
                            lists.Of(k).GetTypeLevel(NormalisedTypeCode(k, ReadInteger(typeText)));
                        const std::string newLine = "EndLevel=" + std::to_string(level);
                        if (endLevel != kNone) {
                            list[endLevel].text = newLine;
                        } else {
                            list.insert(list.begin() + static_cast<std::ptrdiff_t>(index == 0 ? 0 : index - 1),
                                        {newLine, false});
                            ++index;
                        }
                    }
                    endLevel = kNone;
                }
            }
            index += 1 + skip;
        }
    } catch (const Error& e) {
        result.failure = e.what();
        return result;
    }
    for (const Line& line : list) result.buffer += line.text + "\n";
    result.dicLines = std::move(dicLines);
    result.tables = tables;
    return result;
}

// Lines that make the walk's decisions hard: keys in any case, keys inside labels and comments, sections
// of other names, dictionary sections with either end spelling or none, second header ends.
const char* const kHeaderLines[] = {"[IMG ID]",    "ID=1",      "Name=Multi-Level Map",
                                    "Levels=4",    "levels=2",  "LEVELS=3",
                                    "Level0=24",   "LEVEL1=21", "level2=18",
                                    "Level3=17",   "Zoom0=0",   "ZOOM1=1",
                                    "zoom2=2",     "Zoom3=3",   ";Level of detail",
                                    "Elevation=M", "",          "Levels=9",
                                    "LevelX",      "ZoomOut=1", "Level1Rgn10=01",
                                    "Zoom2x=1"};
const char* const kHeaderRarities[] = {"EndLevel=3",       "[POI]",         "Type=0x2f06", "[END]", "[DICTIONARY]",
                                       "[END-DICTIONARY]", "[END-IMG ID] ", "[POLYLINE]"};
const char* const kOpeners[] = {"[POI]",   "[POLYLINE]", "[POLYGON]", "[RGN10]",        ";[POI]",
                                "[RGN40]", "[RGN80]",    "[rgn20]",   "[POLYGON][POI]", " [POI]"};
const char* const kTypeLines[] = {"Type=0x2f06",  "Type=0x2F06",    "Type=0x12345", "Type=0x16", "Type=22",
                                  "Type=0x4c",    "Type=0x99",      "Type=0x1234",  "Type=0x01", "Type=$16",
                                  "Type=0x10f04", "Type=0X0004C;x", "Type=0x000161"};
const char* const kBodyLines[] = {"Label=Road Type 2", ";Type=0x16",        "EndLevel=1",       "EndLevel=12",
                                  ";EndLevel=4",       "Label=EndLevel",    "EndLevel=3 [END]", "Data0=(1,2)",
                                  "Data1=(3,4)",       "Data5=(5,6)",       "Levels=2",         "Level0=22",
                                  "Zoom0=0",           "; note [END]",      "[END-RGN10]",      "",
                                  "Label=[POLYGON]",   "Data0=(1,2),(3,4)", "[END-RGN40]",      "Label=[END] of road"};
const char* const kSectionLines[] = {
    "", ";Stratex Generated DICTIONARY!!!", "[DICTIONARY]", "Level1Rgn10=0101", "Level2Rgn40=1", ";           123"};
const char* const kSectionEnds[] = {"[END-DICTIONARY]", "[end dictionary]", "[END DICTIONARY]", "x[End-Dictionary]y"};
const char* const kMiscLines[] = {"[END-IMG ID]",     "[END-IMG ID] ", "[END]", "[DICTIONARY]",
                                  "[END-DICTIONARY]", "Levels=1",      "[POI]", "[POLYLINE]"};

template <std::size_t N>
const char* Pick(std::mt19937& rng, const char* const (&pool)[N]) {
    return pool[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
}

bool Chance(std::mt19937& rng, int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; }

int Below(std::mt19937& rng, int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

Lines GenerateMap(std::mt19937& rng) {
    Lines lines;
    if (Chance(rng, 15)) {
        // Any line anywhere.
        const int count = Below(rng, 40);
        for (int i = 0; i < count; ++i) {
            switch (Below(rng, 6)) {
                case 0:
                    lines.push_back(Pick(rng, kHeaderLines));
                    break;
                case 1:
                    lines.push_back(Pick(rng, kOpeners));
                    break;
                case 2:
                    lines.push_back(Pick(rng, kTypeLines));
                    break;
                case 3:
                    lines.push_back(Pick(rng, kBodyLines));
                    break;
                case 4:
                    lines.push_back(Pick(rng, kSectionLines));
                    break;
                default:
                    lines.push_back(Pick(rng, kMiscLines));
                    break;
            }
        }
        return lines;
    }
    lines.push_back("[IMG ID]");
    for (int i = Below(rng, 10); i > 0; --i) {
        lines.push_back(Chance(rng, 8) ? Pick(rng, kHeaderRarities) : Pick(rng, kHeaderLines));
    }
    if (!Chance(rng, 8)) lines.push_back(Chance(rng, 90) ? "[END-IMG ID]" : "[END-IMG ID] ");
    bool typed = false;
    for (int object = Below(rng, 12); object > 0; --object) {
        if (Chance(rng, 15)) {
            for (int i = Below(rng, 3); i > 0; --i) lines.push_back(Pick(rng, kSectionLines));
            lines.push_back("[DICTIONARY]");
            for (int i = Below(rng, 4); i > 0; --i) lines.push_back(Pick(rng, kSectionLines));
            if (!Chance(rng, 25)) lines.push_back(Pick(rng, kSectionEnds));
            if (Chance(rng, 50)) lines.push_back("");
        }
        lines.push_back(Pick(rng, kOpeners));
        if (!typed || Chance(rng, 85)) {
            typed = true;
            lines.push_back(Pick(rng, kTypeLines));
        }
        for (int i = Below(rng, 6); i > 0; --i) lines.push_back(Pick(rng, kBodyLines));
        if (Chance(rng, 5)) lines.push_back(Pick(rng, kMiscLines));
        lines.push_back("[END]");
        if (Chance(rng, 40)) lines.push_back("");
    }
    return lines;
}

LevelsTable GenerateLevels(std::mt19937& rng) {
    switch (Below(rng, 5)) {
        case 0:
            return ThreeLevels();
        case 1:
            return LevelsTable();
        case 2:
            return MakeLevels({{"Level0", "8bit ()"}, {"LEVEL0", "22bit"}, {"Level1", ""}, {"Level2", "x"}});
        case 3:
            // Keys whose generated lines the walk recognises: an EndLevel line, a dictionary start, an opener.
            return MakeLevels({{"Level0 EndLevel", "24bit"},
                               {"Level1[DICTIONARY]", "21bit"},
                               {"[POI]x", "18bit"},
                               {"Level3", "17bit"}});
        default:
            return MakeLevels({});
    }
}

TEST(ProcessSummaryCounts, EveryObjectCountsUnderItsOwnType) {
    // Far more types than a cache has room for, met in an order that keeps pushing one another out, each
    // object with no EndLevel line, the one Process gives, or another one. The expected summary is read from
    // the map before and after, object by object.
    std::mt19937 rng(7);
    Session run;
    for (int code = 100; code < 400; ++code) {
        run.lists.poi.AddTypeRow("0x0" + std::to_string(code), "", std::to_string(code % 3));
        run.lists.polygon.AddTypeRow("0x" + std::to_string(code), "", std::to_string(code % 3));
    }
    Lines input = WithHeader({});
    for (int n = 0; n < 6000; ++n) {
        input.push_back(n % 2 ? "[POLYGON]" : "[POI]");
        input.push_back("Type=0x" + std::to_string(100 + static_cast<int>(rng() % 900)));
        if (const int pick = static_cast<int>(rng() % 3); pick > 0) input.push_back("EndLevel=" + std::to_string(pick));
        input.push_back("[END]");
    }
    MapText text = MapText::FromNormalised(Join(input));
    ProcessSummary summary;
    ProcessMap(text, run.levels, run.lists, false, run.tables, run.dicLines, nullptr, &summary);

    const Lines output = Split(text.Buffer());
    ProcessSummary expected;
    std::size_t out = 0;
    for (std::size_t in = 0; in < input.size(); ++in, ++out) {
        if (input[in] != "[POI]" && input[in] != "[POLYGON]") continue;
        const ObjectKind kind = input[in] == "[POI]" ? ObjectKind::Poi : ObjectKind::Polygon;
        const std::string type = input[in + 1].substr(5);
        const bool had = input[in + 2] != "[END]";
        const std::optional<std::string_view> old = had ? std::optional<std::string_view>(input[in + 2]) : std::nullopt;
        // A line put in goes in front of the object's last line before its end: here its Type line.
        ASSERT_EQ(output[out + (had ? 1 : 2)], input[in + 1]);
        expected.Count(kind, type, old, output[out + (had ? 2 : 1)]);
        if (!had) ++out;  // the line put in
    }
    EXPECT_EQ(summary.types(), expected.types());
    EXPECT_EQ(summary.Total().objects(), 6000u);
    EXPECT_GT(summary.Total().unchanged, 0u);

    // In memory in segments walked side by side, each counting its own objects.
    MapText inSegments = MapText::FromNormalised(Join(input));
    ProcessSummary segmentsInMemory;
    ProcessMap(inSegments, run.levels, run.lists, false, run.tables, run.dicLines, nullptr, &segmentsInMemory, 1000);
    EXPECT_EQ(segmentsInMemory.types(), expected.types());
    EXPECT_EQ(inSegments.Buffer(), text.Buffer());

    // Streamed through a small buffer, which reading on reuses between an EndLevel line and its object's end.
    const std::string bytes = Join(input);
    MemorySource source(bytes, 7);
    StringSink sink;
    ProcessSummary streamed;
    ProcessMapStream(source, {}, run.levels, run.lists, false, run.tables, run.dicLines, sink, 64, &streamed);
    EXPECT_EQ(streamed.types(), expected.types());

    // In parts walked side by side, each counting its own objects.
    StringSink segmentedSink;
    ProcessSummary segmented;
    ProcessMapParts(TextParts(bytes), {}, run.levels, run.lists, false, run.tables, run.dicLines, segmentedSink,
                    &segmented, 1000);
    EXPECT_EQ(segmented.types(), expected.types());
    EXPECT_EQ(segmentedSink.bytes, sink.bytes);
}

// Also walked in segments side by side, a few objects each.
TEST(ProcessDifferential, OnePassMatchesTheListWalk) {
    std::mt19937 rng(20240607);
    int failures = 0;
    int withDictionary = 0;
    for (int n = 0; n < 400; ++n) {
        const Lines input = GenerateMap(rng);
        Session session;
        session.levels = GenerateLevels(rng);
        if (Chance(rng, 10)) session.lists.polyline.AddTypeRow("0x99", "", "bad");
        if (Chance(rng, 10)) session.lists.poi.AddTypeRow("0x2f07", "", "255");
        session.useDictionary = Chance(rng, 50);
        for (int i = Below(rng, 5); i > 0; --i) {
            session.tables.Of(kAllKinds[Below(rng, 3)])[Below(rng, 256)] = Below(rng, 12);
        }
        if (Chance(rng, 50)) session.dicLines = {"earlier"};

        const WalkResult expected =
            ListWalk(input, session.levels, session.lists, session.useDictionary, session.tables, session.dicLines);
        const std::string before = Join(input);
        SCOPED_TRACE("case " + std::to_string(n) + ":\n" + before);

        std::uint64_t onePassFailureLine = 0;
        for (const std::size_t segmentSize : {std::size_t{0}, std::size_t{100}}) {
            SCOPED_TRACE(segmentSize == 0 ? "one walk" : "in segments");
            Session run = session;
            MapText text = MapText::FromNormalised(before);
            RecordingProgress progress;
            std::optional<std::string> failure;
            std::uint64_t failureLine = 0;
            try {
                ProcessMap(text, run.levels, run.lists, run.useDictionary, run.tables, run.dicLines, &progress, nullptr,
                           segmentSize);
            } catch (const Error& e) {
                failure = e.what();
                failureLine = e.line();
            }
            ASSERT_EQ(failure, expected.failure);
            if (segmentSize == 0) onePassFailureLine = failureLine;
            EXPECT_EQ(failureLine, onePassFailureLine);
            if (failure) {
                failures += segmentSize == 0;
                EXPECT_EQ(text.Buffer(), before);
                EXPECT_EQ(run.tables, session.tables);
                EXPECT_EQ(run.dicLines, session.dicLines);
                continue;
            }
            withDictionary += segmentSize == 0 && run.useDictionary && run.dicLines != session.dicLines;
            ASSERT_EQ(text.Buffer(), expected.buffer);
            const Lines lines = Split(expected.buffer);
            ASSERT_EQ(text.LineCount(), lines.size());
            for (std::uint64_t i = 0; i < text.LineCount(); ++i) ASSERT_EQ(text.Line(i), lines[i]) << "line " << i;
            EXPECT_EQ(run.dicLines, expected.dicLines);
            EXPECT_EQ(run.tables, expected.tables);
            // The bar ends full: every byte of the map walked.
            ASSERT_FALSE(progress.bars.empty());
            EXPECT_EQ(progress.bars.back(), std::make_pair<std::uint64_t>(before.size(), before.size()));
        }
        if (session.useDictionary) continue;
        // Streamed, in one walk and in segments walked side by side (an object or a few each): the same bytes,
        // or the same failure at the same line, and the same summary.
        // Sizes drawn apart from the maps, which stay those the comparisons above were tuned on.
        std::mt19937 draw(static_cast<unsigned>(n));
        std::string streamedOutcomes[3];
        const std::size_t segmentSizes[3] = {0, 1 + static_cast<std::size_t>(Below(draw, 40)),
                                             40 + static_cast<std::size_t>(Below(draw, 400))};
        for (std::size_t k = 0; k < 3; ++k) {
            Session run = session;
            MemorySource source(before, 1 + static_cast<std::size_t>(Below(draw, 7)));
            StringSink sink;
            ProcessSummary summary;
            try {
                if (segmentSizes[k] == 0) {
                    ProcessMapStream(source, {}, run.levels, run.lists, false, run.tables, run.dicLines, sink, 64,
                                     &summary);
                } else {
                    ProcessMapParts(TextParts(before), {}, run.levels, run.lists, false, run.tables, run.dicLines, sink,
                                    &summary, segmentSizes[k]);
                }
                streamedOutcomes[k] = sink.bytes;
            } catch (const Error& e) {
                streamedOutcomes[k] = "failure at line " + std::to_string(e.line()) + ": " + e.what() + "\n";
            }
            streamedOutcomes[k] += summary.ToText();
        }
        EXPECT_EQ(streamedOutcomes[1], streamedOutcomes[0]) << "segments of " << segmentSizes[1] << " bytes";
        EXPECT_EQ(streamedOutcomes[2], streamedOutcomes[0]) << "segments of " << segmentSizes[2] << " bytes";
    }
    // The generator must reach both outcomes and the dictionary insertion, or the comparison proves little.
    EXPECT_GT(failures, 20);
    EXPECT_LT(failures, 200);
    EXPECT_GT(withDictionary, 50);
}

// What the streamed Process of map gives with segments of segmentSize bytes (0: in one walk), read sixteen
// bytes at a time: the bytes, or the failure and its line, then the summary.
std::string StreamedOutcome(const std::string& map, std::size_t segmentSize) {
    Session run;
    MemorySource source(map, 16);
    StringSink sink;
    ProcessSummary summary;
    std::string outcome;
    try {
        if (segmentSize == 0) {
            ProcessMapStream(source, {}, run.levels, run.lists, false, run.tables, run.dicLines, sink,
                             LineReader::kDefaultCapacity, &summary);
        } else {
            ProcessMapParts(TextParts(map), {}, run.levels, run.lists, false, run.tables, run.dicLines, sink, &summary,
                            segmentSize);
        }
        outcome = sink.bytes;
    } catch (const Error& e) {
        outcome = "failure at line " + std::to_string(e.line()) + ": " + e.what() + "\n";
    }
    return outcome + summary.ToText();
}

// Where a segment would grow past eight segment sizes with no cut in sight, the rest of the map is walked in
// one from the first segment not written: none of the bytes read is lost, and what carries over from the
// segments before (a type, an EndLevel line waiting for its object's end) carries over as in the one walk.
TEST(ProcessInParts, TooLongAPartIsWalkedInOne) {
    const std::string header = "[IMG ID]\nLevels=2\nLevel0=24\nLevel1=22\n[END-IMG ID]\n";
    std::string data;
    while (data.size() < 1000) data += "Data0=(55.10,37.20),(55.11,37.21)\n";
    const std::string small = "[POI]\nType=0x2f06\nData0=(1,2)\n[END]\n";
    const struct {
        const char* name;
        std::string map;
    } cases[] = {
        {"a header part that does not end", "[IMG ID]\nLevels=2\n" + data + small},
        {"a long object without a Type line",
         header + "[POLYLINE]\nType=0x16\n[END]\n[POLYLINE]\n" + data + "[END]\n" + small},
        {"a long object behind an EndLevel line that waits",
         header + "[POLYLINE]\nType=0x16\nEndLevel=5\nData0=(1,2)\n[POLYLINE]\nType=0x16\n" + data + "[END]\n" + small},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string expected = StreamedOutcome(c.map, 0);
        EXPECT_NE(expected.find("EndLevel="), std::string::npos);
        EXPECT_EQ(StreamedOutcome(c.map, 64), expected);
    }
}

// The bytes of a map, a hundred at a time, then a failure to read on.
class FailingSource : public ByteSource {
public:
    explicit FailingSource(std::string_view bytes) : bytes_(bytes) {}
    std::size_t Read(char* into, std::size_t max) override {
        if (bytes_.empty()) throw Error("the map cannot be read on");
        const std::size_t n = std::min({max, bytes_.size(), std::size_t{100}});
        std::memcpy(into, bytes_.data(), n);
        bytes_.remove_prefix(n);
        return n;
    }

private:
    std::string_view bytes_;
};

// A map whose stretches read as they stand, but for a failure to read on at its end.
class FailingParts : public TextParts {
public:
    explicit FailingParts(std::string_view text) : TextParts(text), text_(text) {}
    std::unique_ptr<ByteSource> Open(std::uint64_t from, std::uint64_t to) const override {
        if (to < text_.size()) return TextParts::Open(from, to);
        return std::make_unique<FailingSource>(text_.substr(from, to - from));
    }

private:
    std::string_view text_;
};

// Where the parts' walkers cannot be started, or the map cannot be read to its end, Process in segments
// gives what the one walk gives: the same bytes, or the first failure the one walk meets, at its line.
TEST(ProcessInParts, FallsBackAndFailsAsTheOneWalk) {
    Lines objects;
    for (int i = 0; i < 300; ++i) objects.insert(objects.end(), {"[POLYLINE]", "Type=0x16", "Data0=(1,2)", "[END]"});
    Lines badEarly = objects;
    badEarly[41] = "Type=zz";
    const std::string good = Join(WithHeader(objects));
    const std::string bad = Join(WithHeader(badEarly));
    const auto outcome = [](const std::string& map, std::size_t segmentSize, bool readFails) {
        Session run;
        MemorySource whole(map);
        FailingSource failing(map);
        const TextParts parts(map);
        const FailingParts failingParts(map);
        StringSink sink;
        try {
            if (segmentSize == 0) {
                ProcessMapStream(readFails ? static_cast<ByteSource&>(failing) : whole, {}, run.levels, run.lists,
                                 false, run.tables, run.dicLines, sink, 64);
            } else {
                ProcessMapParts(readFails ? static_cast<const PartInput&>(failingParts) : parts, {}, run.levels,
                                run.lists, false, run.tables, run.dicLines, sink, nullptr, segmentSize);
            }
        } catch (const Error& e) {
            return "failure at line " + std::to_string(e.line()) + ": " + e.what();
        }
        return sink.bytes;
    };
    for (const std::string* map : {&good, &bad}) {
        for (const bool readFails : {false, true}) {
            SCOPED_TRACE((map == &bad ? "a bad type early, " : "") + std::string(readFails ? "a read failure" : ""));
            const std::string expected = outcome(*map, 0, readFails);
            EXPECT_EQ(outcome(*map, 200, readFails), expected);
            passThreadsRefused = true;
            EXPECT_EQ(outcome(*map, 200, readFails), expected);
            passThreadsRefused = false;
        }
    }
    // The failure of Process before the read failure comes first.
    EXPECT_NE(outcome(good, 200, true).find("the map cannot be read on"), std::string::npos);
    EXPECT_NE(outcome(bad, 200, true).find("'zz' is not a valid integer value"), std::string::npos);

    // The map in memory: without threads, walked in one.
    Session run;
    MapText text = MapText::FromNormalised(good);
    passThreadsRefused = true;
    ProcessMap(text, run.levels, run.lists, false, run.tables, run.dicLines, nullptr, nullptr, 200);
    passThreadsRefused = false;
    EXPECT_EQ(text.Buffer(), Join(run.Process(WithHeader(objects))));
}

// Process warns about what it makes: objects whose lowest coordinate level lies above the EndLevel they get,
// EndLevels at or above the top level, a map that ends inside an object; counted, with the first line, the
// same in one walk, in parts and in memory.
TEST(ProcessWarnings, CountWhatProcessMakesWithTheFirstLine) {
    Session run;  // Levels 0 to 2; 0x2f06 gets 3, 0x16 gets 1, 0x4c gets 2
    Lines objects;
    for (int i = 0; i < 40; ++i) {
        objects.insert(objects.end(), {"[POLYLINE]", "Type=0x16", "Data0=(1,2)", "[END]"});  // fine
    }
    objects.insert(objects.end(), {"[POLYLINE]", "Type=0x16", "Data2=(1,2)", "Data3=(1,2)", "[END]"});  // above
    objects.insert(objects.end(), {"[POI]", "Type=0x2f06", "Data0=(1,2)", "[END]"});                    // top
    objects.insert(objects.end(), {"[POLYGON]", "Type=0x4c", "Data0=(1,2)", "[END]"});                  // top
    objects.insert(objects.end(), {"[POLYLINE]", "Type=0x16", "Data0=(1,2)"});                          // open
    const Lines input = WithHeader(objects);
    const std::string map = Join(input);
    const auto lineOf = [&](std::size_t from, const std::string& text) {
        return static_cast<std::uint64_t>(std::find(input.begin() + from, input.end(), text) - input.begin() + 1);
    };
    const std::uint64_t aboveEnd = lineOf(lineOf(0, "Data3=(1,2)"), "[END]");
    const std::uint64_t topEnd = lineOf(lineOf(0, "[POI]"), "[END]");
    const std::uint64_t openLine = input.size() - 2;

    const auto check = [&](const ProcessWarnings& warnings) {
        EXPECT_EQ(warnings.dataAboveEndLevel, (ProcessWarnings::Problem{1, aboveEnd}));
        EXPECT_EQ(warnings.endLevelAtTop, (ProcessWarnings::Problem{2, topEnd}));
        EXPECT_EQ(warnings.endsInsideObject, (ProcessWarnings::Problem{1, openLine}));
    };
    {
        SCOPED_TRACE("one walk");
        ProcessWarnings warnings;
        MemorySource source(map, 7);
        StringSink sink;
        Session walk;
        ProcessMapStream(source, {}, walk.levels, walk.lists, false, walk.tables, walk.dicLines, sink, 64, nullptr,
                         &warnings);
        check(warnings);
    }
    for (const std::uint64_t partSize : {std::uint64_t{60}, std::uint64_t{300}}) {
        SCOPED_TRACE("parts of " + std::to_string(partSize));
        ProcessWarnings warnings;
        StringSink sink;
        Session parts;
        ProcessMapParts(TextParts(map), {}, parts.levels, parts.lists, false, parts.tables, parts.dicLines, sink,
                        nullptr, partSize, &warnings);
        check(warnings);
    }
    {
        SCOPED_TRACE("in memory");
        ProcessWarnings warnings;
        MapText text = MapText::FromNormalised(map);
        ProcessMap(text, run.levels, run.lists, false, run.tables, run.dicLines, nullptr, nullptr, 100, &warnings);
        check(warnings);
    }
}

// ---------------------------------------------------------------------------------------------------------
// A real map.

bool IsHeaderLevelLine(const std::string& line) { return StartsWith(line, "Level") || StartsWith(line, "Zoom"); }

// The lines of a processed map with what Process may change taken out: EndLevel lines, the header part's
// level lines and, when present, the generated dictionary after the header end.
Lines Unchangeable(const Lines& lines, const LineList& generated) {
    Lines kept;
    bool inHeader = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (StartsWith(line, "EndLevel=") || (inHeader && IsHeaderLevelLine(line))) continue;
        kept.push_back(line);
        if (inHeader && Contains(line, "[END-IMG ID]")) {
            inHeader = false;
            if (!generated.empty() &&
                Lines(lines.begin() + static_cast<std::ptrdiff_t>(i + 1),
                      lines.begin() + static_cast<std::ptrdiff_t>(i + 1 + generated.size())) == generated) {
                i += generated.size();
            }
        }
    }
    return kept;
}

constexpr const char* kTopographicTile = STRATEX_TESTDATA_DIR "/real/map_podm/mp/n37-075.mp";

TEST(ProcessRealMap, ChangesOnlyEndLevelAndHeaderLevelLines) {
    if (!std::filesystem::exists(kTopographicTile)) GTEST_SKIP() << "needs ../shared/testdata (the real maps)";
    const MapText original = MapText::FromFile(kTopographicTile);
    const Lines input = Split(original.Buffer());
    ASSERT_GT(input.size(), 1000u);

    for (const bool useDictionary : {false, true}) {
        SCOPED_TRACE(useDictionary ? "dictionary on" : "dictionary off");
        Session run;
        run.useDictionary = useDictionary;
        run.lists = TypeLists();
        run.lists.polyline.AddTypeRow("0x7e", "", "2");
        run.lists.poi.AddTypeRow("0x0900", "", "1");
        MapText text = original;
        ProcessMap(text, run.levels, run.lists, run.useDictionary, run.tables, run.dicLines);
        const Lines out = Split(text.Buffer());

        EXPECT_EQ(Unchangeable(out, run.dicLines), Unchangeable(input, {}));
        EXPECT_EQ(run.dicLines.size(), useDictionary ? 38u : 0u);

        // The new header run, and one EndLevel line per object with the level of its type.
        const auto levels = std::find(out.begin(), out.end(), "Levels=3");
        ASSERT_NE(levels, out.end());
        EXPECT_EQ(Lines(levels, levels + 7),
                  (Lines{"Levels=3", "Level0=24", "Level1=21", "Level2=18", "Zoom0=0", "Zoom1=1", "Zoom2=2"}));
        std::size_t objects = 0;
        std::size_t endLevels = 0;
        std::string lastEndLevel;
        std::string lastType;
        bool inObjects = false;
        for (const std::string& line : out) {
            if (line == "[END-IMG ID]") inObjects = true;
            if (!inObjects) continue;
            if (StartsWith(line, "Type=")) lastType = line;
            if (StartsWith(line, "EndLevel=")) {
                ++endLevels;
                lastEndLevel = line;
            }
            if (line == "[END]") {
                ++objects;
                const std::string expected =
                    lastType == "Type=0x7e" ? "EndLevel=2" : (lastType == "Type=0x900" ? "EndLevel=1" : "EndLevel=0");
                EXPECT_EQ(lastEndLevel, expected) << lastType;
                lastEndLevel.clear();
            }
        }
        EXPECT_EQ(objects, 236u);
        EXPECT_EQ(endLevels, objects);
    }
}

// A NUL byte in the middle of a real map is an ordinary byte: every object after it is processed.
TEST(ProcessRealMap, NulByteInTheMiddleIsKept) {
    if (!std::filesystem::exists(kTopographicTile)) GTEST_SKIP() << "needs ../shared/testdata (the real maps)";
    const std::string bytes = ReadFileBytes(kTopographicTile);
    // The first coordinate line from the middle on gets a NUL at its end.
    const std::size_t data = bytes.find("\nData", bytes.size() / 2);
    ASSERT_NE(data, std::string::npos);
    const std::size_t at = bytes.find_first_of("\r\n", data + 1);
    std::string withNul = bytes;
    withNul.insert(at, 1, '\0');

    Session run;
    MapText text = MapText::FromBytes(withNul);
    ProcessMap(text, run.levels, run.lists, false, run.tables, run.dicLines);
    MapText plain = MapText::FromBytes(bytes);
    ProcessMap(plain, run.levels, run.lists, false, run.tables, run.dicLines);

    std::string expected = plain.Buffer();
    const std::string line = bytes.substr(data + 1, at - data - 1);
    const std::size_t lineInOutput = expected.find("\n" + line + "\n");
    ASSERT_NE(lineInOutput, std::string::npos);
    expected.insert(lineInOutput + 1 + line.size(), 1, '\0');
    EXPECT_TRUE(text.Buffer() == expected);
    std::size_t objects = 0;
    for (std::size_t end = text.Buffer().find("\n[END]\n"); end != std::string::npos;
         end = text.Buffer().find("\n[END]\n", end + 1)) {
        ++objects;
    }
    EXPECT_EQ(objects, 236u);
}

}  // namespace
}  // namespace stratex

namespace stratex {
namespace {

// The levels are read back by line, also across steps too long for their compact form.
TEST(WrittenLevels, ReadBackByLineInOrder) {
    constexpr std::uint64_t kFar = std::uint64_t{1} << 33;
    WrittenLevels levels;
    for (const auto& [line, level] :
         {std::pair{std::uint64_t{5}, 1}, {9, 2}, {kFar, 3}, {kFar + 4, 4}, {3 * kFar, 5}}) {
        levels.Add(line, level);
    }
    WrittenLevels::Cursor cursor(levels);
    const std::pair<std::uint64_t, std::optional<std::int32_t>> asked[] = {
        {1, std::nullopt}, {5, 1},        {7, std::nullopt},           {9, 2}, {kFar, 3}, {kFar + 1, std::nullopt},
        {kFar + 4, 4},     {3 * kFar, 5}, {3 * kFar + 1, std::nullopt}};
    for (const auto& [line, level] : asked) EXPECT_EQ(cursor.At(line), level) << line;
}

}  // namespace
}  // namespace stratex
