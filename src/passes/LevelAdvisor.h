#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "grammar/ObjectKind.h"
#include "passes/MapGeometry.h"

namespace stratex {

class PartInput;

// What the advisor holds each type to: polygons and polylines stay drawn where at least keepPercent % of
// their objects are at least minSize map units at the level's resolution; points where no 256 x 256 cell
// of the level holds more than maxPoints of them.
struct AdviceLimits {
    std::int64_t minSize = 8;
    int keepPercent = 50;
    std::uint32_t maxPoints = 32;
};

// The extent of one object at full resolution (24 bits: one map unit is 360/2^24 degrees), from the
// coordinate lines of its lowest level: for a polygon the larger side of the box around them, for a
// polyline its length along its points (all its lines of that level), for a point its first point.
class ObjectExtent {
public:
    void Reset();
    // One coordinate line of level; lines of a level above the lowest met are not the object's detail.
    void Line(int level, const std::vector<GeoPoint>& points);
    bool empty() const { return level_ < 0; }
    // A shape of fewer than two points has no extent to measure: only a point is measured by one.
    bool Measurable(ObjectKind kind) const { return !empty() && (kind == ObjectKind::Poi || points_ >= 2); }
    // In map units at 24 bits.
    double Size(ObjectKind kind) const;
    GeoPoint first() const { return first_; }

private:
    int level_ = -1;
    GeoBox box_;
    double length_ = 0;  // in millionths of a degree
    std::size_t points_ = 0;
    GeoPoint first_;
};

// The figures of one type over the levels of a map (Level0 first).
struct TypeMeasure {
    ObjectKind kind = ObjectKind::Poi;
    std::int32_t value = 0;                 // the type number
    std::uint64_t objects = 0;              // those with coordinates
    std::vector<std::uint64_t> atLeast;     // per level: objects at least minSize there (not for points)
    std::vector<std::uint32_t> mostInCell;  // per level: the most points in one cell (points only)
    int cellBits = 0;  // points: the most bits whose cells are counted; levels of more bits are not (0 there)
};

// The measure of the advisor: fed object by object (from one read of a map, or of each tile of a set in
// turn), it keeps per type and level how many objects stay at least the size limit, and for point types
// the count of every cell at the finest level of the map, from which the coarser levels' cells are summed
// when asked. Memory: a counter per type and level, plus 12 bytes a slot for the point cells, of which
// there are at most kMaxPointCells over all types; a type whose cells would pass that budget has its cells
// merged into those of the next coarser level, and its finer levels are no longer counted (cellBits).
class LevelMeasure {
public:
    static constexpr std::size_t kMaxPointCells = std::size_t{1} << 20;

    // bits: each level's bit count, Level0 first (1 to 24 each). maxCells: the budget of point cells.
    LevelMeasure(std::vector<int> bits, AdviceLimits limits, std::size_t maxCells = kMaxPointCells);

    // One object of kind and type number; one whose extent is not Measurable is not counted.
    void Add(ObjectKind kind, std::int32_t value, const ObjectExtent& extent);

    const std::vector<int>& bits() const { return bits_; }
    const AdviceLimits& limits() const { return limits_; }
    // Every type met, by kind (POI, polylines, polygons) and number. For points, mostInCell holds a figure
    // for each level of at most cellBits bits; the others are 0.
    std::vector<TypeMeasure> Types() const;

private:
    // The points of a type per cell of its finest counted level: an open-addressing table whose empty
    // slots have a count of 0.
    struct Cells {
        int bits = 0;  // the bit count of the level whose cells these are
        std::size_t used = 0;
        std::vector<std::uint64_t> keys;
        std::vector<std::uint32_t> counts;
        void Add(std::uint64_t key, std::uint32_t count);
    };
    struct Entry {
        TypeMeasure measure;
        Cells cells;
    };
    Entry& EntryOf(ObjectKind kind, std::int32_t value);
    void Coarsen(Cells& cells);

    std::vector<int> bits_;
    AdviceLimits limits_;
    std::vector<double> thresholds_;          // per level: the extent at 24 bits that is minSize there
    std::map<std::uint64_t, Entry> entries_;  // by kind and type number
    std::size_t maxCells_;
    std::size_t cells_ = 0;  // point cells held over all types
};

// Reads the objects of a map as Process and the preview read them (kGeometryReading), feeding each one with
// a number as type and coordinates into measure. Throws Error where input cannot be read.
void MeasureMap(const PartInput& input, LevelMeasure& measure);

// The proposal for one type: the highest level below the top one that keeps its objects (see
// AdviceLimits), or Level0 where none does, with the reason in one line.
struct LevelAdvice {
    ObjectKind kind = ObjectKind::Poi;
    std::int32_t value = 0;
    std::uint64_t objects = 0;
    int level = 0;
    std::string reason;  // "at Level2 (20 bits) 71 % of the 412 polygons are under 8 units"
};

// The proposal of every type of measure, in the order of Types().
std::vector<LevelAdvice> Advise(const LevelMeasure& measure);

}  // namespace stratex
