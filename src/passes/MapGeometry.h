#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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
    // True when the two boxes share a point (edges included).
    bool Meets(const GeoBox& other) const {
        return !empty() && !other.empty() && minLat <= other.maxLat && other.minLat <= maxLat &&
               minLon <= other.maxLon && other.minLon <= maxLon;
    }
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

// The objects of a map as the preview draws them, in map order: for each object its kind and type, the
// lowest level among its coordinate lines, the box around its points, and where its coordinate lines
// begin in the map text. The points stay in the text, which ShapesAt reads when the object is drawn: the
// store costs 24 bytes an object, however many points it has.
//
// An object is what lies between a section opener and its "[END]"; its kind and type text are the ones
// Process reads at that "[END]" (the opener and the Type line last met, kept from object to object), so
// that ObjectEndLevel gives for it the level Process would write. A coordinate line that cannot be read is
// left out and reported; objects left with no coordinate line are not kept. The rest of the map is read.
class MapGeometry {
public:
    struct Type {
        ObjectKind kind = ObjectKind::Poi;
        std::string text;  // the type text as Process reads it (mapsyntax::TypeText)
    };
    struct Object {
        GeoBox box;                      // around all its points
        std::uint32_t typeAndLevel = 0;  // its type and lowest level, packed (type() and lowestLevel())
        std::uint32_t startLow = 0;      // the low 32 bits of its place in the map text (MapGeometry::Start)

        // Index into types(), of which there are at most kMaxTypes.
        std::uint32_t type() const { return typeAndLevel & (kMaxTypes - 1); }
        // The lowest N among its coordinate lines, at most kMaxLowestLevel (a level no map has: an object
        // whose lowest line lies above it is not drawn at any level up to it either).
        int lowestLevel() const { return static_cast<int>(typeAndLevel >> 24); }
    };
    static constexpr std::uint32_t kMaxTypes = 1u << 24;
    static constexpr int kMaxLowestLevel = 255;

    MapGeometry() = default;

    // Reads the geometry of a loaded map. The second form gives up, returning nothing, once stop is set
    // (it looks at it every few thousand lines), and reads the map in parts side by side: parts parts cut
    // at object openers (0: one for every kPartSize bytes, at most PassThreads()), each on a thread of its
    // own where one can be started. The geometry is the same however the map is cut.
    static constexpr std::size_t kPartSize = std::size_t{16} << 20;
    // Throws Error where the map has more than kMaxTypes types.
    static MapGeometry Read(const MapText& map);
    static std::optional<MapGeometry> Read(const MapText& map, const std::atomic<bool>& stop, std::size_t parts = 0);

    std::size_t ObjectCount() const { return partEnds_.empty() ? 0 : partEnds_.back(); }
    const Object& object(std::size_t i) const {
        // The objects stay in the lists their parts were read into (joined, they would be held twice).
        std::size_t part = 0;
        while (i >= partEnds_[part]) ++part;
        return parts_[part][part == 0 ? i : i - partEnds_[part - 1]];
    }
    const std::vector<Type>& types() const { return types_; }
    // How many objects of each type (by index into types()) have each lowest level: (level, count) pairs.
    const std::vector<std::vector<std::pair<int, std::size_t>>>& levelCounts() const { return levelCounts_; }
    ObjectKind KindOf(std::size_t i) const { return types_[object(i).type()].kind; }
    // The offset in the map text of object i's first coordinate line that was read; its coordinate lines are
    // the ones from there to the line that ends the object.
    std::uint64_t Start(std::size_t i) const;

    // The shapes that draw object at level, read from text (the buffer of the map the geometry was read
    // from, unchanged since): the points of its coordinate lines of the highest level, at most level, among
    // those that were read. Fills points with them and ends with where each line's points end in points
    // (both replaced). Returns that level, or -1 where the object has no line at or below level.
    int ShapesAt(std::string_view text, std::size_t object, int level, std::vector<GeoPoint>& points,
                 std::vector<std::size_t>& ends) const;

    const GeoBox& bounds() const { return bounds_; }
    // The first kMaxFindings findings, in line order, and how many there were in all.
    static constexpr std::size_t kMaxFindings = 100;
    const std::vector<GeometryFinding>& findings() const { return findings_; }
    std::uint64_t FindingCount() const { return findingCount_; }
    // The memory the store fills, in bytes.
    std::size_t MemoryBytes() const;

private:
    struct Part;
    class Builder;
    static bool ReadPart(const std::string& text, Part& part, const std::atomic<bool>& stop);
    // The parts of text, cut where a line opens an object as the other passes that read a map in parts cut
    // it, each read on a thread of its own (RunSideBySide); none where stop was set.
    static std::optional<std::vector<Part>> ReadParts(const std::string& text, const std::atomic<bool>& stop,
                                                      std::size_t parts);

    std::vector<std::vector<Object>> parts_;  // the objects, part by part
    std::vector<std::size_t> partEnds_;       // the number of objects up to the end of each part
    // Where the objects' places pass a multiple of 4 GiB: (the first object past it, the bits above the low
    // 32 of its place), in map order.
    std::vector<std::pair<std::size_t, std::uint32_t>> startHighs_;
    std::vector<Type> types_;
    std::vector<std::vector<std::pair<int, std::size_t>>> levelCounts_;  // by type
    GeoBox bounds_;
    std::vector<GeometryFinding> findings_;
    std::uint64_t findingCount_ = 0;
};

}  // namespace stratex
