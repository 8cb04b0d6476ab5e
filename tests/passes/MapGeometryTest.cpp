#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "grammar/MapSyntax.h"
#include "passes/LevelSelection.h"
#include "passes/MapGeometry.h"
#include "passes/MapView.h"
#include "passes/ScanTestSupport.h"
#include "support/RealMaps.h"

namespace stratex {

void PrintTo(const GeometryFinding& finding, std::ostream* out) { *out << finding.line << ": " << finding.message; }

namespace {

struct CoordinateCase {
    const char* value;
    std::vector<GeoPoint> points;  // when read
    const char* reason;            // when not: the reason given
};

TEST(MapGeometry, CoordinateValuesAreReadOrRefusedWithTheirPlace) {
    const CoordinateCase cases[] = {
        {"(55.10,37.20)", {{55100000, 37200000}}, nullptr},
        {"(55.1,37.2),(-55.123456,-37.9999999)", {{55100000, 37200000}, {-55123456, -38000000}}, nullptr},
        {" ( 56.7 , 38.5 ) , (+1,2.) ", {{56700000, 38500000}, {1000000, 2000000}}, nullptr},
        {"(90,180),(-90,-180)", {{90000000, 180000000}, {-90000000, -180000000}}, nullptr},
        {"(.5,0.0000005)", {{500000, 1}}, nullptr},
        {"", {}, "character 1: \"(\" is expected"},
        {"55.1,37.2", {}, "character 1: \"(\" is expected"},
        {"(55.1,x)", {}, "character 7: a number is expected"},
        {"(55.1;37.2)", {}, "character 6: \",\" is expected"},
        {"(55.1,37.2", {}, "character 11: \")\" is expected"},
        {"(55.1,37.2),", {}, "character 13: \"(\" is expected"},
        {"(55.1,37.2)(1,2)", {}, "character 12: \",\" is expected"},
        {"(90.000001,0)", {}, "character 2: the number is out of range"},
        {"(1,2),(3,-180.5)", {}, "character 10: the number is out of range"},
        {"(-,2)", {}, "character 3: a number is expected"},
        // Fractions of eight bytes and more are read eight at a time: every count of digits, the seventh
        // rounding, the rest dropped, and what follows them (a label's Windows-1251 letters) not taken for one.
        {"(55.12345678,37.9999996)", {{55123457, 38000000}}, nullptr},
        {"(1.1234567,-2.123456789012)", {{1123457, -2123457}}, nullptr},
        {"(1.00000049,2.0000005)", {{1000000, 2000001}}, nullptr},
        {"(1.12,2.1234),(3.123456,4.12345)", {{1120000, 2123400}, {3123456, 4123450}}, nullptr},
        {"(1.5\xFA\xFB\xFC\xFD\xFE\xFF,2)", {}, "character 5: \",\" is expected"},
        {"(1.5:;<=>?@,2)", {}, "character 5: \",\" is expected"},
    };
    for (const CoordinateCase& c : cases) {
        SCOPED_TRACE(c.value);
        std::vector<GeoPoint> points{{7, 7}};  // what was there before stays
        const std::optional<std::string> reason = ReadCoordinates(c.value, points);
        std::vector<GeoPoint> expected{{7, 7}};
        expected.insert(expected.end(), c.points.begin(), c.points.end());
        EXPECT_EQ(points, expected);
        EXPECT_EQ(reason.value_or("read"), c.reason ? c.reason : "read");
    }
}

TEST(MapGeometry, CoordinateKeysGiveTheirLevel) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"Data0=(1,2)", 0}, {"Data12=(1,2)", 12}, {"DATA3 =(1,2)", 3},  {"Origin0=(1,2)", 0}, {"data1=", 1},
        {"Data=(1,2)", {}}, {"Data1x=(1,2)", {}}, {"Label=Data0=", {}}, {"DataFile=x", {}},   {"Origin=(1,2)", {}},
    };
    for (const auto& [line, level] : cases) EXPECT_EQ(mapsyntax::CoordinateLevel(line), level) << line;
}

// The shapes of object at level as "level: (lat,lon) (lat,lon) | (lat,lon)" in whole degrees, each line a part.
std::string ShapesText(const MapGeometry& geometry, const MapText& map, std::size_t object, int level) {
    std::vector<GeoPoint> points;
    std::vector<std::size_t> ends;
    std::string text = std::to_string(geometry.ShapesAt(map.Buffer(), object, level, points, ends)) + ":";
    std::size_t part = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i == ends[part]) {
            text += " |";
            ++part;
        }
        text += " (" + std::to_string(points[i].lat / 1000000) + "," + std::to_string(points[i].lon / 1000000) + ")";
    }
    return text;
}

TEST(MapGeometry, ObjectsKeepTheirPlaceInTheTextAndABadLineIsReportedWithoutStoppingTheRest) {
    const MapText map = MapOf({
        "[IMG ID]",
        "Levels=3",
        "[END-IMG ID]",
        "Data0=(9,9)",  // outside any object
        "[POLYGON]",
        "Type=0x4c",
        "Data1=(1,1),(1,2),(2,2)",
        "Data0=(1,1),(1,3),(3,3)",
        "Label=Data0=(7,7)",  // a label, not a coordinate line
        "Data0=(5,5),(5,6),(6,6)",
        "[END]",
        "[POI]",
        "Type=0x2f06",
        "Data0=(55.1,oops)",
        "Origin1=(4,4)",
        "[END]",
        "[POLYLINE]",
        "Type=0x16",
        "Data0=(2,2) (3,3)",
        "Data1=(1,1),(1,1),(1,1),(1,1),(1,1),(1,1),(1,1),(1,1),(1,1),(1,1),x",
        "[END]",  // nothing left to draw: no object
        "[RGN40]",
        "Data2=(8,8),(8,9)",
        "Data3=",       // cannot be read: as if not there
        "Data4=(8,x)",  // nor this
        "[END-RGN40]",  // the type of the object before
    });
    const MapGeometry geometry = MapGeometry::Read(map);
    ASSERT_EQ(geometry.ObjectCount(), 3u);
    const auto typeOf = [&](std::size_t i) { return geometry.types()[geometry.object(i).type()]; };
    EXPECT_EQ(typeOf(0).kind, ObjectKind::Polygon);
    EXPECT_EQ(typeOf(0).text, "0x4c");
    EXPECT_EQ(geometry.object(0).lowestLevel(), 0);
    EXPECT_EQ(geometry.object(0).box, (GeoBox{1000000, 1000000, 6000000, 6000000}));
    EXPECT_EQ(ShapesText(geometry, map, 0, 0), "0: (1,1) (1,3) (3,3) | (5,5) (5,6) (6,6)");
    EXPECT_EQ(ShapesText(geometry, map, 0, 3), "1: (1,1) (1,2) (2,2)");
    EXPECT_EQ(typeOf(1).text, "0x2f06");
    EXPECT_EQ(geometry.object(1).lowestLevel(), 1);
    EXPECT_EQ(ShapesText(geometry, map, 1, 0), "-1:");
    EXPECT_EQ(ShapesText(geometry, map, 1, 1), "1: (4,4)");
    EXPECT_EQ(typeOf(2).kind, ObjectKind::Polyline);
    EXPECT_EQ(typeOf(2).text, "0x16");
    EXPECT_EQ(geometry.object(2).lowestLevel(), 2);
    EXPECT_EQ(ShapesText(geometry, map, 2, 4), "2: (8,8) (8,9)");
    EXPECT_EQ(geometry.bounds(), (GeoBox{1000000, 1000000, 8000000, 9000000}));
    EXPECT_EQ(geometry.findings(),
              (std::vector<GeometryFinding>{
                  {14, "Line 14: Data0=(55.1,oops) cannot be read, character 7: a number is expected"},
                  {19, "Line 19: Data0=(2,2) (3,3) cannot be read, character 7: \",\" is expected"},
                  {20,
                   "Line 20: Data1=(1,1),(1,1),(1,1),(1,1),(1,1),(1,1),(1,1),(1,1),(1,1),... cannot be read, "
                   "character 61: \"(\" is expected"},
                  {24, "Line 24: Data3= cannot be read, character 1: \"(\" is expected"},
                  {25, "Line 25: Data4=(8,x) cannot be read, character 4: a number is expected"}}));
}

TEST(MapGeometry, AMapReadInPartsGivesTheGeometryOfOneRead) {
    // Two objects in three without a Type line of their own (at the start of a part too), coordinates
    // outside objects, lines that cannot be read; and the real maps, where they are.
    std::vector<std::string> lines = {"[IMG ID]", "Levels=2", "[END-IMG ID]"};
    const char* const openers[] = {"[POI]", "[POLYLINE]", "[POLYGON]", "[RGN40]"};
    for (int i = 0; i < 300; ++i) {
        lines.push_back(openers[i % 4]);
        if (i % 3 == 0) lines.push_back("Type=0x" + std::to_string(10 + i % 7));
        const std::string at = std::to_string(i % 80) + "." + std::to_string(i) + "," + std::to_string(i % 170);
        lines.push_back(i % 17 == 0 ? "Data0=(" + at + ",x)" : "Data0=(" + at + "),(1,1)");
        if (i % 11 == 0) lines.push_back("Data1=(" + at + ")");
        lines.push_back(i % 4 == 3 ? "[END-RGN40]" : "[END]");
        if (i % 13 == 0) lines.push_back("Data0=(2,2)");
    }
    std::vector<MapText> maps;
    maps.push_back(MapOf(lines));
    for (const char* real : {"map_podm/mp/o37-121.mp", "map_podm/mp/n37-035.mp"}) {
        if (std::filesystem::exists(RealMap(real))) maps.push_back(MapText::FromFile(RealMap(real)));
    }
    const std::atomic<bool> go{false};
    for (const MapText& map : maps) {
        const MapGeometry whole = *MapGeometry::Read(map, go, 1);
        for (const std::size_t parts : {2, 3, 7}) {
            SCOPED_TRACE(parts);
            const MapGeometry cut = *MapGeometry::Read(map, go, parts);
            ASSERT_EQ(cut.ObjectCount(), whole.ObjectCount());
            for (std::size_t i = 0; i < whole.ObjectCount(); ++i) {
                const MapGeometry::Object& a = whole.object(i);
                const MapGeometry::Object& b = cut.object(i);
                ASSERT_EQ(cut.types()[b.type()].text, whole.types()[a.type()].text) << i;
                ASSERT_EQ(cut.KindOf(i), whole.KindOf(i)) << i;
                ASSERT_EQ(b.box, a.box) << i;
                ASSERT_EQ(b.lowestLevel(), a.lowestLevel()) << i;
                ASSERT_EQ(cut.Start(i), whole.Start(i)) << i;
            }
            EXPECT_EQ(cut.bounds(), whole.bounds());
            EXPECT_EQ(cut.findings(), whole.findings());
            EXPECT_EQ(cut.FindingCount(), whole.FindingCount());
        }
    }
}

TEST(MapGeometry, ReadingStopsWhenAsked) {
    std::vector<std::string> lines;
    for (int i = 0; i < 5000; ++i) {
        for (const char* line : {"[POI]", "Type=0x2f06", "Data0=(1,1)", "[END]"}) lines.push_back(line);
    }
    const MapText map = MapOf(lines);
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(MapGeometry::Read(map, stop).has_value());
    const std::atomic<bool> go{false};
    EXPECT_EQ(MapGeometry::Read(map, go)->ObjectCount(), 5000u);
}

TEST(LevelSelection, ObjectIsDrawnFromItsLowestDataLineUpToItsEndLevel) {
    // The lowest coordinate line N, the EndLevel E, the levels 0..4 at which the object shows.
    const struct {
        int lowest;
        int endLevel;
        const char* shown;
    } cases[] = {
        {0, 0, "x...."}, {0, 2, "xxx.."}, {1, 3, ".xxx."}, {2, 0, "..x.."}, {3, 1, "...x."}, {0, 9, "xxxxx"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (int level = 0; level < 5; ++level) shown += IsDrawnAtLevel(c.lowest, c.endLevel, level) ? 'x' : '.';
        EXPECT_EQ(shown, c.shown) << c.lowest << " " << c.endLevel;
    }
}

TEST(LevelSelection, TypesAreLookedUpAsProcessDoesAtThatMoment) {
    const MapGeometry geometry = MapGeometry::Read(MapOf({
        "[POI]", "Type=0x2F06", "Data0=(1,1)", "[END]",           // listed as 0x2f06
        "[POLYGON]", "Type=0x4c", "Data1=(1,1),(2,2)", "[END]",   // lowest line Data1
        "[POLYLINE]", "Type=0x16", "Data0=(1,1),(2,2)", "[END]",  // not listed: 0
        "[POLYLINE]", "Type=0x1f", "Data0=(1,1),(2,2)", "[END]",  // its caption is no number
    }));
    TypeLists lists;
    lists.poi.AddTypeRow("0x2f06", "", "2");
    lists.polygon.AddTypeRow("0x4c", "", "0");
    lists.polyline.AddTypeRow("0x1f", "", "deep");
    // The objects drawn, "x" for each in map order.
    const auto drawn = [&](const LevelSelection& selection) {
        std::string text;
        for (std::size_t i = 0; i < geometry.ObjectCount(); ++i)
            text += selection.Draws(geometry.object(i)) ? 'x' : '.';
        return text;
    };
    const LevelSelection level0 = LevelSelection::Select(geometry, lists, 0);
    EXPECT_EQ(drawn(level0), "x.x.");
    EXPECT_EQ(level0.DrawnCount(ObjectKind::Poi), 1u);
    EXPECT_EQ(level0.DrawnCount(ObjectKind::Polyline), 1u);
    EXPECT_EQ(level0.hiddenCount(), 2u);
    EXPECT_EQ(level0.problem(), "'deep' is not a valid integer value");
    const LevelSelection level1 = LevelSelection::Select(geometry, lists, 1);
    EXPECT_EQ(drawn(level1), "xx..");
    EXPECT_EQ(level1.DrawnCount(), 2u);
    EXPECT_EQ(level1.DrawnCount(ObjectKind::Polygon), 1u);
    lists.poi.SetLevel(0, "0");
    EXPECT_EQ(drawn(LevelSelection::Select(geometry, lists, 1)), ".x..");
}

TEST(MapView, ProjectionKeepsOnePointPerPixelAndZoomKeepsThePointUnderTheCursor) {
    MapView view;
    view.SetSize(116, 116);
    view.Fit({0, 0, 1000000, 1000000});  // 100 pixels for a degree, 8 of margin
    std::vector<PixelPoint> pixels;
    view.Project(std::vector<GeoPoint>{{0, 0}, {1000, 1000}, {6000, 1000}, {1000000, 1000000}, {0, 0}}, pixels);
    EXPECT_EQ(pixels, (std::vector<PixelPoint>{{8, 108}, {8, 107}, {108, 8}, {8, 108}}));
    const MapView::PixelBox box = view.Pixels({0, 0, 9000, 20000});
    EXPECT_NEAR(box.right - box.left, 2, 0.001);
    EXPECT_NEAR(box.bottom - box.top, 0.9, 0.001);
    EXPECT_NEAR(box.bottom, 108, 0.001);
    const GeoPoint under{250000, 750000};
    const double x = view.X(under), y = view.Y(under);
    view.ZoomAbout(8, x, y);
    EXPECT_NEAR(view.X(under), x, 1);
    EXPECT_NEAR(view.Y(under), y, 1);
    EXPECT_FALSE(view.Shows(GeoBox{0, 0, 10000, 10000}));
    view.Pan(560, -200);  // the corner of the degree comes back into the area
    EXPECT_TRUE(view.Shows(GeoBox{0, 0, 10000, 10000}));
}

TEST(MapView, PointsBeyondAnEdgeWithTheirNeighboursAreLeftOut) {
    MapView view;
    view.SetSize(100, 100);
    view.Fit({0, 0, 1000000, 1000000});  // 84 pixels for a degree, 8 of margin: x = 8 + 84 lon, y = 92 - 84 lat
    const auto project = [&](std::vector<GeoPoint> points) {
        std::vector<PixelPoint> pixels;
        view.Project(points, pixels);
        return pixels;
    };
    // Beyond the left edge from the second point to the fifth: the third and fourth go.
    EXPECT_EQ(project({{500000, 500000},
                       {500000, -500000},
                       {0, -1000000},
                       {1000000, -900000},
                       {600000, -300000},
                       {600000, 500000}}),
              (std::vector<PixelPoint>{{50, 50}, {-34, 50}, {-17, 42}, {50, 42}}));
    // Beyond the left edge, beyond the left and the top, beyond the top: no edge is shared by all three.
    EXPECT_EQ(project({{500000, -500000}, {2000000, -900000}, {2000000, 500000}}),
              (std::vector<PixelPoint>{{-34, 50}, {-68, -76}, {50, -76}}));
    // The transform that brings a picture of one view into another.
    MapView zoomed = view;
    zoomed.ZoomAbout(2, 30, 70);
    zoomed.Pan(5, -3);
    const MapView::Transform t = zoomed.From(view);
    for (const GeoPoint p : {GeoPoint{0, 0}, GeoPoint{700000, 200000}, GeoPoint{-300000, 1200000}}) {
        EXPECT_NEAR(t.sx * view.X(p) + t.dx, zoomed.X(p), 0.01);
        EXPECT_NEAR(t.sy * view.Y(p) + t.dy, zoomed.Y(p), 0.01);
    }
    const GeoBox area = view.Area();
    EXPECT_TRUE(area.Meets({-105000, -105000, -105000, -105000}));  // within a pixel of the bottom left corner
    EXPECT_FALSE(area.Meets({-140000, 0, -140000, 0}));             // almost four pixels below the bottom
}

}  // namespace
}  // namespace stratex
