#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/MapText.h"
#include "grammar/ObjectKind.h"

namespace stratex {

// A map position in millionths of a degree.
struct GeoPoint {
    std::int32_t lat = 0;
    std::int32_t lon = 0;
    bool operator==(const GeoPoint&) const = default;
};

// A rectangle of positions; empty while minLat > maxLat.
struct GeoBox {
    std::int32_t minLat = 1;
    std::int32_t minLon = 1;
    std::int32_t maxLat = 0;
    std::int32_t maxLon = 0;
    bool empty() const { return minLat > maxLat; }
    void Add(GeoPoint p);
    void Add(const GeoBox& box);
    bool operator==(const GeoBox&) const = default;
};

// Reads the value of a coordinate line (mapsyntax::CoordinateLevel), "(lat,lon),(lat,lon),...", blanks allowed around
// every part, appending the points to points. Numbers are decimal degrees with an optional sign and fraction (digits
// after the sixth decimal are rounded away); latitudes lie within +-90, longitudes within +-180. Returns
// the reason when the value cannot be read ("character 14: a number is expected"); points is then left as
// it was.
std::optional<std::string> ReadCoordinates(std::string_view value, std::vector<GeoPoint>& points);

// A coordinate line that could not be read: its line number (from 1) and what is wrong, as the user sees it
// (UTF-8, the line converted from Windows-1251 and cut after 60 characters).
struct GeometryFinding {
    std::uint64_t line = 0;
    std::string message;  // "Line 12: Data0=(55.1,x) cannot be read, character 13: a number is expected"
    bool operator==(const GeometryFinding&) const = default;
};

// The coordinates of every object of a map, in one compact store: all points in one array, each
// coordinate line a shape (a run of points with its level), each object a run of shapes with its bounding
// box and the index of its kind and type text. Objects keep map order.
//
// An object is what lies between a section opener and its "[END]"; its kind and type text are the ones
// Process reads at that "[END]" (the opener and the Type line last met, kept from object to object), so
// that ObjectEndLevel gives for it the level Process would write. Objects without coordinate lines are
// not kept. A coordinate line that cannot be read is left out and reported; the rest of the map is read.
class MapGeometry {
public:
    struct Type {
        ObjectKind kind = ObjectKind::Poi;
        std::string text;  // the type text as Process reads it (mapsyntax::TypeText)
    };
    struct Shape {
        std::uint32_t firstPoint = 0;  // the points are firstPoint .. the next shape's firstPoint
        std::int32_t level = 0;        // N of its DataN line
    };
    struct Object {
        std::uint32_t firstShape = 0;  // the shapes are firstShape .. the next object's firstShape
        std::uint32_t type = 0;        // index into types()
        std::int32_t lowestLevel = 0;  // the lowest N among its coordinate lines
        GeoBox box;                    // around all its points
    };

    MapGeometry() = default;

    // Reads the geometry of a loaded map.
    static MapGeometry Read(const MapText& map);

    std::size_t ObjectCount() const { return objects_.empty() ? 0 : objects_.size() - 1; }
    std::size_t ShapeCount() const { return shapes_.empty() ? 0 : shapes_.size() - 1; }
    std::size_t PointCount() const { return points_.size(); }
    const Object& object(std::size_t i) const { return objects_[i]; }
    const std::vector<Type>& types() const { return types_; }
    ObjectKind KindOf(std::size_t object) const { return types_[objects_[object].type].kind; }
    std::span<const Shape> ShapesOf(std::size_t object) const;
    std::span<const GeoPoint> PointsOf(const Shape& shape) const;
    // The highest level among the object's coordinate lines that is at most level; -1 when none is.
    int ShapeLevelAt(std::size_t object, int level) const;

    const GeoBox& bounds() const { return bounds_; }
    // The first kMaxFindings findings, in line order, and how many there were in all.
    static constexpr std::size_t kMaxFindings = 100;
    const std::vector<GeometryFinding>& findings() const { return findings_; }
    std::uint64_t FindingCount() const { return findingCount_; }
    // The memory the store holds, in bytes.
    std::size_t MemoryBytes() const;

private:
    class Builder;

    std::vector<GeoPoint> points_;
    std::vector<Shape> shapes_;    // followed by an end entry whose firstPoint is points_.size()
    std::vector<Object> objects_;  // followed by an end entry whose firstShape is the real shape count
    std::vector<Type> types_;
    GeoBox bounds_;
    std::vector<GeometryFinding> findings_;
    std::uint64_t findingCount_ = 0;
};

}  // namespace stratex
