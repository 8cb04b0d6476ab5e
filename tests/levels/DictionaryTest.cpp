#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "bytes/Error.h"
#include "levels/Dictionary.h"
#include "types/TypeLists.h"

namespace stratex {
namespace {

constexpr std::size_t kLines = 38;
constexpr std::size_t kRowLength = 267;

// Index in the generated lines of the row for level n (1..9) of a kind.
std::size_t RowIndex(ObjectKind kind, int n) {
    return 5 + 11 * static_cast<std::size_t>(kind) + static_cast<std::size_t>(n - 1);
}

// The flag of type k in a row: character 12 + k, counted from 1.
char Flag(const LineList& lines, ObjectKind kind, int n, std::size_t k) {
    return lines.at(RowIndex(kind, n)).at(11 + k);
}

// The flags of type k on the rows for levels 1..9, as a text of nine characters.
std::string Column(const LineList& lines, ObjectKind kind, std::size_t k) {
    std::string column;
    for (int n = 1; n <= 9; ++n) column.push_back(Flag(lines, kind, n, k));
    return column;
}

void Fill(TypeList& list, const std::vector<std::pair<std::string, std::string>>& rows) {
    for (const auto& [code, level] : rows) list.AddTypeRow(code, "", level);
}

char LowHexDigit(std::size_t k) { return "0123456789abcdef"[k % 16]; }

TEST(Dictionary, RulersStandAboveTheirTypeColumns) {
    ASSERT_EQ(kHighDigitRuler.size(), kRowLength);
    ASSERT_EQ(kLowDigitRuler.size(), kRowLength);
    EXPECT_EQ(kHighDigitRuler.substr(0, 12), ";           ");
    EXPECT_EQ(kLowDigitRuler.substr(0, 12), ";           ");
    for (std::size_t k = 1; k <= 255; ++k) {
        EXPECT_EQ(kLowDigitRuler[11 + k], LowHexDigit(k)) << k;
        // The high digit stands over type 1 and over every type that ends in 0.
        const char high = (k == 1) ? '0' : (k % 16 == 0 ? LowHexDigit(k / 16) : ' ');
        EXPECT_EQ(kHighDigitRuler[11 + k], high) << k;
    }
}

TEST(Dictionary, EmptyListsAndTablesGiveAllZeroRows) {
    const TypeLists lists;
    DictionaryTables tables;
    const LineList lines = BuildDictionary(lists, tables);
    ASSERT_EQ(lines.size(), kLines);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], ";Stratex Generated DICTIONARY!!!");
    EXPECT_EQ(lines[2], "[DICTIONARY]");
    EXPECT_EQ(lines[36], "[END-DICTIONARY]");
    EXPECT_EQ(lines[37], "");
    const std::pair<ObjectKind, const char*> keys[] = {
        {ObjectKind::Poi, "Rgn10="}, {ObjectKind::Polyline, "Rgn40="}, {ObjectKind::Polygon, "Rgn80="}};
    for (const auto& [kind, key] : keys) {
        EXPECT_EQ(lines[RowIndex(kind, 1) - 2], kHighDigitRuler);
        EXPECT_EQ(lines[RowIndex(kind, 1) - 1], kLowDigitRuler);
        for (int n = 1; n <= 9; ++n) {
            EXPECT_EQ(lines[RowIndex(kind, n)], "Level" + std::to_string(n) + key + std::string(255, '0'));
        }
    }
    EXPECT_EQ(tables, DictionaryTables{});
}

struct ColumnCase {
    const char* name;
    ObjectKind kind;
    std::vector<std::pair<std::string, std::string>> rows;
    std::size_t type;
    const char* column;  // flags on levels 1..9
    std::int32_t entry;  // the table entry afterwards
};

TEST(Dictionary, FlagsMarkEveryLevelUpToTheTypesLevel) {
    const ColumnCase cases[] = {
        {"polyline level 2", ObjectKind::Polyline, {{"0x16", "2"}}, 0x16, "110000000", 2},
        {"level 0", ObjectKind::Polygon, {{"0x4c", "0"}}, 0x4c, "000000000", 0},
        {"negative level", ObjectKind::Polygon, {{"0x4c", "-1"}}, 0x4c, "000000000", -1},
        {"level 9", ObjectKind::Polyline, {{"0x01", "9"}}, 0x01, "111111111", 9},
        {"level 12", ObjectKind::Polyline, {{"0x01", "12"}}, 0x01, "111111111", 12},
        {"type 255", ObjectKind::Polygon, {{"0xff", "4"}}, 0xff, "111100000", 4},
        {"POI by high byte", ObjectKind::Poi, {{"0x2f06", "3"}, {"0x2f0b", "1"}}, 0x2f, "111000000", 3},
        {"POI, other order", ObjectKind::Poi, {{"0x2f0b", "1"}, {"0x2f06", "3"}}, 0x2f, "100000000", 1},
        {"prefix case ignored", ObjectKind::Poi, {{"0X2F06", "5"}}, 0x2f, "111110000", 5},
        {"long polyline code by prefix", ObjectKind::Polyline, {{"0x1234", "2"}}, 0x12, "110000000", 2},
        {"decimal caption with blanks", ObjectKind::Polyline, {{"0x20", " +3"}}, 0x20, "111000000", 3},
        {"hex caption", ObjectKind::Polyline, {{"0x20", "0x4"}}, 0x20, "111100000", 4},
    };
    for (const auto& c : cases) {
        TypeLists lists;
        Fill(lists.Of(c.kind), c.rows);
        DictionaryTables tables;
        const LineList lines = BuildDictionary(lists, tables);
        EXPECT_EQ(Column(lines, c.kind, c.type), c.column) << c.name;
        EXPECT_EQ(tables.Of(c.kind)[c.type], c.entry) << c.name;
    }
}

TEST(Dictionary, PolylineLevelTwoMarksCharacterThirtyFour) {
    TypeLists lists;
    Fill(lists.polyline, {{"0x16", "2"}});
    DictionaryTables tables;
    const LineList lines = BuildDictionary(lists, tables);
    for (int n = 1; n <= 9; ++n) {
        const std::string& row = lines[RowIndex(ObjectKind::Polyline, n)];
        ASSERT_EQ(row.size(), kRowLength);
        EXPECT_EQ(row.substr(0, 12), "Level" + std::to_string(n) + "Rgn40=");
        // Only character 34 can be "1", and only on levels 1 and 2.
        std::string expected = std::string(33, '0') + (n <= 2 ? '1' : '0') + std::string(kRowLength - 34, '0');
        expected.replace(0, 12, row.substr(0, 12));
        EXPECT_EQ(row, expected) << n;
    }
}

TEST(Dictionary, TypesWithoutARowKeepTheirTableLevel) {
    TypeLists lists;
    Fill(lists.polyline, {{"0x05", "255"}, {"0x06", "2"}, {"0x1", "7"}, {"zz", "x"}});
    DictionaryTables tables;
    tables.dic40[0] = 6;  // type 0 has no column and is never written
    tables.dic40[0x05] = 3;
    tables.dic40[0x06] = 8;
    tables.dic40[0x07] = 4;
    tables.dic40[0x01] = 1;
    tables.dic10[0x07] = 9;
    const LineList lines = BuildDictionary(lists, tables);
    EXPECT_EQ(Column(lines, ObjectKind::Polyline, 0x05), "111000000");  // level 255 means: use the table
    EXPECT_EQ(Column(lines, ObjectKind::Polyline, 0x06), "110000000");
    EXPECT_EQ(Column(lines, ObjectKind::Polyline, 0x07), "111100000");
    EXPECT_EQ(Column(lines, ObjectKind::Polyline, 0x01), "100000000");  // "0x1" is no four-character prefix
    EXPECT_EQ(Column(lines, ObjectKind::Poi, 0x07), "111111111");
    EXPECT_EQ(tables.dic40[0], 6);
    EXPECT_EQ(tables.dic40[0x05], 3);
    EXPECT_EQ(tables.dic40[0x06], 2);
    EXPECT_EQ(tables.dic40[0x07], 4);
    EXPECT_EQ(tables.dic10[0x07], 9);
}

TEST(Dictionary, GeneratingAgainGivesTheSameLinesAndTables) {
    TypeLists lists;
    Fill(lists.poi, {{"0x2f06", "3"}});
    Fill(lists.polygon, {{"0x4c", "1"}});
    DictionaryTables tables;
    tables.dic80[0x10] = 5;
    const LineList first = BuildDictionary(lists, tables);
    const DictionaryTables afterFirst = tables;
    EXPECT_EQ(tables.dic10[0x2f], 3);
    EXPECT_EQ(tables.dic80[0x4c], 1);
    EXPECT_EQ(BuildDictionary(lists, tables), first);
    EXPECT_EQ(tables, afterFirst);
}

struct FailureCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> poi, polyline, polygon;
    const char* message;
};

TEST(Dictionary, FirstCaptionThatIsNoNumberStopsItAndChangesNothing) {
    const FailureCase cases[] = {
        {"polygon", {{"0x2f06", "3"}}, {{"0x16", "2"}}, {{"0x4c", "high"}}, "'high' is not a valid integer value"},
        {"kinds in order", {{"0x30", "p"}}, {{"0x01", "l"}}, {}, "'p' is not a valid integer value"},
        {"types ascending", {}, {{"0x40", "b"}, {"0x20", "a"}}, {}, "'a' is not a valid integer value"},
        {"empty caption", {}, {}, {{"0x01", ""}}, "'' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        TypeLists lists;
        Fill(lists.poi, c.poi);
        Fill(lists.polyline, c.polyline);
        Fill(lists.polygon, c.polygon);
        DictionaryTables tables;
        tables.dic10[0x2f] = 7;
        tables.dic40[0x16] = 7;
        tables.dic80[0x4c] = 7;
        const DictionaryTables before = tables;
        try {
            BuildDictionary(lists, tables);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.message) << c.name;
        }
        EXPECT_EQ(tables, before) << c.name;
    }
}

TEST(Dictionary, OnlyTheFirstRowOfAPrefixIsRead) {
    TypeLists lists;
    Fill(lists.poi, {{"0x2f06", "2"}, {"0x2f0b", "not a level"}});
    DictionaryTables tables;
    const LineList lines = BuildDictionary(lists, tables);
    EXPECT_EQ(Column(lines, ObjectKind::Poi, 0x2f), "110000000");
}

}  // namespace
}  // namespace stratex
