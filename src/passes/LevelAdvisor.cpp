#include "passes/LevelAdvisor.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "bytes/Integer.h"
#include "bytes/LineReader.h"
#include "bytes/Strings.h"
#include "grammar/ObjectTracker.h"
#include "passes/Parts.h"

namespace stratex {
namespace {

// Millionths of a degree in one map unit at 24 bits.
constexpr double kMicroPerUnit = 360e6 / 16777216.0;

// The map unit at 24 bits that holds a position, rounded down.
std::int32_t UnitOf(std::int32_t micro) {
    return static_cast<std::int32_t>(std::floor(static_cast<double>(micro) / kMicroPerUnit));
}

std::uint64_t CellKey(std::int32_t row, std::int32_t column) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(row)) << 32) | static_cast<std::uint32_t>(column);
}
std::int32_t RowOf(std::uint64_t key) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(key >> 32)); }
std::int32_t ColumnOf(std::uint64_t key) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(key)); }

std::size_t Slot(std::uint64_t key, std::size_t mask) {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return static_cast<std::size_t>(key) & mask;
}

const char* Plural(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Poi:
            return "points";
        case ObjectKind::Polyline:
            return "polylines";
        case ObjectKind::Polygon:
            return "polygons";
    }
    return "";
}

}  // namespace

void ObjectExtent::Reset() { *this = ObjectExtent(); }

void ObjectExtent::Line(int level, const std::vector<GeoPoint>& points) {
    if (points.empty() || (level_ >= 0 && level > level_)) return;
    if (level_ < 0 || level < level_) {
        Reset();
        level_ = level;
        first_ = points.front();
    }
    points_ += points.size();
    for (std::size_t i = 0; i < points.size(); ++i) {
        box_.Add(points[i]);
        if (i == 0) continue;
        const double dLat = double(points[i].lat) - points[i - 1].lat;
        const double dLon = double(points[i].lon) - points[i - 1].lon;
        length_ += std::sqrt(dLat * dLat + dLon * dLon);
    }
}

double ObjectExtent::Size(ObjectKind kind) const {
    if (empty()) return 0;
    if (kind == ObjectKind::Polyline) return length_ / kMicroPerUnit;
    const double side = std::max(double(box_.maxLat) - box_.minLat, double(box_.maxLon) - box_.minLon);
    return side / kMicroPerUnit;
}

void LevelMeasure::Cells::Add(std::uint64_t key, std::uint32_t count) {
    if ((used + 1) * 10 > keys.size() * 7) {
        // Grown at 70 % full, so that probes stay short.
        std::vector<std::uint64_t> oldKeys = std::move(keys);
        std::vector<std::uint32_t> oldCounts = std::move(counts);
        const std::size_t size = std::max<std::size_t>(64, oldKeys.size() * 2);
        keys.assign(size, 0);
        counts.assign(size, 0);
        used = 0;
        for (std::size_t i = 0; i < oldKeys.size(); ++i) {
            if (oldCounts[i] > 0) Add(oldKeys[i], oldCounts[i]);
        }
    }
    const std::size_t mask = keys.size() - 1;
    for (std::size_t i = Slot(key, mask);; i = (i + 1) & mask) {
        if (counts[i] == 0) {
            keys[i] = key;
            counts[i] = count;
            ++used;
            return;
        }
        if (keys[i] == key) {
            counts[i] += count;
            return;
        }
    }
}

LevelMeasure::LevelMeasure(std::vector<int> bits, AdviceLimits limits, std::size_t maxCells)
    : bits_(std::move(bits)), limits_(limits), maxCells_(maxCells) {
    for (const int b : bits_) thresholds_.push_back(std::ldexp(static_cast<double>(limits_.minSize), 24 - b));
}

LevelMeasure::Entry& LevelMeasure::EntryOf(ObjectKind kind, std::int32_t value) {
    const std::uint64_t key = (static_cast<std::uint64_t>(kind) << 32) | static_cast<std::uint32_t>(value);
    const auto [at, added] = entries_.try_emplace(key);
    if (added) {
        TypeMeasure& measure = at->second.measure;
        measure.kind = kind;
        measure.value = value;
        measure.atLeast.assign(bits_.size(), 0);
        const auto finest = std::max_element(bits_.begin(), bits_.end());
        at->second.cells.bits = finest == bits_.end() ? 0 : *finest;
        measure.cellBits = at->second.cells.bits;
    }
    return at->second;
}

void LevelMeasure::Add(ObjectKind kind, std::int32_t value, const ObjectExtent& extent) {
    if (!extent.Measurable(kind)) return;
    Entry& entry = EntryOf(kind, value);
    TypeMeasure& measure = entry.measure;
    ++measure.objects;
    if (kind != ObjectKind::Poi) {
        const double size = extent.Size(kind);
        for (std::size_t level = 0; level < bits_.size(); ++level) {
            if (size >= thresholds_[level]) ++measure.atLeast[level];
        }
        return;
    }
    Cells& cells = entry.cells;
    if (cells.bits <= 0) return;
    // A cell of 256 x 256 units of a level of b bits is 2^(32 - b) units at 24 bits wide.
    const int shift = 32 - cells.bits;
    const GeoPoint p = extent.first();
    const std::size_t before = cells.used;
    cells.Add(CellKey(UnitOf(p.lat) >> shift, UnitOf(p.lon) >> shift), 1);
    cells_ += cells.used - before;
    while (cells_ > maxCells_ && cells.bits > 0) {
        Coarsen(cells);
        measure.cellBits = cells.bits;
    }
}

void LevelMeasure::Coarsen(Cells& cells) {
    int next = 0;
    for (const int b : bits_) {
        if (b < cells.bits) next = std::max(next, b);
    }
    Cells coarser;
    coarser.bits = next;
    if (next > 0) {
        const int shift = cells.bits - next;
        for (std::size_t i = 0; i < cells.keys.size(); ++i) {
            if (cells.counts[i] == 0) continue;
            coarser.Add(CellKey(RowOf(cells.keys[i]) >> shift, ColumnOf(cells.keys[i]) >> shift), cells.counts[i]);
        }
    }
    cells_ = cells_ - cells.used + coarser.used;
    cells = std::move(coarser);
}

std::vector<TypeMeasure> LevelMeasure::Types() const {
    std::vector<TypeMeasure> types;
    for (const auto& [key, entry] : entries_) {
        TypeMeasure measure = entry.measure;
        if (measure.kind == ObjectKind::Poi) {
            const Cells& cells = entry.cells;
            measure.mostInCell.assign(bits_.size(), 0);
            for (std::size_t level = 0; level < bits_.size(); ++level) {
                if (bits_[level] > cells.bits || cells.bits <= 0) continue;
                const int shift = cells.bits - bits_[level];
                std::uint32_t most = 0;
                if (shift == 0) {
                    for (const std::uint32_t count : cells.counts) most = std::max(most, count);
                } else {
                    std::unordered_map<std::uint64_t, std::uint32_t> summed;
                    for (std::size_t i = 0; i < cells.keys.size(); ++i) {
                        if (cells.counts[i] == 0) continue;
                        const std::uint64_t coarse =
                            CellKey(RowOf(cells.keys[i]) >> shift, ColumnOf(cells.keys[i]) >> shift);
                        most = std::max(most, summed[coarse] += cells.counts[i]);
                    }
                }
                measure.mostInCell[level] = most;
            }
        }
        types.push_back(std::move(measure));
    }
    return types;
}

void MeasureMap(const PartInput& input, LevelMeasure& measure) {
    const std::unique_ptr<ByteSource> source = input.Open(0, input.size());
    LineReader reader(*source);
    LineReader::Finder brackets('[');
    LineReader::Line line;
    ObjectTracker<kGeometryReading> tracker;
    ObjectExtent extent;
    std::vector<GeoPoint> points;
    do {
        while (reader.Next(line)) {
            const TrackedLine tracked = tracker.Line(line.text, brackets.In(reader, line));
            if (tracked.opens) extent.Reset();
            if (tracked.dataLevel >= 0) {
                points.clear();
                // A line that cannot be read is check's to report; the object is measured by the others.
                if (!ReadCoordinates(ValueOf(line.text), points)) extent.Line(tracked.dataLevel, points);
            }
            if (tracked.endsObject) {
                if (const std::optional<std::int32_t> value = TryReadInteger(tracker.typeText())) {
                    measure.Add(tracker.kind(), *value, extent);
                }
                extent.Reset();
            }
        }
    } while (reader.Fill());
}

std::vector<LevelAdvice> Advise(const LevelMeasure& measure) {
    const std::vector<int>& bits = measure.bits();
    const AdviceLimits& limits = measure.limits();
    const auto levelName = [&](std::size_t level) {
        return "Level" + std::to_string(level) + " (" + std::to_string(bits[level]) + " bits)";
    };
    std::vector<LevelAdvice> advice;
    for (const TypeMeasure& type : measure.Types()) {
        LevelAdvice one{type.kind, type.value, type.objects, 0, {}};
        const std::string objects = "the " + std::to_string(type.objects) + " " + Plural(type.kind);
        const std::size_t top = bits.empty() ? 0 : bits.size() - 1;
        if (top == 0) {
            one.reason = bits.empty() ? "the map has no levels" : "the map has one level, which stays empty";
            advice.push_back(std::move(one));
            continue;
        }
        const bool points = type.kind == ObjectKind::Poi;
        const auto counted = [&](std::size_t level) { return !points || bits[level] <= type.cellBits; };
        const auto keeps = [&](std::size_t level) {
            if (points) return type.mostInCell[level] <= limits.maxPoints;
            return type.atLeast[level] * 100 >= static_cast<std::uint64_t>(limits.keepPercent) * type.objects;
        };
        const auto held = [&](std::size_t level) {
            if (points) {
                return "a cell holds " + std::to_string(type.mostInCell[level]) + " of " + objects + ", more than " +
                       std::to_string(limits.maxPoints);
            }
            const std::uint64_t under = type.objects - type.atLeast[level];
            return std::to_string(under * 100 / type.objects) + " % of " + objects + " are under " +
                   std::to_string(limits.minSize) + " units";
        };
        // The highest level below the top whose objects are kept; a level whose cells were not counted is
        // taken as keeping them, as the coarser level above it did not.
        std::size_t level = top - 1;
        while (level > 0 && counted(level) && !keeps(level)) --level;
        one.level = static_cast<int>(level);
        if (!counted(level)) {
            one.reason =
                "at " + levelName(level + 1) + " " + held(level + 1) + "; the finer levels' cells were not counted";
        } else if (!keeps(level)) {
            one.reason = "at " + levelName(level) + " " + held(level) + "; Level0 is the lowest";
        } else if (level + 1 < top) {
            one.reason = "at " + levelName(level + 1) + " " + held(level + 1);
        } else if (points) {
            one.reason = "at " + levelName(level) + " no cell holds more than " +
                         std::to_string(type.mostInCell[level]) + " of " + objects + "; Level" + std::to_string(top) +
                         " is the top level";
        } else {
            one.reason = "at " + levelName(level) + " " + std::to_string(type.atLeast[level] * 100 / type.objects) +
                         " % of " + objects + " are at least " + std::to_string(limits.minSize) + " units; Level" +
                         std::to_string(top) + " is the top level";
        }
        advice.push_back(std::move(one));
    }
    return advice;
}

}  // namespace stratex
