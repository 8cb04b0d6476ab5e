#include <gtest/gtest.h>

#include <set>
#include <string>

#include "bytes/Strings.h"
#include "types/Catalogue.h"

namespace stratex {
namespace {

TEST(Catalogue, TablesHoldEveryCodeOnceWithAnIconOfTheirList) {
    struct Expected {
        ObjectKind kind;
        std::size_t entries;
        std::size_t codeLength;
        int withoutIcon;
        int icons;  // the length of the kind's icon list
    };
    const Expected expected[] = {
        {ObjectKind::Poi, 262, 6, 0, 101},
        {ObjectKind::Polyline, 36, 4, 0, 17},
        {ObjectKind::Polygon, 53, 4, 5, 9},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(static_cast<int>(e.kind));
        const auto table = CatalogueTable(e.kind);
        EXPECT_EQ(table.size(), e.entries);
        std::set<std::string> seen;
        int withoutIcon = 0;
        for (const auto& entry : table) {
            SCOPED_TRACE(std::string(entry.code));
            EXPECT_TRUE(seen.insert(AsciiLowerCopy(entry.code)).second) << "code stands twice";
            EXPECT_EQ(entry.code.size(), e.codeLength);
            EXPECT_TRUE(StartsWith(entry.code, "0x"));
            EXPECT_EQ(entry.code, AsciiLowerCopy(entry.code));
            EXPECT_GE(entry.icon, -1);
            EXPECT_LT(entry.icon, e.icons);
            if (entry.icon == -1) ++withoutIcon;
        }
        EXPECT_EQ(withoutIcon, e.withoutIcon);
    }
}

TEST(Catalogue, EveryEntryIsFoundInEitherLetterCase) {
    for (const ObjectKind kind : kAllKinds) {
        for (const auto& entry : CatalogueTable(kind)) {
            std::string upper(entry.code);
            for (char& c : upper) c = AsciiUpper(c);
            EXPECT_EQ(GetImage(kind, entry.code), entry.icon) << entry.code;
            EXPECT_EQ(GetImage(kind, upper), entry.icon) << upper;
        }
    }
}

TEST(Catalogue, LookupComparesWholeCodesWithAsciiLettersFolded) {
    struct Case {
        ObjectKind kind;
        const char* code;
        int icon;
    };
    const Case cases[] = {
        {ObjectKind::Poi, "0x2F06", 58},    {ObjectKind::Poi, "0x2f06", 58},    {ObjectKind::Poi, "0X2F06", 58},
        {ObjectKind::Poi, "0x2f6", -1},     {ObjectKind::Poi, "0x2f060", -1},   {ObjectKind::Poi, " 0x2f06", -1},
        {ObjectKind::Poi, "0x2f06 ", -1},   {ObjectKind::Poi, "", -1},          {ObjectKind::Poi, "0x0100", 0},
        {ObjectKind::Poi, "0x5800", 100},   {ObjectKind::Poi, "0x2a00", 26},    {ObjectKind::Poi, "0x16", -1},
        {ObjectKind::Polygon, "0x4c", 2},   {ObjectKind::Polygon, "0x4C", 2},   {ObjectKind::Polygon, "0x4a", -1},
        {ObjectKind::Polygon, "0x4b", -1},  {ObjectKind::Polygon, "0x01", -1},  {ObjectKind::Polygon, "0x0e", 0},
        {ObjectKind::Polygon, "0x51", 8},   {ObjectKind::Polygon, "0x1", -1},   {ObjectKind::Polygon, "0x2f06", -1},
        {ObjectKind::Polyline, "0x2c", -1}, {ObjectKind::Polyline, "0x2b", 0},  {ObjectKind::Polyline, "0x24", 16},
        {ObjectKind::Polyline, "0X1E", 12}, {ObjectKind::Polyline, "0x4c", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.kind)) + " " + c.code);
        EXPECT_EQ(GetImage(c.kind, c.code), c.icon);
    }
}

TEST(Catalogue, LookupFoldsNoByteBeyondAscii) {
    // 0xC0..0xFF are Cyrillic letters in Windows-1251; they must never be folded onto ASCII.
    EXPECT_EQ(GetImage(ObjectKind::Poi, "0x2f0\xE6"), -1);
    EXPECT_EQ(GetImage(ObjectKind::Polyline, "0x2\xC1"), -1);
}

TEST(Catalogue, IconListsHaveTheirSizes) {
    struct Case {
        ObjectKind kind;
        int width;
        int height;
    };
    const Case cases[] = {
        {ObjectKind::Poi, 16, 16},
        {ObjectKind::Polyline, 30, 15},
        {ObjectKind::Polygon, 50, 20},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IconWidth(c.kind), c.width);
        EXPECT_EQ(IconHeight(c.kind), c.height);
    }
}

TEST(ObjectKind, NamesItsTypeNameFileAndConfigLetter) {
    EXPECT_EQ(TypeNameFileName(ObjectKind::Poi), "poi.txt");
    EXPECT_EQ(TypeNameFileName(ObjectKind::Polyline), "polyline.txt");
    EXPECT_EQ(TypeNameFileName(ObjectKind::Polygon), "polygon.txt");
    EXPECT_EQ(ConfigLetter(ObjectKind::Poi), 'p');
    EXPECT_EQ(ConfigLetter(ObjectKind::Polyline), 'l');
    EXPECT_EQ(ConfigLetter(ObjectKind::Polygon), 'g');
}

}  // namespace
}  // namespace stratex
