#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "passes/BoxIndex.h"
#include "passes/LevelSelection.h"
#include "passes/MapDrawing.h"
#include "passes/MapGeometry.h"
#include "passes/MapView.h"
#include "passes/ScanTestSupport.h"

namespace stratex {
namespace {

// A map of one POI object per box, each a point at its south-west corner and one at its north-east corner.
MapText MapOfBoxes(const std::vector<GeoBox>& boxes) {
    std::vector<std::string> lines;
    const auto degrees = [](std::int32_t millionths) {
        const std::string sign = millionths < 0 ? "-" : "";
        const std::int32_t value = millionths < 0 ? -millionths : millionths;
        std::string fraction = std::to_string(value % 1000000);
        return sign + std::to_string(value / 1000000) + "." + std::string(6 - fraction.size(), '0') + fraction;
    };
    for (const GeoBox& box : boxes) {
        lines.push_back("[POLYLINE]");
        lines.push_back("Type=0x16");
        lines.push_back("Data0=(" + degrees(box.minLat) + "," + degrees(box.minLon) + "),(" + degrees(box.maxLat) +
                        "," + degrees(box.maxLon) + ")");
        lines.push_back("[END]");
    }
    return MapOf(lines);
}

TEST(BoxIndex, FindsExactlyTheObjectsWhoseBoxesMeetTheArea) {
    // Boxes of every size, from points to the whole map, and areas inside, across and outside the bounds.
    std::mt19937 random(7);
    const auto coordinate = [&](int range) { return static_cast<std::int32_t>(random() % range) - range / 2; };
    std::vector<GeoBox> boxes;
    for (int i = 0; i < 3000; ++i) {
        const int size = std::array{0, 10, 1000, 100000, 3000000, 20000000}[i % 6];
        const std::int32_t lat = coordinate(20000000), lon = coordinate(40000000);
        boxes.push_back({lat, lon, lat + static_cast<std::int32_t>(random() % (size + 1)),
                         lon + static_cast<std::int32_t>(random() % (size + 1))});
    }
    const MapText map = MapOfBoxes(boxes);
    const MapGeometry geometry = MapGeometry::Read(map);
    ASSERT_EQ(geometry.ObjectCount(), boxes.size());
    const BoxIndex index(geometry);
    std::vector<std::uint64_t> bits;
    for (int round = 0; round < 300; ++round) {
        const std::int32_t size = std::array{0, 5000, 500000, 5000000, 90000000}[round % 5];
        const std::int32_t lat = coordinate(50000000), lon = coordinate(80000000);
        const GeoBox area{lat, lon, lat + size, lon + size};
        index.Find(geometry, area, bits);
        ASSERT_EQ(bits.size(), (boxes.size() + 63) / 64);
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const bool found = (bits[i / 64] >> (i % 64)) & 1;
            ASSERT_EQ(found, boxes[i].Meets(area)) << "object " << i << " round " << round;
        }
    }
}

// What DrawMap asked for, one line a call: "box 0x4c 58,40 59,41", "polyline 0x16 17,75 33,75", ...
class RecordingSurface : public DrawSurface {
public:
    std::vector<std::string> calls;
    std::vector<std::string> types;  // the type text of each type index

    void FillBox(const PixelRect& box, std::uint32_t type) override {
        Call("box", type) << ' ' << box.left << ',' << box.top << ' ' << box.right << ',' << box.bottom;
        Done();
    }
    void Polygon(std::span<const PixelPoint> points, std::span<const std::size_t> ends, std::uint32_t type) override {
        Call("polygon", type) << ' ' << ends.size() << " parts " << points.size() << " points";
        Done();
    }
    void Polyline(std::span<const PixelPoint> points, std::uint32_t type) override {
        std::ostringstream& call = Call("polyline", type);
        for (const PixelPoint& p : points) call << ' ' << p.x << ',' << p.y;
        Done();
    }
    void Icon(PixelPoint centre, std::uint32_t type) override {
        Call("icon", type) << ' ' << centre.x << ',' << centre.y;
        Done();
    }
    void Dot(PixelPoint corner, std::uint32_t type) override {
        Call("dot", type) << ' ' << corner.x << ',' << corner.y;
        Done();
    }

private:
    std::ostringstream& Call(const char* what, std::uint32_t type) {
        call_.str({});
        call_ << what << ' ' << types[type];
        return call_;
    }
    void Done() { calls.push_back(call_.str()); }

    std::ostringstream call_;
};

TEST(MapDrawing, KindsInTheirOrderSmallShapesAsBoxesCrowdedPointsAsDots) {
    const MapText map = MapOf({
        "[POI]",
        "Type=0x2f06",
        "Data0=(5,5)",
        "[END]",  // icon in the middle
        "[POI]",
        "Type=0x2f01",
        "Data0=(5.05,5.05)",
        "[END]",  // would cover it: a dot
        "[POI]",
        "Type=0x2f01",
        "Data0=(5.051,5.051)",
        "[END]",  // on that dot: nothing
        "[POI]",
        "Type=0x2f01",
        "Data0=(1,9)",
        "[END]",  // room of its own: icon
        "[POLYLINE]",
        "Type=0x16",
        "Data0=(2,1),(2,1.001),(2,3),(2,30),(3,30),(3,3)",
        "[END]",  // 1.001: same pixel
        "[POLYGON]",
        "Type=0x4c",
        "Data0=(6,6),(6,6.1),(6.1,6.1)",
        "[END]",  // a pixel or two: a box
        "[POLYGON]",
        "Type=0x4c",
        "Data0=(1,1),(1,4),(4,4)",
        "Data0=(2,2),(2,3),(3,3)",
        "[END]",  // a hole
        "[POLYGON]",
        "Type=0x4c",
        "Data0=(40,40),(40,41),(41,41)",
        "[END]",  // out of view
        "[POLYGON]",
        "Type=0x50",
        "Data1=(1,1),(1,4),(4,4)",
        "[END]",  // not at level 0
    });
    const MapGeometry geometry = MapGeometry::Read(map);
    TypeLists lists;
    for (const char* type : {"0x2f06", "0x2f01"}) lists.poi.AddTypeRow(type, "", "0");
    lists.polyline.AddTypeRow("0x16", "", "0");
    lists.polygon.AddTypeRow("0x4c", "", "0");
    lists.polygon.AddTypeRow("0x50", "", "1");
    const LevelSelection selection = LevelSelection::Select(geometry, lists, 0);
    MapView view;
    view.SetSize(100, 100);
    view.Fit({0, 0, 10000000, 10000000});  // (5,5) in the middle, a degree 8.4 pixels high and 8.37 wide
    const BoxIndex index(geometry);
    RecordingSurface surface;
    for (const MapGeometry::Type& type : geometry.types()) surface.types.push_back(type.text);
    const std::vector<IconSize> icons(geometry.types().size(), IconSize{16, 16});
    std::atomic<bool> stop{false};
    ASSERT_TRUE(DrawMap(geometry, index, map.Buffer(), selection, view, icons, surface, stop));
    EXPECT_EQ(surface.calls, (std::vector<std::string>{
                                 "box 0x4c 58,40 59,41",
                                 "polygon 0x4c 2 parts 6 points",
                                 "polyline 0x16 17,75 33,75 259,75 259,67 33,67",
                                 "dot 0x2f01 49,49",
                                 "icon 0x2f06 50,50",
                                 "icon 0x2f01 83,84",
                             }));

    // In two bands of 50 rows, each band gets the shapes that meet its rows, and the points come after.
    RecordingSurface top, bottom, points;
    top.types = bottom.types = points.types = surface.types;
    DrawSurface* const bands[] = {&top, &bottom};
    ASSERT_TRUE(DrawMap(geometry, index, map.Buffer(), selection, view, icons, bands, points, stop));
    EXPECT_EQ(top.calls, (std::vector<std::string>{"box 0x4c 58,40 59,41"}));
    EXPECT_EQ(bottom.calls, (std::vector<std::string>{"polygon 0x4c 2 parts 6 points",
                                                      "polyline 0x16 17,75 33,75 259,75 259,67 33,67"}));
    EXPECT_EQ(points.calls, (std::vector<std::string>{"dot 0x2f01 49,49", "icon 0x2f06 50,50", "icon 0x2f01 83,84"}));

    // A drawing asked to stop ends unfinished.
    stop = true;
    surface.calls.clear();
    EXPECT_FALSE(DrawMap(geometry, index, map.Buffer(), selection, view, icons, surface, stop));
}

TEST(MapDrawing, AnIconGoesWhereNoIconLiesADotWhereOneDoesNothingOnADot) {
    PointPlacer placer(100, 100);
    const IconSize icon{16, 16};
    const struct {
        int x, y;
        PointPlacer::Place place;
    } cases[] = {
        {50, 50, PointPlacer::Place::Icon}, {65, 50, PointPlacer::Place::Dot},  {66, 50, PointPlacer::Place::Icon},
        {50, 35, PointPlacer::Place::Dot},  {50, 34, PointPlacer::Place::Icon}, {65, 51, PointPlacer::Place::None},
        {-1, 5, PointPlacer::Place::None},  {99, 99, PointPlacer::Place::Icon},
    };
    for (const auto& c : cases) EXPECT_EQ(placer.Add(c.x, c.y, icon), c.place) << c.x << "," << c.y;
}

}  // namespace
}  // namespace stratex
