#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "bytes/Error.h"
#include "types/Catalogue.h"
#include "types/TypeList.h"

namespace stratex {
namespace {

struct RowText {
    const char* level;
    const char* code;
    const char* name;
};

TypeList MakeList(ObjectKind kind, const std::vector<RowText>& rows) {
    TypeList list(kind);
    for (const auto& r : rows) list.AddTypeRow(r.code, r.name, r.level);
    return list;
}

std::vector<std::string> Codes(const TypeList& list) {
    std::vector<std::string> codes;
    for (const auto& row : list.rows()) codes.push_back(row.code);
    return codes;
}

std::vector<std::string> Levels(const TypeList& list) {
    std::vector<std::string> levels;
    for (const auto& row : list.rows()) levels.push_back(row.level);
    return levels;
}

std::string LevelError(const TypeList& list, std::string_view code) {
    try {
        list.GetTypeLevel(code);
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

TEST(TypeList, AddTypeRowAppendsWithTheIconOfItsKind) {
    TypeList poi(ObjectKind::Poi);
    poi.AddTypeRow("0x2f06", "Bank", "3");
    poi.AddTypeRow("0x0100", "City", "1", true);
    poi.AddTypeRow("0x9999", "", "0");
    ASSERT_EQ(poi.size(), 3u);
    EXPECT_EQ(poi[0], (TypeRow{"3", "0x2f06", "Bank", 58, false}));
    EXPECT_EQ(poi[1], (TypeRow{"1", "0x0100", "City", 0, true}));
    EXPECT_EQ(poi[2], (TypeRow{"0", "0x9999", "", -1, false}));

    // The same code text gives each kind's own icon.
    TypeList polyline(ObjectKind::Polyline);
    TypeList polygon(ObjectKind::Polygon);
    polyline.AddTypeRow("0x4C", "", "0");
    polygon.AddTypeRow("0x4C", "", "0");
    EXPECT_EQ(polyline[0].icon, -1);
    EXPECT_EQ(polygon[0].icon, 2);
    EXPECT_EQ(polygon[0].code, "0x4C");
}

TEST(TypeList, IsTypeListedComparesBytes) {
    const TypeList list = MakeList(ObjectKind::Poi, {{"1", "0x2f06", ""}, {"2", "", ""}});
    struct Case {
        const char* code;
        bool listed;
    };
    const Case cases[] = {
        {"0x2f06", true},   {"0x2F06", false}, {"0X2f06", false}, {"0x2f0", false},
        {"0x2f06 ", false}, {"", true},        {"0x2f07", false},
    };
    for (const auto& c : cases) EXPECT_EQ(list.IsTypeListed(c.code), c.listed) << c.code;
    EXPECT_FALSE(TypeList(ObjectKind::Poi).IsTypeListed(""));
    EXPECT_FALSE(TypeList(ObjectKind::Poi).IsTypeListed("0x2f06"));
}

TEST(TypeList, GetTypeLevelReadsTheFirstExactMatch) {
    const TypeList list = MakeList(ObjectKind::Polyline, {
                                                             {"3", "0x16", ""},
                                                             {"5", "0x16", ""},
                                                             {"0x10", "0x01", ""},
                                                             {" -2", "0x02", ""},
                                                             {"7", "0X03", ""},
                                                         });
    struct Case {
        const char* code;
        std::int32_t level;
    };
    const Case cases[] = {
        {"0x16", 3}, {"0x01", 16}, {"0x02", -2}, {"0X03", 7}, {"0x03", 0}, {"0x17", 0}, {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(list.GetTypeLevel(c.code), c.level) << c.code;
    EXPECT_EQ(TypeList(ObjectKind::Poi).GetTypeLevel("0x2f06"), 0);
}

TEST(TypeList, LevelLookupsRejectACaptionThatIsNoNumber) {
    struct Case {
        const char* caption;
        std::string message;
    };
    const Case cases[] = {
        {"", "'' is not a valid integer value"},
        {"abc", "'abc' is not a valid integer value"},
        {"3 ", "'3 ' is not a valid integer value"},
        {"\xC4\xE0", "'Да' is not a valid integer value"},
        {"2147483648", "'2147483648' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        const TypeList list = MakeList(ObjectKind::Poi, {{"1", "0x0100", ""}, {c.caption, "0x2a01", ""}});
        EXPECT_EQ(LevelError(list, "0x2a01"), c.message);
        // A bad caption on a row that is not looked up fails nothing.
        EXPECT_EQ(list.GetTypeLevel("0x0100"), 1);
    }
}

TEST(TypeList, ExactLookupFollowsTheCurrentOrder) {
    // Two rows with one code (as a level config file can leave them): the first in list order wins.
    TypeList list = MakeList(ObjectKind::Polygon, {{"5", "0x4c", "b"}, {"3", "0x4c", "a"}, {"1", "0x01", "c"}});
    EXPECT_EQ(list.GetTypeLevel("0x4c"), 5);
    list.Sort(0);
    ASSERT_EQ(Levels(list), (std::vector<std::string>{"1", "3", "5"}));
    EXPECT_EQ(list.GetTypeLevel("0x4c"), 3);
    EXPECT_EQ(list.GetTypeLevel("0x01"), 1);
    list.Sort(2);
    EXPECT_EQ(list.GetTypeLevel("0x4c"), 3);
    list.Sort(1);
    ASSERT_EQ(Codes(list), (std::vector<std::string>{"0x01", "0x4c", "0x4c"}));
    EXPECT_EQ(list.GetTypeLevel("0x4c"), 3);
}

TEST(TypeList, CompareIgnoresAsciiCaseAndComparesCaptionsAsText) {
    struct Case {
        RowText a;
        RowText b;
        int column;
        int sign;
    };
    const Case cases[] = {
        {{"10", "", ""}, {"9", "", ""}, 0, -1},
        {{"9", "", ""}, {"10", "", ""}, 0, 1},
        {{"2", "", ""}, {"2", "", ""}, 0, 0},
        {{"", "", ""}, {"0", "", ""}, 0, -1},
        {{"", "0x2F06", ""}, {"", "0x2f06", ""}, 1, 0},
        {{"", "0x2f06", ""}, {"", "0x2f06a", ""}, 1, -1},
        {{"", "0x2a01", ""}, {"", "0x2F01", ""}, 1, -1},
        {{"", "0x16", ""}, {"", "0x0100", ""}, 1, 1},
        {{"", "", "abc"}, {"", "", "ABD"}, 2, -1},
        {{"", "", "Road"}, {"", "", "road"}, 2, 0},
        // "_" (0x5F) lies between the upper- and lower-case letters: letters compare as upper case.
        {{"", "", "_"}, {"", "", "a"}, 2, 1},
        // Bytes above ASCII compare unsigned and unfolded: Cyrillic sorts after Latin.
        {{"", "", "\xE0"}, {"", "", "z"}, 2, 1},
        {{"", "", "\xC0"}, {"", "", "\xE0"}, 2, -1},
        // Each column reads only its own field.
        {{"1", "0x02", "b"}, {"2", "0x01", "a"}, 0, -1},
        {{"1", "0x02", "b"}, {"2", "0x01", "a"}, 1, 1},
        {{"1", "0x02", "b"}, {"2", "0x01", "a"}, 2, 1},
    };
    for (const auto& c : cases) {
        const TypeRow a{c.a.level, c.a.code, c.a.name};
        const TypeRow b{c.b.level, c.b.code, c.b.name};
        const int result = POIListViewCompare(a, b, c.column);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << "'" << c.a.level << c.a.code << c.a.name << "' vs '"
                                                       << c.b.level << c.b.code << c.b.name << "' column " << c.column;
    }
}

TEST(TypeList, SortIsAscendingAndStable) {
    const std::vector<RowText> rows = {
        {"9", "0x2F06", "bank"},  {"10", "0x0100", "City"}, {"2", "0x2a01", "Alpha"},
        {"9", "0x1600", "alpha"}, {"2", "0x2f05", "Bank"},
    };
    struct Case {
        int column;
        std::vector<std::string> codes;
    };
    const Case cases[] = {
        // Equal captions keep their earlier order.
        {0, {"0x0100", "0x2a01", "0x2f05", "0x2F06", "0x1600"}},
        {1, {"0x0100", "0x1600", "0x2a01", "0x2f05", "0x2F06"}},
        // "Alpha" and "alpha", "bank" and "Bank" compare equal and stay in list order.
        {2, {"0x2a01", "0x1600", "0x2F06", "0x2f05", "0x0100"}},
    };
    for (const auto& c : cases) {
        TypeList list = MakeList(ObjectKind::Poi, rows);
        list.Sort(c.column);
        EXPECT_EQ(Codes(list), c.codes) << "column " << c.column;
        // Sorting again by the same column changes nothing.
        list.Sort(c.column);
        EXPECT_EQ(Codes(list), c.codes) << "column " << c.column << " again";
        // The rows travel whole, icons included.
        for (const auto& row : list.rows()) EXPECT_EQ(row.icon, GetImage(ObjectKind::Poi, row.code));
    }
}

TEST(TypeList, SortKeepsTheOrderOfEqualRowsInLongLists) {
    // Long enough that a sort which is not stable reorders equal rows.
    TypeList list(ObjectKind::Poi);
    const int count = 200;
    for (int i = 0; i < count; ++i) {
        list.AddTypeRow(NormalisedTypeCode(ObjectKind::Poi, i), (i % 2) ? "Same" : "SAME", std::to_string((i * 7) % 3));
    }
    for (const int column : {0, 2}) {
        SCOPED_TRACE(column);
        TypeList sorted = list;
        sorted.Sort(column);
        ASSERT_EQ(sorted.size(), list.size());
        for (std::size_t i = 1; i < sorted.size(); ++i) {
            const int order = POIListViewCompare(sorted[i - 1], sorted[i], column);
            ASSERT_LE(order, 0) << i;
            // Codes were added in ascending order, so equal rows must still show ascending codes.
            if (order == 0) {
                ASSERT_LT(sorted[i - 1].code, sorted[i].code) << i;
            }
        }
    }
}

TEST(TypeList, LookupsStayRightAfterEveryReordering) {
    TypeList list(ObjectKind::Poi);
    const int count = 300;
    for (int i = 0; i < count; ++i) {
        // Levels run against the codes, so a sort by caption reverses the list.
        std::string name = "n";
        name += std::to_string(i % 7);
        list.AddTypeRow(NormalisedTypeCode(ObjectKind::Poi, i), name, std::to_string(1000 - i));
    }
    for (const int column : {0, 2, 1, 0}) {
        list.Sort(column);
        for (int i = 0; i < count; ++i) {
            const std::string code = NormalisedTypeCode(ObjectKind::Poi, i);
            ASSERT_TRUE(list.IsTypeListed(code)) << code;
            ASSERT_EQ(list.GetTypeLevel(code), 1000 - i) << code << " column " << column;
        }
    }
    list.Clear();
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(list.IsTypeListed("0x0000"));
    EXPECT_EQ(list.GetTypeLevel("0x0000"), 0);
    // A code added again after Clear is found at its new place.
    list.AddTypeRow("0x0005", "", "42");
    EXPECT_EQ(list.GetTypeLevel("0x0005"), 42);
    EXPECT_FALSE(list.IsTypeListed("0x0000"));
}

TEST(TypeList, ACopyLooksUpOnItsOwn) {
    TypeList original = MakeList(ObjectKind::Polyline, {{"1", "0x16", ""}, {"2", "0x01", ""}});
    const TypeList copy = original;
    original.Clear();
    original.AddTypeRow("0x01", "", "9");
    EXPECT_EQ(copy.GetTypeLevel("0x16"), 1);
    EXPECT_EQ(copy.GetTypeLevel("0x01"), 2);
    EXPECT_EQ(original.GetTypeLevel("0x01"), 9);
    EXPECT_FALSE(original.IsTypeListed("0x16"));
}

TEST(TypeList, SetLevelOfRowsWritesDecimalAndKeepsTheOrder) {
    struct Case {
        std::vector<std::size_t> selected;
        int level;
        std::vector<std::string> levels;
    };
    const Case cases[] = {
        {{}, 9, {"1", "2", "3", "4"}},     {{0, 2}, 7, {"7", "2", "7", "4"}}, {{3, 1, 99}, 0, {"1", "0", "3", "0"}},
        {{2, 2}, 9, {"1", "2", "9", "4"}}, {{4}, 5, {"1", "2", "3", "4"}},
    };
    for (const auto& c : cases) {
        TypeList list = MakeList(ObjectKind::Poi,
                                 {{"1", "0x0400", ""}, {"2", "0x0300", ""}, {"3", "0x0200", ""}, {"4", "0x0100", ""}});
        list.SetLevelOfRows(c.selected, c.level);
        EXPECT_EQ(Levels(list), c.levels);
        EXPECT_EQ(Codes(list), (std::vector<std::string>{"0x0400", "0x0300", "0x0200", "0x0100"}));
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list.GetTypeLevel(list[i].code), std::stoi(c.levels[i]));
        }
    }
}

TEST(TypeList, SetLevelTakesAnyTextUnchecked) {
    TypeList list = MakeList(ObjectKind::Poi, {{"1", "0x0100", ""}, {"2", "0x0200", ""}});
    list.SetLevel(1, "x");
    list.SetLevel(0, "4");
    list.SetLevel(2, "5");
    EXPECT_EQ(Levels(list), (std::vector<std::string>{"4", "x"}));
    EXPECT_EQ(list.GetTypeLevel("0x0100"), 4);
    EXPECT_EQ(LevelError(list, "0x0200"), "'x' is not a valid integer value");
}

TEST(TypeList, NormalisedTypeCodeIsPaddedLowerCaseHex) {
    struct Case {
        ObjectKind kind;
        std::int32_t value;
        const char* code;
    };
    const Case cases[] = {
        {ObjectKind::Poi, 0x2f06, "0x2f06"},
        {ObjectKind::Poi, 0x16, "0x0016"},
        {ObjectKind::Poi, 0, "0x0000"},
        {ObjectKind::Poi, 0x12abc, "0x12abc"},
        {ObjectKind::Polyline, 0x16, "0x16"},
        {ObjectKind::Polyline, 5, "0x05"},
        {ObjectKind::Polyline, 0x10f, "0x10f"},
        {ObjectKind::Polygon, 0x4C, "0x4c"},
        {ObjectKind::Polygon, 0, "0x00"},
        {ObjectKind::Poi, -1, "0xffffffff"},
        {ObjectKind::Polyline, -2, "0xfffffffe"},
        {ObjectKind::Polygon, INT32_MIN, "0x80000000"},
        {ObjectKind::Poi, INT32_MAX, "0x7fffffff"},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalisedTypeCode(c.kind, c.value), c.code) << c.value;
}

}  // namespace
}  // namespace stratex
