#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "bytes/Error.h"
#include "bytes/FileSource.h"
#include "passes/MapScan.h"
#include "passes/Parallel.h"
#include "passes/ScanTestSupport.h"
#include "support/MemorySource.h"
#include "support/RealMaps.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

using Rows = std::vector<std::string>;

ScanResult Scan(const MapText& text, int sortColumn = 1, Progress* progress = nullptr) {
    DictionaryTables tables;
    return ScanMap(text, TestNames(), false, tables, sortColumn, progress);
}

// The map lines of a header part holding the given lines.
std::vector<std::string> WithHeader(const std::vector<std::string>& header, const std::vector<std::string>& objects) {
    std::vector<std::string> lines{"[IMG ID]"};
    lines.insert(lines.end(), header.begin(), header.end());
    lines.push_back("[END-IMG ID]");
    lines.insert(lines.end(), objects.begin(), objects.end());
    return lines;
}

TEST(MapScan, WorkedScanFromHeaderToLastObject) {
    const MapText text = MapOf({
        "[IMG ID]",
        "Levels=2",
        "Level0=22",
        "Level1=20",
        "Zoom0=0",
        "[END-IMG ID]",
        "[POI]",
        "Type=0x2F06",
        "EndLevel=1",
        "Data0=(55.75,37.61)",
        "[END]",
        "[POLYLINE]",
        "Type=0x16",
        "[END]",
        "[POI]",
        "Type=0x2f06",
        "EndLevel=3",
        "[END]",
    });
    RecordingProgress progress;
    const ScanResult result = Scan(text, 1, &progress);

    EXPECT_TRUE(result.isPolishMap);
    EXPECT_EQ(result.levels.rows(),
              (std::vector<LevelRow>{{"Level0", "22bit (<=500\xEC)", true}, {"Level1", "20bit (<=2\xEA\xEC)", true}}));
    EXPECT_EQ(RowsOf(result.lists.poi), (Rows{"1|0x2f06|Bank"}));
    EXPECT_EQ(result.lists.poi[0].icon, 58);
    EXPECT_EQ(RowsOf(result.lists.polyline), (Rows{"0|0x16|Trail"}));
    EXPECT_EQ(result.lists.polyline[0].icon, 5);
    EXPECT_TRUE(result.lists.polygon.empty());

    EXPECT_EQ(progress.states, (std::vector<PassState>{PassState::Scanning, PassState::Scanned}));
    ASSERT_FALSE(progress.positions.empty());
    EXPECT_EQ(progress.positions.front(), std::make_pair(std::uint64_t{text.Buffer().size()}, std::uint64_t{0}));
    EXPECT_EQ(progress.positions.back(), std::make_pair(std::uint64_t{18}, std::uint64_t{17}));
}

TEST(MapScan, HeaderLevelLinesMakeLevelRows) {
    struct Case {
        const char* name;
        std::vector<std::string> header;
        std::vector<LevelRow> rows;
    };
    const Case cases[] = {
        {"three levels in order",
         {"Levels=3", "Level0=24", "Level1=22", "Level2=21", "Zoom0=0", "Zoom1=1", "Zoom2=2"},
         {{"Level0", "24bit (<=120\xEC)", true},
          {"Level1", "22bit (<=500\xEC)", true},
          {"Level2", "21bit (<=1,2\xEA\xEC)", true}}},
        {"bits 27 show the bare number", {"Level3=27"}, {{"Level3", "27bit (27)", true}}},
        {"bits 17", {"Level3=17"}, {{"Level3", "17bit (<=12\xEA\xEC)", true}}},
        {"bits below 10 have no zoom text", {"Level0=8"}, {{"Level0", "8bit ()", true}}},
        {"bits above 28 have no zoom text", {"Level0=30"}, {{"Level0", "30bit ()", true}}},
        {"negative bits have no zoom text", {"Level0=-1"}, {{"Level0", "-1bit ()", true}}},
        {"the value is kept as spelled", {"Level0= 0x18"}, {{"Level0", " 0x18bit (<=120\xEC)", true}}},
        {"capital key", {"LEVEL1=21"}, {{"LEVEL1", "21bit (<=1,2\xEA\xEC)", true}}},
        {"small key", {"level2=19"}, {{"level2", "19bit (<=3\xEA\xEC)", true}}},
        {"two digit level", {"Level10=12"}, {{"Level10", "12bit (<=500\xEA\xEC)", true}}},
        {"a name holding Level is no level line",
         {"Name=Multi-Level Map", "Level0=22"},
         {{"Level0", "22bit (<=500\xEC)", true}}},
        {"a comment is no level line",
         {";Level of detail", "; Level0 should match", ";Level0=5", "Level0=11"},
         {{"Level0", "11bit (<=800\xEA\xEC)", true}}},
        {"lines that do not begin with Level and a digit",
         {"Level=5", "Levelx=3", " Level0=5", "EndLevel=2", "Levels=2", "ZoomLevel0=1"},
         {}},
        {"a repeated key takes the first value and no pick list",
         {"Level0=22", "LEVEL0=20"},
         {{"Level0", "22bit (<=500\xEC)", true}, {"LEVEL0", "22bit (<=500\xEC)", false}}},
        {"the earliest line of a key gives its value",
         {"Level1=20", "Level0=22", "level1=18"},
         {{"Level1", "20bit (<=2\xEA\xEC)", true},
          {"Level0", "22bit (<=500\xEC)", true},
          {"level1", "20bit (<=2\xEA\xEC)", false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanResult result = Scan(MapOf(WithHeader(c.header, {})));
        EXPECT_TRUE(result.isPolishMap);
        EXPECT_EQ(result.levels.rows(), c.rows);
    }
}

TEST(MapScan, LevelLineWithoutEqualsTakesTheFirstLineBeginningWithEquals) {
    // Its key is empty, and the first line with the empty key may stand anywhere in the map.
    const ScanResult later = Scan(MapOf(WithHeader({"Level0 22"}, {"=21", "=19"})));
    EXPECT_EQ(later.levels.rows(), (std::vector<LevelRow>{{"", "21bit (<=1,2\xEA\xEC)", true}}));

    const ScanResult earlier = Scan(MapOf(WithHeader({"=19", "Level0 22", "Level1 20"}, {"=21"})));
    EXPECT_EQ(earlier.levels.rows(),
              (std::vector<LevelRow>{{"", "19bit (<=3\xEA\xEC)", true}, {"", "19bit (<=3\xEA\xEC)", false}}));

    DictionaryTables tables;
    EXPECT_THROW(ScanMap(MapOf(WithHeader({"Level0 22"}, {})), TestNames(), false, tables, 1), Error);

    // Streamed, the scan passes over the lines of an object that mean nothing to it in one step, but not
    // over that line.
    std::string bytes;
    const std::vector<std::string> object = {"[POI]", "Type=0x2f06", "Label=x", "Data0=(1,2)", "=21", "[END]"};
    for (const std::string& line : WithHeader({"Level0 22"}, object)) bytes += line + "\r\n";
    MemorySource source(bytes);
    StreamFacts facts;
    const ScanResult streamed = ScanMapStream(source, TestNames(), false, tables, 1, facts);
    EXPECT_EQ(streamed.levels.rows(), later.levels.rows());
}

TEST(MapScan, ObjectsGiveOneRowPerTypeWithItsFirstLevel) {
    struct Case {
        const char* name;
        std::vector<std::string> objects;
        Rows poi;
        Rows polyline;
        Rows polygon;
    };
    const Case cases[] = {
        {"POI code in lower case with its name",
         {"[POI]", "Type=0x2F06", "EndLevel=3", "[END]"},
         {"3|0x2f06|Bank"},
         {},
         {}},
        {"the first object of a type decides",
         {"[POLYLINE]", "Type=0x16", "EndLevel=1", "[END]", "[POLYLINE]", "Type=0x16", "EndLevel=4", "[END]"},
         {},
         {"1|0x16|Trail"},
         {}},
        {"no EndLevel gives 0, also when a later object has one",
         {"[POLYGON]", "Type=0x4c", "[END]", "[POLYGON]", "Type=0x4c", "EndLevel=2", "[END]"},
         {},
         {},
         {"0|0x4c|Lake"}},
        {"decimal and short codes are normalised",
         {"[POLYLINE]", "Type=22", "[END]", "[POI]", "Type=0x1", "[END]", "[POLYGON]", "Type=0X4C", "[END]"},
         {"0|0x0001|City"},
         {"0|0x16|Trail"},
         {"0|0x4c|Lake"}},
        {"two characters of EndLevel",
         {"[POI]", "Type=0x2f06", "EndLevel=12", "[END]", "[POI]", "Type=0x2f01", "EndLevel=123", "[END]"},
         {"12|0x2f06|Bank", "12|0x2f01|Fuel"},
         {},
         {}},
        {"the up-to text goes back to 0 after an object that adds nothing",
         {"[POI]", "Type=0x2f06", "[END]", "[POI]", "Type=0x2f06", "EndLevel=5", "[END]", "[POI]", "Type=0x2f01",
          "[END]"},
         {"0|0x2f06|Bank", "0|0x2f01|Fuel"},
         {},
         {}},
        {"an object without Type takes the type of the object before",
         {"[POI]", "Type=0x1f", "[END]", "[POLYLINE]", "EndLevel=2", "[END]"},
         {"0|0x001f|"},
         {"2|0x1f|River"},
         {}},
        {"openers inside an open section change nothing",
         {"[POI]", "Type=0x2f06", "[POLYGON]", "EndLevel=1", "[END]"},
         {"1|0x2f06|Bank"},
         {},
         {}},
        {"the opener at the line start decides",
         {"[POI][POLYGON]", "Type=0x4c", "[END]", "[POLYLINE] [POI]", "Type=0x16", "[END]", " [POI]", "x[POLYGON]",
          "Type=0x4c", "[END]"},
         {"0|0x004c|"},
         {"0|0x16|Trail"},
         {}},
        {"markers later in a line count for nothing",
         {"Type=0x2f06 [POI]", "[END]", "[POLYLINE]", "Type=0x16", "Label=[END] of road", "Label=[POI] cafe",
          "EndLevel=2", "Data0=(1,2) [END]", "[END]"},
         {},
         {"2|0x16|Trail"},
         {}},
        {"an end outside a section and unknown sections are passed over",
         {"[END]", "[rgn80]", "Type=0x99", "[END]", "[WPT]", "[END]"},
         {},
         {},
         {}},
        {"old section names open and end objects",
         {"[RGN10]", "Type=0x2f06", "EndLevel=1", "[END-RGN10]", "[RGN20]", "Type=0x2f01", "EndLevel=2", "[END-RGN20]",
          "[RGN40]", "Type=0x16", "EndLevel=3", "[END-RGN40]", "[RGN80]", "Type=0x4c", "EndLevel=4", "[END-RGN80]",
          "[RGN80]", "Type=0x4a", "[END]"},
         {"1|0x2f06|Bank", "2|0x2f01|Fuel"},
         {"3|0x16|Trail"},
         {"0|0x4a|", "4|0x4c|Lake"}},
        {"longer and negative codes keep all their digits",
         {"[POLYLINE]", "Type=0x123456", "[END]", "[POLYGON]", "Type=-1", "[END]"},
         {},
         {"0|0x1234|"},
         {"0|0xffffffff|"}},
        {"extended types are read whole, for every kind",
         {"[POI]", "Type=0x10f04", "EndLevel=4", "[END]", "[POI]", "Type=0X10F05;x", "EndLevel=5", "[END]",
          "[POLYLINE]", "Type=0x10f04", "EndLevel=2", "[END]", "[POLYGON]", "Type=0x10f05", "EndLevel=3", "[END]",
          "[POLYGON]", "Type=0x10f051", "[END]"},
         {"4|0x10f04|", "5|0x10f05|"},
         {"2|0x10f04|"},
         {"0|0x10f0|", "3|0x10f05|"}},
        {"type and level keys must begin the line",
         {"[POLYLINE]", "Type=0x16", "Label=Road Type 2", "Label=Typical", "EndLevel=1", "Label=EndLevel 7",
          " EndLevel=5", " Type=0x1f", "[END]"},
         {},
         {"1|0x16|Trail"},
         {}},
        {"comment lines are never keys, openers or ends",
         {";[POI]", "Type=0x2f01", "[END]", "[POI]", "Type=0x2f06", ";Type=0x2f01", "EndLevel=2", ";EndLevel=5",
          ";[END]", "[END]", "[POLYLINE]", ";[POLYGON]", "Type=0x16", "[END]"},
         {"2|0x2f06|Bank"},
         {"0|0x16|Trail"},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanResult result = Scan(MapOf(WithHeader({"Level0=22"}, c.objects)), 0);
        EXPECT_EQ(RowsOf(result.lists.poi), c.poi);
        EXPECT_EQ(RowsOf(result.lists.polyline), c.polyline);
        EXPECT_EQ(RowsOf(result.lists.polygon), c.polygon);
    }
}

TEST(MapScan, CountsObjectsAndTheirEndLevelsPerType) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        MapFigures figures;
    };
    MapFigures counted;
    counted.Of(ObjectKind::Poi)["0x2f06"] = {4, 1, {{"1", 2}, {"3", 1}}};
    counted.Of(ObjectKind::Polyline)["0x16"] = {1, 0, {{"12", 1}}};
    counted.hasDictionary = true;
    counted.hasLevelsLine = true;
    MapFigures bare;
    bare.Of(ObjectKind::Polygon)["0x4c"] = {1, 1, {}};
    const Case cases[] = {
        {"objects, dictionary and Levels line",
         WithHeader({"levels=1", "Level0=22", "[POI]", "Type=0x2a00", "[END]"},
                    {"[POI]",       "Type=0x2f06", "EndLevel=1",
                     "[END]",       "[POI]",       "Type=0x2F06",
                     "EndLevel=1",  "[END]",       "[POI]",
                     "Type=0x2f06", "[END]",       "[POI]",
                     "Type=0x2f06", "EndLevel=2",  "EndLevel=3",
                     "[END]",       "[POLYLINE]",  "Type=22",
                     "EndLevel=12", "[END]",       "; [DICTIONARY] in a comment"}),
         counted},
        {"Levels line in the object part counts for nothing",
         WithHeader({"Level0=22"}, {"[POLYGON]", "Type=0x4c", "Levels=1", "[END]"}), bare},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MapFigures figures = Scan(MapOf(c.lines)).figures;
        for (const ObjectKind kind : kAllKinds) EXPECT_EQ(figures.Of(kind), c.figures.Of(kind));
        EXPECT_EQ(figures.hasDictionary, c.figures.hasDictionary);
        EXPECT_EQ(figures.hasLevelsLine, c.figures.hasLevelsLine);
    }
}

TEST(MapScan, ObjectsInTheHeaderPartGiveNoRows) {
    const ScanResult result = Scan(MapOf({"[IMG ID]", "[POI]", "Type=0x2f06", "EndLevel=2", "[END]", "[END-IMG ID]",
                                          "[POLYLINE]", "Type=0x16", "[END]"}));
    EXPECT_TRUE(result.lists.poi.empty());
    EXPECT_EQ(RowsOf(result.lists.polyline), (Rows{"0|0x16|Trail"}));
    EXPECT_TRUE(result.levels.rows().empty());
}

TEST(MapScan, ListsComeSortedByTheGivenColumn) {
    const MapText text = MapOf(WithHeader({}, {"[POI]", "Type=0x2f06", "EndLevel=3", "[END]", "[POI]", "Type=0x2f01",
                                               "EndLevel=10", "[END]", "[POI]", "Type=0x0001", "EndLevel=7", "[END]"}));
    struct Case {
        int column;
        Rows rows;
    };
    const Case cases[] = {
        {0, {"10|0x2f01|Fuel", "3|0x2f06|Bank", "7|0x0001|City"}},
        {1, {"7|0x0001|City", "10|0x2f01|Fuel", "3|0x2f06|Bank"}},
        {2, {"3|0x2f06|Bank", "7|0x0001|City", "10|0x2f01|Fuel"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        EXPECT_EQ(RowsOf(Scan(text, c.column).lists.poi), c.rows);
    }
}

TEST(MapScan, ScanningTheSameTextTwiceGivesTheSameResult) {
    const MapText text = MapOf(
        WithHeader({"Level0=22", "Level1=20"}, {"[POI]", "Type=0x2f06", "[END]", "[POLYGON]", "Type=0x4c", "[END]"}));
    const ScanResult first = Scan(text);
    const ScanResult second = Scan(text);
    EXPECT_EQ(first.levels.rows(), second.levels.rows());
    EXPECT_EQ(first.lists.poi.rows(), second.lists.poi.rows());
    EXPECT_EQ(first.lists.polygon.rows(), second.lists.polygon.rows());
}

TEST(MapScan, TextWithoutHeaderEndIsNoPolishMap) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::vector<LevelRow> rows;
    };
    const Case cases[] = {
        {"levels are kept, objects are not listed",
         {"[IMG ID]", "Level0=24", "Level1=22", "[END]", "[POI]", "Type=0x2f06", "[END]"},
         {{"Level0", "24bit (<=120\xEC)", true}, {"Level1", "22bit (<=500\xEC)", true}}},
        {"the header end must match in case", {"[IMG ID]", "[end-img id]", "[POI]", "Type=0x2f06", "[END]"}, {}},
        {"plain text", {"hello", "world"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingProgress progress;
        const ScanResult result = Scan(MapOf(c.lines), 1, &progress);
        EXPECT_FALSE(result.isPolishMap);
        EXPECT_EQ(result.levels.rows(), c.rows);
        EXPECT_TRUE(result.lists.poi.empty() && result.lists.polyline.empty() && result.lists.polygon.empty());
        EXPECT_EQ(progress.states, (std::vector<PassState>{PassState::Scanning, PassState::NotAMap}));
        EXPECT_EQ(progress.positions.back(), std::make_pair(c.lines.size(), c.lines.size() - 1));
    }
}

TEST(MapScan, EmptyTextIsNoPolishMapWithAnEmptyBar) {
    RecordingProgress progress;
    const ScanResult result = Scan(MapText::FromBytes(""), 1, &progress);
    EXPECT_FALSE(result.isPolishMap);
    EXPECT_TRUE(result.levels.rows().empty());
    EXPECT_EQ(progress.positions, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{0, 0}}));
    EXPECT_EQ(progress.states.back(), PassState::NotAMap);
}

TEST(MapScan, TextThatIsNoNumberFailsWithNothingChanged) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::string message;
        std::uint64_t failingLine;
    };
    const Case cases[] = {
        {"level value",
         {"[IMG ID]", "Level0=22", "Level1=abc", "[END-IMG ID]"},
         "'abc' is not a valid integer value",
         2},
        {"empty level value", {"[IMG ID]", "Level0=", "[END-IMG ID]"}, "'' is not a valid integer value", 1},
        {"first object without Type",
         {"[IMG ID]", "[END-IMG ID]", "[POI]", "EndLevel=1", "[END]"},
         "'' is not a valid integer value",
         4},
        {"type text",
         {"[IMG ID]", "[END-IMG ID]", "[POLYLINE]", "Type=0x16", "[END]", "[POI]", "Type=road", "[END]"},
         "'road' is not a valid integer value",
         7},
        {"Cyrillic type text",
         {"[IMG ID]", "[END-IMG ID]", "[POI]", "Type=\xD2\xE8\xEF", "[END]"},
         "'Тип' is not a valid integer value",
         4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A dictionary section before the failing line must not reach the caller's tables.
        std::vector<std::string> lines = c.lines;
        lines.insert(lines.begin() + 1, {"[DICTIONARY]", "Level1Rgn40=1111"});
        DictionaryTables tables;
        tables.dic40[2] = 7;
        const DictionaryTables before = tables;
        RecordingProgress progress;
        try {
            ScanMap(MapOf(lines), TestNames(), true, tables, 1, &progress);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_EQ(tables, before);
        EXPECT_EQ(progress.states, std::vector<PassState>{PassState::Scanning});
        // The bar stays at the failing line.
        std::uint64_t offset = 0;
        for (std::size_t k = 0; k < c.failingLine + 2; ++k) offset += lines[k].size() + 1;
        EXPECT_EQ(progress.positions.back(), std::make_pair(std::uint64_t{MapOf(lines).Buffer().size()}, offset));
    }
}

TEST(MapScan, ReportsProgressNowAndThenAndAlwaysTheLastLine) {
    std::vector<std::string> lines = WithHeader({"Level0=22"}, {});
    lines.resize(200'000, "Data0=(1,2)");
    RecordingProgress progress;
    const MapText text = MapOf(lines);
    Scan(text, 1, &progress);
    ASSERT_GE(progress.positions.size(), 2u);
    EXPECT_LE(progress.positions.size(), 10u);
    // The bytes passed while the scan runs, then the last line.
    for (std::size_t i = 1; i + 1 < progress.positions.size(); ++i) {
        EXPECT_EQ(progress.positions[i].first, text.Buffer().size());
        EXPECT_GE(progress.positions[i].second, progress.positions[i - 1].second);
    }
    EXPECT_EQ(progress.positions.back(), std::make_pair(std::uint64_t{200'000}, std::uint64_t{199'999}));
}

// Real maps, with the counts taken from the files by hand (grep and awk over their Type lines).
// What a scan gave, as text: its rows, figures and levels, or its failure with the line it names.
std::string Outcome(const std::function<ScanResult()>& scan) {
    try {
        const ScanResult result = scan();
        std::string text = result.isPolishMap ? "map\n" : "no map\n";
        for (const LevelRow& row : result.levels.rows()) text += row.key + "=" + row.value + "\n";
        for (const ObjectKind kind : kAllKinds) {
            for (const std::string& row : RowsOf(result.lists.Of(kind))) text += row + "\n";
            for (const auto& [code, figures] : result.figures.Of(kind)) {
                text += code + " " + std::to_string(figures.objects) + " " + std::to_string(figures.withoutEndLevel);
                for (const auto& [upTo, objects] : figures.endLevels)
                    text += " " + upTo + ":" + std::to_string(objects);
                text += "\n";
            }
        }
        return text + (result.figures.hasDictionary ? "dictionary\n" : "");
    } catch (const Error& e) {
        return "failure at line " + std::to_string(e.line()) + ": " + e.what();
    }
}

// The outcomes of the one pass and of the scan in parts of 5000 bytes over the map file at path.
struct Scans {
    std::string onePass;
    std::string inParts;
};
Scans ScanBothWays(const std::filesystem::path& path, const TypeNameFiles& names) {
    Scans scans;
    scans.onePass = Outcome([&] {
        FileSource source(path);
        DictionaryTables tables;
        StreamFacts facts;
        return ScanMapStream(source, names, false, tables, 1, facts);
    });
    scans.inParts = Outcome([&] {
        DictionaryTables tables;
        StreamFacts facts;
        FileSource::Stamp stamp;
        return ScanMapFile(path, names, false, tables, 1, facts, stamp, 5000);
    });
    return scans;
}

// The scan of a file in two parts side by side gives what the one pass gives, and joins the parts only
// where nothing crosses the cut. The earlier part ends in an object three times as long as the later
// part's last, so the cut falls at the later part's first line.
TEST(ScanMapFile, TwoPartsGiveWhatOnePassGives) {
    const std::string longData = "Data0=" + std::string(30000, '1');
    const std::string shortData = "Data0=" + std::string(10000, '2');
    struct Case {
        const char* name;
        std::vector<std::string> earlier;  // the big object's Type line and [END] follow unless told
        std::vector<std::string> later;
    };
    const std::vector<std::string> header = {"[IMG ID]", "Level0=22", "Level1=20", "[END-IMG ID]"};
    const std::vector<std::string> bigEnd = {"[POLYLINE]", "Type=0x16", longData, "[END]"};
    const auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {"types on both sides, some new after the cut",
         join(join(header, {"[POI]", "Type=0x2f06", "EndLevel=1", "[END]", "[POLYLINE]", "Type=0x1f", "[END]"}),
              bigEnd),
         {"[POI]", "Type=0x2f06", "EndLevel=3", "[END]", "[POLYGON]", "Type=0x4c", "EndLevel=2", "[END]", "[POI]",
          "Type=0x2F01", "[END]", "[DICTIONARY]", "[END-DICTIONARY]", "[POLYLINE]", "Type=0x16", "EndLevel=1",
          shortData, "[END]"}},
        {"an object open across the cut",
         join(header, {"[POLYLINE]", "Type=0x16", longData}),
         {"[POI]", "Type=0x2f06", "[END]", "[POLYGON]", "Type=0x4c", shortData, "[END]"}},
        {"the first object after the cut takes its type from before it",
         join(header, {"[POLYLINE]", "Type=0x1f", longData, "[END]"}),
         {"[POLYLINE]", "EndLevel=1", "[END]", "[POLYGON]", "Type=0x4c", shortData, "[END]"}},
        {"a type that is no number after the cut",
         join(header, bigEnd),
         {"[POI]", "Type=0x2f06", "[END]", "[POI]", "Type=zz", "[END]", shortData}},
        {"a type that is no number before the cut",
         join(join(header, {"[POI]", "Type=zz", "[END]"}), bigEnd),
         {"[POI]", "Type=0x2f06", shortData, "[END]"}},
        {"a header part that ends after the cut",
         {"[IMG ID]", "Level0=22", longData},
         {"[POI]", "[END-IMG ID]", "[POI]", "Type=0x2f06", shortData, "[END]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string bytes;
        for (const std::string& line : join(c.earlier, c.later)) bytes += line + "\r\n";
        const auto path = dir.Write("map.mp", bytes);
        const Scans scans = ScanBothWays(path, TestNames());
        EXPECT_EQ(scans.inParts, scans.onePass);
    }
}

// Where no second thread can be started, the file is scanned in one pass.
TEST(ScanMapFile, WithoutASecondThreadScansInOne) {
    TempDir dir;
    std::string bytes = "[IMG ID]\r\nLevel0=22\r\n[END-IMG ID]\r\n";
    for (int i = 0; i < 100; ++i) bytes += "[POI]\r\nType=0x2f06\r\nEndLevel=1\r\n[END]\r\n";
    const auto path = dir.Write("map.mp", bytes);
    passThreadsRefused = true;
    const Scans scans = ScanBothWays(path, TestNames());
    passThreadsRefused = false;
    EXPECT_EQ(scans.inParts, scans.onePass);
}

class RealMaps : public testing::Test {
protected:
    void SetUp() override { STRATEX_SKIP_WITHOUT(RealMap("")); }

    static MapText Load(const char* relative) { return MapText::FromFile(RealMap(relative)); }

    // Name files read from disk as Open MAP reads them.
    TypeNameFiles Names() {
        dir_.Write("poi.txt", "0x0900=Village\r\n0x6403=Cemetery\r\n");
        dir_.Write("polyline.txt", ";lines\r\n0x16=Trail\r\n");
        dir_.Write("polygon.txt", "0x4f=Bushes\r\n");
        return TypeNameFiles::Load(dir_.path());
    }

    ScanResult Scan(const MapText& text) {
        DictionaryTables tables;
        return ScanMap(text, Names(), false, tables, 1);
    }

    static std::string LevelOf(const TypeList& list, const std::string& code) {
        for (const auto& row : list.rows()) {
            if (row.code == code) return row.level;
        }
        return "not listed";
    }

    TempDir dir_;
};

// Every real map scanned in parts (wherever it can be cut) gives what the one pass gives.
TEST_F(RealMaps, PartsGiveWhatOnePassGivesOnEveryMap) {
    const TypeNameFiles names = Names();
    int maps = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(RealMap(""))) {
        if (entry.path().extension() != ".mp") continue;
        SCOPED_TRACE(entry.path().string());
        ++maps;
        const Scans scans = ScanBothWays(entry.path(), names);
        EXPECT_EQ(scans.inParts, scans.onePass);
    }
    EXPECT_GT(maps, 50);
}

TEST_F(RealMaps, TopographicTile) {
    const MapText text = Load("map_podm/mp/n37-075.mp");
    EXPECT_EQ(text.LineCount(), 1393u);
    const ScanResult result = Scan(text);
    EXPECT_TRUE(result.isPolishMap);
    EXPECT_EQ(result.levels.rows(), (std::vector<LevelRow>{{"Level0", "22bit (<=500\xEC)", true},
                                                           {"Level1", "21bit (<=1,2\xEA\xEC)", true},
                                                           {"Level2", "19bit (<=3\xEA\xEC)", true},
                                                           {"Level3", "17bit (<=12\xEA\xEC)", true}}));
    EXPECT_EQ(result.lists.poi.size(), 4u);
    EXPECT_EQ(result.lists.polyline.size(), 16u);
    EXPECT_EQ(result.lists.polygon.size(), 8u);
    EXPECT_EQ(RowsOf(result.lists.poi), (Rows{"0|0x0900|Village", "0|0x2c0b|", "0|0x2f08|", "1|0x6403|Cemetery"}));
    EXPECT_EQ(LevelOf(result.lists.polyline, "0x02"), "2");
    EXPECT_EQ(LevelOf(result.lists.polyline, "0x16"), "1");
    EXPECT_EQ(LevelOf(result.lists.polyline, "0x25"), "0");
    EXPECT_EQ(LevelOf(result.lists.polyline, "0x7e"), "0");
    EXPECT_EQ(LevelOf(result.lists.polygon, "0x4f"), "1");
}

TEST_F(RealMaps, CapitalLevelKeyAndCommentsBetweenObjects) {
    const ScanResult result = Scan(Load("mapsoft2/programs/ms2mp/test_data/f1.mp"));
    EXPECT_TRUE(result.isPolishMap);
    EXPECT_EQ(result.levels.rows(), (std::vector<LevelRow>{{"Level0", "22bit (<=500\xEC)", true},
                                                           {"LEVEL1", "21bit (<=1,2\xEA\xEC)", true},
                                                           {"Level2", "19bit (<=3\xEA\xEC)", true},
                                                           {"Level3", "17bit (<=12\xEA\xEC)", true}}));
    EXPECT_EQ(RowsOf(result.lists.poi), (Rows{"0|0x0700|", "0|0x0900|Village"}));
    EXPECT_EQ(RowsOf(result.lists.polyline), (Rows{"0|0x7e|"}));
    EXPECT_EQ(RowsOf(result.lists.polygon), (Rows{"2|0x01|"}));
}

TEST_F(RealMaps, HeaderClosedByEndIsNoPolishMap) {
    // Its objects carry thousands of EndLevel lines, all in the header part since it never ends.
    const ScanResult result = Scan(Load("garmin-img-forge/tools/ogr-polishmap/test/data/performance/perf-1mb.mp"));
    EXPECT_FALSE(result.isPolishMap);
    EXPECT_TRUE(result.levels.rows().empty());
    EXPECT_TRUE(result.lists.poi.empty());
}

TEST_F(RealMaps, CommentedHeaderWithoutHeaderEnd) {
    const ScanResult result = Scan(Load("oaconvert/cgpsmapper/mypreview.mp"));
    EXPECT_FALSE(result.isPolishMap);
    EXPECT_EQ(result.levels.rows(), (std::vector<LevelRow>{{"Level0", "11bit (<=800\xEA\xEC)", true},
                                                           {"Level1", "10bit (<=1200\xEA\xEC)", true}}));
}

}  // namespace
}  // namespace stratex
