#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "levels/Dictionary.h"
#include "passes/MapScan.h"
#include "passes/ScanTestSupport.h"

namespace stratex {
namespace {

using Rows = std::vector<std::string>;

// Entries as (kind, type number, level); every other entry is 0.
using Entries = std::vector<std::tuple<ObjectKind, std::size_t, std::int32_t>>;

DictionaryTables TablesWith(const Entries& entries) {
    DictionaryTables tables;
    for (const auto& [kind, k, level] : entries) tables.Of(kind)[k] = level;
    return tables;
}

// Flags with "1" at the given type numbers, as long as the highest of them.
std::string FlagsAt(std::initializer_list<std::size_t> types) {
    std::string flags;
    for (const std::size_t k : types) {
        if (flags.size() < k) flags.resize(k, '0');
        flags[k - 1] = '1';
    }
    return flags;
}

constexpr auto kPoi = ObjectKind::Poi;
constexpr auto kLine = ObjectKind::Polyline;
constexpr auto kArea = ObjectKind::Polygon;

TEST(ReadDictionary, ReadsRowsUpToTheEndMarker) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::uint64_t start;
        Entries entries;
    };
    const Case cases[] = {
        {"the written form",
         {"[DICTIONARY]", "Level1Rgn10=1", "Level2Rgn40=01", "Level3Rgn80=001"},
         0,
         {{kPoi, 1, 1}, {kLine, 2, 2}, {kArea, 3, 3}}},
        {"capital letters", {"[DICTIONARY]", "LEVEL3RGN40=0011"}, 0, {{kLine, 3, 3}, {kLine, 4, 3}}},
        {"small letters", {"[dictionary]", "level4rgn80=1"}, 0, {{kArea, 1, 4}}},
        {"a two digit level", {"[DICTIONARY]", "Level12Rgn10=1"}, 0, {{kPoi, 1, 12}}},
        {"only the row marking a type sets it",
         {"[DICTIONARY]", "Level4Rgn40=000", "Level5Rgn40=001", "Level6Rgn40=000"},
         0,
         {{kLine, 3, 5}}},
        {"the last row marking a type decides",
         {"[DICTIONARY]", "Level5Rgn40=11", "Level2Rgn40=1"},
         0,
         {{kLine, 1, 2}, {kLine, 2, 5}}},
        {"rows after the end marker are not read",
         {"[DICTIONARY]", "Level1Rgn40=1", "[END-DICTIONARY]", "Level9Rgn40=11"},
         0,
         {{kLine, 1, 1}}},
        {"the end marker in any case",
         {"[DICTIONARY]", "Level1Rgn40=1", "[End-Dictionary]", "Level9Rgn40=11"},
         0,
         {{kLine, 1, 1}}},
        {"a row on the end line still counts",
         {"[DICTIONARY]", "Level1Rgn10=1 [END-DICTIONARY]", "Level2Rgn10=1"},
         0,
         {{kPoi, 1, 1}}},
        {"the spaced end spelling does not end the read",
         {"[DICTIONARY]", "Level1Rgn40=1", "[END DICTIONARY]", "Level3Rgn40=01"},
         0,
         {{kLine, 1, 1}, {kLine, 2, 3}}},
        {"rows before the start are not read", {"Level1Rgn40=1", "[DICTIONARY]", "Level2Rgn40=01"}, 1, {{kLine, 2, 2}}},
        {"tables other than 1, 4 and 8 are ignored",
         {"[DICTIONARY]", "Level2Rgn20=1", "Level2Rgn=1", "Level3Rgn4=01", "Level2rgn"},
         0,
         {{kLine, 2, 3}}},
        {"lines that are no rows", {"[DICTIONARY]", "Rgn10=1", "Level1=1", "Level1Rgn10", "", "x", "=", "lrg="}, 0, {}},
        {"a byte above 127 after the digit counts as a second digit",
         {"[DICTIONARY]", "Level3\xC0Rgn10=1"},
         0,
         {{kPoi, 1, 30}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Whatever the tables held is cleared.
        DictionaryTables tables = TablesWith({{kPoi, 200, 9}, {kLine, 1, 8}, {kArea, 255, 7}});
        ReadDictionary(MapOf(c.lines), c.start, tables);
        EXPECT_EQ(tables, TablesWith(c.entries));
    }
}

TEST(ReadDictionary, ReadsAtMost255Flags) {
    DictionaryTables tables;
    ReadDictionary(MapOf({"[DICTIONARY]", "Level3Rgn80=" + std::string(300, '1')}), 0, tables);
    EXPECT_EQ(tables.dic80[0], 0);
    for (std::size_t k = 1; k < 256; ++k) EXPECT_EQ(tables.dic80[k], 3) << k;
    EXPECT_EQ(tables.dic10, DictionaryTables{}.dic10);
}

TEST(ReadDictionary, ReadsBackAGeneratedDictionary) {
    TypeLists lists;
    lists.poi.AddTypeRow("0x2f06", "", "4");
    lists.poi.AddTypeRow("0x0100", "", "12");
    lists.polyline.AddTypeRow("0x16", "", "2");
    lists.polyline.AddTypeRow("0xff", "", "0");
    lists.polygon.AddTypeRow("0x4c", "", "9");
    lists.polygon.AddTypeRow("0x01", "", "-3");
    DictionaryTables written = TablesWith({{kArea, 7, 5}});
    const LineList section = BuildDictionary(lists, written);

    std::vector<std::string> lines{"[IMG ID]", "[END-IMG ID]"};
    lines.insert(lines.end(), section.begin(), section.end());
    lines.push_back("[POI]");
    const MapText text = MapOf(lines);
    std::uint64_t start = 0;
    while (text.Line(start) != "[DICTIONARY]") ++start;

    DictionaryTables read;
    ReadDictionary(text, start, read);
    for (const ObjectKind kind : kAllKinds) {
        for (std::size_t k = 1; k < 256; ++k) {
            const std::int32_t level = written.Of(kind)[k];
            EXPECT_EQ(read.Of(kind)[k], level > 9 ? 9 : level < 1 ? 0 : level) << static_cast<int>(kind) << " " << k;
        }
    }
    EXPECT_EQ(read.dic10[1], 9);
    EXPECT_EQ(read.dic10[0x2f], 4);
    EXPECT_EQ(read.dic40[0xff], 0);
    EXPECT_EQ(read.dic80[0x4c], 9);
    EXPECT_EQ(read.dic80[7], 5);
}

// A map whose dictionary section stands between objects.
std::vector<std::string> MapWithDictionaryBetweenObjects() {
    return {"[IMG ID]",
            "Level0=22",
            "[END-IMG ID]",
            "[POLYLINE]",
            "Type=0x16",
            "EndLevel=1",
            "[END]",
            "[POI]",
            "Type=0x2f06",
            "[END]",
            "[DICTIONARY]",
            "Level2Rgn10=" + FlagsAt({0x2f}),
            "Level3Rgn40=" + FlagsAt({0x1f, 0x16}),
            "[END-DICTIONARY]",
            "[POLYLINE]",
            "Type=0x1f",
            "EndLevel=1",
            "[END]",
            "[POI]",
            "Type=0x2f01",
            "[END]",
            "[POLYGON]",
            "Type=0x4c",
            "EndLevel=5",
            "[END]"};
}

TEST(ScanDictionary, RowsTakeTheLevelsTheTablesHoldAtTheirEnd) {
    const MapText text = MapOf(MapWithDictionaryBetweenObjects());
    DictionaryTables tables = TablesWith({{kLine, 0x16, 7}, {kPoi, 0x2f, 6}, {kArea, 0x4c, 8}});
    const ScanResult result = ScanMap(text, TestNames(), true, tables, 1);
    // Types met before the section read the old tables, types after it the section.
    EXPECT_EQ(RowsOf(result.lists.polyline), (Rows{"7|0x16|Trail", "3|0x1f|River"}));
    EXPECT_EQ(RowsOf(result.lists.poi), (Rows{"2|0x2f01|Fuel", "6|0x2f06|Bank"}));
    EXPECT_EQ(RowsOf(result.lists.polygon), (Rows{"0|0x4c|Lake"}));
    DictionaryTables expected;
    ReadDictionary(text, 10, expected);
    EXPECT_EQ(tables, expected);
    EXPECT_EQ(tables, TablesWith({{kPoi, 0x2f, 2}, {kLine, 0x1f, 3}, {kLine, 0x16, 3}}));
}

TEST(ScanDictionary, OptionOffReadsNothing) {
    const MapText text = MapOf(MapWithDictionaryBetweenObjects());
    DictionaryTables tables = TablesWith({{kLine, 0x16, 7}});
    const DictionaryTables before = tables;
    const ScanResult result = ScanMap(text, TestNames(), false, tables, 1);
    EXPECT_EQ(RowsOf(result.lists.polyline), (Rows{"1|0x16|Trail", "1|0x1f|River"}));
    EXPECT_EQ(RowsOf(result.lists.polygon), (Rows{"5|0x4c|Lake"}));
    EXPECT_EQ(tables, before);
}

TEST(ScanDictionary, WithoutSectionRowsTakeTheTablesAsTheyWere) {
    const MapText text = MapOf({"[IMG ID]", "[END-IMG ID]", "[POI]", "Type=0x2f01", "EndLevel=1", "[END]", "[POI]",
                                "Type=0x2F06", "[END]", "[POLYLINE]", "Type=0x16", "EndLevel=1", "[END]"});
    DictionaryTables tables = TablesWith({{kPoi, 0x2f, 4}, {kLine, 0x16, 6}});
    const DictionaryTables before = tables;
    const ScanResult result = ScanMap(text, TestNames(), true, tables, 1);
    // All POI types with the same high byte share one entry.
    EXPECT_EQ(RowsOf(result.lists.poi), (Rows{"4|0x2f01|Fuel", "4|0x2f06|Bank"}));
    EXPECT_EQ(RowsOf(result.lists.polyline), (Rows{"6|0x16|Trail"}));
    EXPECT_EQ(tables, before);
}

TEST(ScanDictionary, CodesWithoutEntryKeepTheirUpToText) {
    const MapText text = MapOf({"[IMG ID]",
                                "[END-IMG ID]",
                                "[DICTIONARY]",
                                "Level3Rgn40=" + std::string(255, '1'),
                                "Level3Rgn80=" + std::string(255, '1'),
                                "[END-DICTIONARY]",
                                "[POLYLINE]",
                                "Type=0x100",
                                "EndLevel=1",
                                "[END]",
                                "[POLYLINE]",
                                "Type=0xff",
                                "EndLevel=1",
                                "[END]",
                                "[POLYLINE]",
                                "Type=0x10001",
                                "EndLevel=2",
                                "[END]",
                                "[POLYGON]",
                                "Type=-1",
                                "EndLevel=4",
                                "[END]",
                                "[POLYGON]",
                                "Type=0",
                                "EndLevel=4",
                                "[END]"});
    DictionaryTables tables;
    const ScanResult result = ScanMap(text, TestNames(), true, tables, 1);
    EXPECT_EQ(RowsOf(result.lists.polyline), (Rows{"1|0x100|", "2|0x10001|", "3|0xff|"}));
    EXPECT_EQ(RowsOf(result.lists.polygon), (Rows{"0|0x00|", "4|0xffffffff|"}));
}

TEST(ScanDictionary, SectionsAreFoundAnywhereAndEachOneStartsAfresh) {
    // In the header part, on a comment line, and twice: the later section clears what the first one set.
    const MapText text =
        MapOf({"[IMG ID]", "[DICTIONARY]", "Level3Rgn40=" + FlagsAt({0x16}), "[END-DICTIONARY]", "[END-IMG ID]",
               "[POLYLINE]", "Type=0x16", "[END]", ";[DICTIONARY]", "Level4Rgn40=" + FlagsAt({0x1f}),
               "[end-dictionary]", "[POLYLINE]", "Type=0x1f", "[END]", "[POLYLINE]", "Type=0x20", "[END]"});
    DictionaryTables tables;
    const ScanResult result = ScanMap(text, TestNames(), true, tables, 1);
    EXPECT_EQ(RowsOf(result.lists.polyline), (Rows{"3|0x16|Trail", "4|0x1f|River", "0|0x20|"}));
    EXPECT_EQ(tables, TablesWith({{kLine, 0x1f, 4}}));
}

TEST(ScanDictionary, RepeatedSectionStartsWithoutEndReadFromEachStart) {
    // Each "[DICTIONARY]" line starts a read that runs to the end of the map: rows above it no longer count.
    const MapText text = MapOf({"[IMG ID]", "[END-IMG ID]", "[DICTIONARY]", "Level2Rgn40=" + FlagsAt({1, 2}),
                                "[POLYLINE]", "Type=0x01", "[END]", "[DICTIONARY]", "Level5Rgn40=" + FlagsAt({3}),
                                "[POLYLINE]", "Type=0x02", "[END]", "[POLYLINE]", "Type=0x03", "[END]"});
    DictionaryTables tables;
    const ScanResult result = ScanMap(text, TestNames(), true, tables, 1);
    EXPECT_EQ(RowsOf(result.lists.polyline), (Rows{"2|0x01|", "0|0x02|", "5|0x03|"}));
    EXPECT_EQ(tables, TablesWith({{kLine, 3, 5}}));
}

// The scan reads each run of dictionary lines once; on random maps it must give the rows and tables that
// reading every section afresh at its "[DICTIONARY]" line gives.
TEST(ScanDictionary, AgreesWithReadingEverySectionAfresh) {
    std::mt19937 random(7);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> lines{"[IMG ID]", "[END-IMG ID]"};
        // Each object has a type of its own, so each one adds a row that shows the tables at its end.
        struct Object {
            ObjectKind kind;
            std::string code;
            std::size_t entry;
            std::uint64_t endLine;
        };
        std::vector<Object> objects;
        std::size_t nextType = 1;
        const std::size_t count = 5 + pick(40);
        for (std::size_t n = 0; n < count; ++n) {
            switch (pick(6)) {
                case 0:
                    lines.push_back("[DICTIONARY]");
                    break;
                case 1:
                    lines.push_back(pick(2) ? "[END-DICTIONARY]" : "[end-dictionary]");
                    break;
                case 2:
                case 3: {
                    std::string flags(pick(12), '0');
                    for (char& f : flags) f = pick(3) == 0 ? '1' : '0';
                    const char* tables[] = {"10", "40", "80", "20"};
                    lines.push_back("Level" + std::to_string(pick(10)) + "Rgn" + tables[pick(4)] + "=" + flags);
                    break;
                }
                default: {
                    const ObjectKind kind = kAllKinds[pick(3)];
                    const char* openers[] = {"[POI]", "[POLYLINE]", "[POLYGON]"};
                    lines.push_back(openers[static_cast<int>(kind)]);
                    std::size_t entry = nextType;
                    std::string code;
                    if (kind == ObjectKind::Poi) {
                        entry = 1 + pick(12);
                        code = NormalisedTypeCode(kind, static_cast<std::int32_t>(entry * 256 + nextType));
                    } else {
                        code = NormalisedTypeCode(kind, static_cast<std::int32_t>(nextType));
                    }
                    ++nextType;
                    lines.push_back("Type=" + code);
                    lines.push_back("[END]");
                    objects.push_back({kind, code, entry, lines.size() - 1});
                }
            }
        }
        const MapText text = MapOf(lines);
        const DictionaryTables initial = TablesWith({{kPoi, 3, 9}, {kLine, 5, 8}, {kArea, 2, 7}});

        // The tables as reading afresh at the last "[DICTIONARY]" line before line i leaves them.
        const auto tablesAt = [&](std::uint64_t i) {
            std::optional<std::uint64_t> start;
            for (std::uint64_t j = 0; j <= i && j < lines.size(); ++j) {
                if (lines[j] == "[DICTIONARY]") start = j;
            }
            DictionaryTables tables = initial;
            if (start) ReadDictionary(text, *start, tables);
            return tables;
        };

        DictionaryTables tables = initial;
        const ScanResult result = ScanMap(text, TestNames(), true, tables, 1);
        std::map<std::string, std::string> levels;
        for (const ObjectKind kind : kAllKinds) {
            for (const auto& row : result.lists.Of(kind).rows()) levels[row.code] = row.level;
        }
        for (const auto& object : objects) {
            const auto expected = tablesAt(object.endLine).Of(object.kind)[object.entry];
            // Codes never repeat across kinds: POI codes have four digits, the others two.
            EXPECT_EQ(levels[object.code], std::to_string(expected)) << object.code;
        }
        EXPECT_EQ(tables, tablesAt(lines.size()));
    }
}

}  // namespace
}  // namespace stratex
