#include <gtest/gtest.h>

#include <string>

#include "levels/ZoomTable.h"

namespace stratex {
namespace {

// Windows-1251 "км" and "м".
#define CP_KM "\xEA\xEC"
#define CP_M "\xEC"

struct ZoomCase {
    int bits;
    const char* zoom;
};

TEST(ZoomTable, GivesTheTextOfEveryBitCount) {
    const ZoomCase cases[] = {
        {0, ""},
        {5, ""},
        {9, ""},
        {10, "<=1200" CP_KM},
        {11, "<=800" CP_KM},
        {12, "<=500" CP_KM},
        {13, "<=200" CP_KM},
        {14, "<=120" CP_KM},
        {15, "<=50" CP_KM},
        {16, "<=30" CP_KM},
        {17, "<=12" CP_KM},
        {18, "<=8" CP_KM},
        {19, "<=3" CP_KM},
        {20, "<=2" CP_KM},
        {21, "<=1,2" CP_KM},
        {22, "<=500" CP_M},
        {23, "<=300" CP_M},
        {24, "<=120" CP_M},
        {25, "<=80" CP_M},
        {26, "<=30" CP_M},
        {27, "27"},
        {28, "28"},
        // Counts the table does not cover show no zoom.
        {-1, ""},
        {29, ""},
        {100, ""},
        {-2147483647 - 1, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZoomText(c.bits), c.zoom) << c.bits;
    }
}

struct ValueCase {
    std::string value;
    const char* expected;
};

TEST(ZoomTable, LevelValueJoinsBitsAndZoom) {
    const ValueCase cases[] = {
        {LevelValue(24), "24bit (<=120" CP_M ")"},
        {LevelValue(12), "12bit (<=500" CP_KM ")"},
        {LevelValue(21), "21bit (<=1,2" CP_KM ")"},
        {LevelValue(5), "5bit ()"},
        {LevelValue(0), "0bit ()"},
        {LevelValue(27), "27bit (27)"},
        {LevelValue(28), "28bit (28)"},
        {LevelValue(29), "29bit ()"},
        {LevelValue(-3), "-3bit ()"},
        // The bit count text is kept as the map spells it; only the zoom comes from the number.
        {LevelValue("8", 8), "8bit ()"},
        {LevelValue("0x18", 24), "0x18bit (<=120" CP_M ")"},
        {LevelValue("+17", 17), "+17bit (<=12" CP_KM ")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value, c.expected);
    }
}

TEST(ZoomTable, PickListOffersTenToTwentySixInOrder) {
    const auto& list = LevelPickList();
    ASSERT_EQ(list.size(), 17u);
    EXPECT_EQ(list.front(), "10bit (<=1200" CP_KM ")");
    EXPECT_EQ(list[11], "21bit (<=1,2" CP_KM ")");
    EXPECT_EQ(list.back(), "26bit (<=30" CP_M ")");
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i], LevelValue(10 + static_cast<int>(i))) << i;
    }
}

#undef CP_KM
#undef CP_M

}  // namespace
}  // namespace stratex
