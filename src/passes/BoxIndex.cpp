#include "passes/BoxIndex.h"

#include <algorithm>
#include <bit>

namespace stratex {
namespace {

// The finest grid has about this many objects a cell: finer cells would cost more to visit than the
// objects they spare.
constexpr std::size_t kObjectsPerCell = 4;
constexpr int kMaxSideBits = 10;

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

}  // namespace

BoxIndex::BoxIndex(const MapGeometry& geometry) : objectCount_(geometry.ObjectCount()), bounds_(geometry.bounds()) {
    if (objectCount_ == 0) return;
    // 4^finest cells in the finest grid, about kObjectsPerCell objects each.
    const std::size_t cells = std::max<std::size_t>(objectCount_ / kObjectsPerCell, 1);
    const int finest = std::min(static_cast<int>(std::bit_width(cells) - 1) / 2, kMaxSideBits);
    const std::int64_t spanLat = std::int64_t{bounds_.maxLat} - bounds_.minLat + 1;
    const std::int64_t spanLon = std::int64_t{bounds_.maxLon} - bounds_.minLon + 1;
    std::size_t allCells = 0;
    for (int g = 0; g <= finest; ++g) {
        Grid grid;
        grid.side = 1 << g;
        grid.cellLat = CeilDiv(spanLat, grid.side);
        grid.cellLon = CeilDiv(spanLon, grid.side);
        allCells += static_cast<std::size_t>(grid.side) * static_cast<std::size_t>(grid.side);
        grids_.push_back(std::move(grid));
    }
    // Counted first, then placed: each cell's objects in map order, behind those of the cells before it.
    // The cell of an object is found twice rather than kept (that would cost as much as the index).
    std::vector<std::size_t> gridBase(grids_.size());
    for (std::size_t g = 0, base = 0; g < grids_.size(); ++g) {
        gridBase[g] = base;
        base += static_cast<std::size_t>(grids_[g].side) * static_cast<std::size_t>(grids_[g].side);
    }
    const auto cellOf = [&](std::size_t i) {
        const GeoBox& box = geometry.object(i).box;
        const std::size_t g = GridOf(box);
        const Grid& grid = grids_[g];
        return gridBase[g] + static_cast<std::size_t>(RowOf(grid, box.minLat)) * static_cast<std::size_t>(grid.side) +
               static_cast<std::size_t>(ColumnOf(grid, box.minLon));
    };
    // next[c] counts, then points at, where cell c's next object goes; once all are placed, it is where
    // cell c + 1 starts.
    std::vector<std::uint32_t> next(allCells + 1, 0);
    for (std::size_t i = 0; i < objectCount_; ++i) ++next[cellOf(i) + 1];
    for (std::size_t c = 1; c <= allCells; ++c) next[c] += next[c - 1];
    objects_.resize(objectCount_);
    for (std::size_t i = 0; i < objectCount_; ++i) objects_[next[cellOf(i)]++] = static_cast<std::uint32_t>(i);
    for (std::size_t g = 0; g < grids_.size(); ++g) {
        const std::size_t side = static_cast<std::size_t>(grids_[g].side);
        std::vector<std::uint32_t>& start = grids_[g].cellStart;
        start.resize(side * side + 1);
        start[0] = gridBase[g] == 0 ? 0 : next[gridBase[g] - 1];
        std::copy(next.begin() + static_cast<std::ptrdiff_t>(gridBase[g]),
                  next.begin() + static_cast<std::ptrdiff_t>(gridBase[g] + side * side), start.begin() + 1);
    }
}

std::size_t BoxIndex::GridOf(const GeoBox& box) const {
    const std::int64_t lat = std::int64_t{box.maxLat} - box.minLat;
    const std::int64_t lon = std::int64_t{box.maxLon} - box.minLon;
    std::size_t g = grids_.size() - 1;
    while (g > 0 && (lat > grids_[g].cellLat || lon > grids_[g].cellLon)) --g;
    return g;
}

int BoxIndex::RowOf(const Grid& grid, std::int32_t lat) const {
    const std::int64_t within = std::clamp(lat, bounds_.minLat, bounds_.maxLat) - std::int64_t{bounds_.minLat};
    return static_cast<int>(within / grid.cellLat);
}

int BoxIndex::ColumnOf(const Grid& grid, std::int32_t lon) const {
    const std::int64_t within = std::clamp(lon, bounds_.minLon, bounds_.maxLon) - std::int64_t{bounds_.minLon};
    return static_cast<int>(within / grid.cellLon);
}

void BoxIndex::Find(const MapGeometry& geometry, const GeoBox& area, std::vector<std::uint64_t>& bits) const {
    bits.assign((objectCount_ + 63) / 64, 0);
    if (!area.Meets(bounds_)) return;
    if (area.minLat <= bounds_.minLat && area.minLon <= bounds_.minLon && area.maxLat >= bounds_.maxLat &&
        area.maxLon >= bounds_.maxLon) {
        // Every box lies within the bounds: all of them meet the area.
        std::fill(bits.begin(), bits.end(), ~std::uint64_t{0});
        if (objectCount_ % 64 != 0) bits.back() = (std::uint64_t{1} << (objectCount_ % 64)) - 1;
        return;
    }
    for (const Grid& grid : grids_) {
        // A box reaches at most one cell beyond its own, north and east: the cells before the area's first
        // ones may hold boxes that meet it.
        const int firstRow = std::max(RowOf(grid, area.minLat) - 1, 0);
        const int lastRow = RowOf(grid, area.maxLat);
        const int firstColumn = std::max(ColumnOf(grid, area.minLon) - 1, 0);
        const int lastColumn = ColumnOf(grid, area.maxLon);
        for (int row = firstRow; row <= lastRow; ++row) {
            const std::size_t rowStart = static_cast<std::size_t>(row) * static_cast<std::size_t>(grid.side);
            const std::uint32_t from = grid.cellStart[rowStart + static_cast<std::size_t>(firstColumn)];
            const std::uint32_t to = grid.cellStart[rowStart + static_cast<std::size_t>(lastColumn) + 1];
            for (std::uint32_t k = from; k < to; ++k) {
                const std::uint32_t i = objects_[k];
                if (geometry.object(i).box.Meets(area)) bits[i / 64] |= std::uint64_t{1} << (i % 64);
            }
        }
    }
}

std::size_t BoxIndex::MemoryBytes() const {
    std::size_t bytes = sizeof(*this) + objects_.capacity() * sizeof(std::uint32_t);
    for (const Grid& grid : grids_) bytes += sizeof(Grid) + grid.cellStart.capacity() * sizeof(std::uint32_t);
    return bytes;
}

}  // namespace stratex
