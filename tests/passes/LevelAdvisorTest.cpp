#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "passes/LevelAdvisor.h"
#include "passes/Parts.h"
#include "support/AdviceMaps.h"

namespace stratex {
namespace {

const std::vector<int> kBits = {24, 22, 20, 18, 16};

struct Expected {
    int level;
    const char* reason;
};

struct AdviceCase {
    const char* name;
    AdviceLimits limits;
    Expected poi, polyline, polygon;
};

// Each default and each option moves exactly the proposals it concerns, and each reason names the level
// that decided.
TEST(LevelAdvisor, ProposalsAndReasonsFollowTheLimits) {
    const AdviceCase cases[] = {
        {"defaults",
         {},
         {2, "at Level3 (18 bits) a cell holds 40 of the 40 points, more than 32"},
         {2, "at Level3 (18 bits) 100 % of the 2 polylines are under 8 units"},
         {1, "at Level2 (20 bits) 75 % of the 4 polygons are under 8 units"}},
        {"--min-size 4",
         {4, 50, 32},
         {2, "at Level3 (18 bits) a cell holds 40 of the 40 points, more than 32"},
         {2, "at Level3 (18 bits) 100 % of the 2 polylines are under 4 units"},
         {2, "at Level3 (18 bits) 75 % of the 4 polygons are under 4 units"}},
        {"--keep 25",
         {8, 25, 32},
         {2, "at Level3 (18 bits) a cell holds 40 of the 40 points, more than 32"},
         {2, "at Level3 (18 bits) 100 % of the 2 polylines are under 8 units"},
         {3, "at Level3 (18 bits) 25 % of the 4 polygons are at least 8 units; Level4 is the top level"}},
        {"--max-points 40",
         {8, 50, 40},
         {3, "at Level3 (18 bits) no cell holds more than 40 of the 40 points; Level4 is the top level"},
         {2, "at Level3 (18 bits) 100 % of the 2 polylines are under 8 units"},
         {1, "at Level2 (20 bits) 75 % of the 4 polygons are under 8 units"}},
        {"--max-points 10 --min-size 200",
         {200, 50, 10},
         {0, "at Level0 (24 bits) a cell holds 20 of the 40 points, more than 10; Level0 is the lowest"},
         {0, "at Level0 (24 bits) 100 % of the 2 polylines are under 200 units; Level0 is the lowest"},
         {0, "at Level0 (24 bits) 75 % of the 4 polygons are under 200 units; Level0 is the lowest"}},
    };
    const std::string map = AdviceMap();
    for (const AdviceCase& c : cases) {
        SCOPED_TRACE(c.name);
        LevelMeasure measure(kBits, c.limits);
        MeasureMap(TextParts(map), measure);
        const std::vector<LevelAdvice> advice = Advise(measure);
        ASSERT_EQ(advice.size(), 3u);
        const Expected* expected[] = {&c.poi, &c.polyline, &c.polygon};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(advice[i].kind, static_cast<ObjectKind>(i));
            EXPECT_EQ(advice[i].level, expected[i]->level);
            EXPECT_EQ(advice[i].reason, expected[i]->reason);
        }
    }
}

// A set's tiles measured one after the other give the measure of one map holding them all.
TEST(LevelAdvisor, TilesMeasuredInTurnMeasureAsOneMap) {
    LevelMeasure whole(kBits, {});
    MeasureMap(TextParts(AdviceMap()), whole);
    LevelMeasure set(kBits, {});
    const std::string first = AdviceMap(1), second = AdviceMap(2);
    MeasureMap(TextParts(first), set);
    MeasureMap(TextParts(second), set);
    const std::vector<TypeMeasure> a = whole.Types(), b = set.Types();
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].objects, b[i].objects);
        EXPECT_EQ(a[i].atLeast, b[i].atLeast);
        EXPECT_EQ(a[i].mostInCell, b[i].mostInCell);
    }
}

// Where the point cells pass their budget, the coarser levels still counted keep the figures of an
// unbounded count, and the finer ones are told as not counted.
TEST(LevelAdvisor, PointCellsOverTheBudgetKeepTheCoarserLevelsExact) {
    std::mt19937 random(7);
    std::string map = AdviceMap().substr(0, AdviceMap().find("[END-IMG ID]") + 14);
    for (int i = 0; i < 3000; ++i) {
        map += "[POI]\r\nType=0x2f06\r\nData0=(" + std::to_string(50 + static_cast<double>(random() % 100000) / 1e5) +
               "," + std::to_string(30 + static_cast<double>(random() % 100000) / 1e5) + ")\r\n[END]\r\n";
    }
    LevelMeasure unbounded(kBits, {});
    LevelMeasure bounded(kBits, {}, 200);
    MeasureMap(TextParts(map), unbounded);
    MeasureMap(TextParts(map), bounded);
    const TypeMeasure all = unbounded.Types().front(), some = bounded.Types().front();
    EXPECT_EQ(all.cellBits, 24);
    EXPECT_LT(some.cellBits, 24);
    EXPECT_GT(some.cellBits, 16);
    for (std::size_t level = 0; level < kBits.size(); ++level) {
        EXPECT_EQ(some.mostInCell[level], kBits[level] <= some.cellBits ? all.mostInCell[level] : 0u) << level;
    }
}

}  // namespace
}  // namespace stratex
