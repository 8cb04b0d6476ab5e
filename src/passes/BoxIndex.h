#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "passes/MapGeometry.h"

namespace stratex {

// A spatial index over the boxes of a geometry's objects, so that a view of a part of the map visits only
// the objects near it. The boxes are kept in grids over the map's bounds, from one cell to cells a few
// objects each; each box goes into the finest grid whose cells are at least as large as the box, in the
// cell of its south-west corner, so that it reaches no further than the next cell. The index holds object
// numbers only: it serves the geometry it was built from, which each search is given again.
class BoxIndex {
public:
    BoxIndex() = default;
    explicit BoxIndex(const MapGeometry& geometry);

    // Sets, in bits (resized to one bit per object, bit i of word i / 64), the bits of the objects of
    // geometry whose box meets area, and clears the others.
    void Find(const MapGeometry& geometry, const GeoBox& area, std::vector<std::uint64_t>& bits) const;

    // The memory the index holds, in bytes.
    std::size_t MemoryBytes() const;

private:
    struct Grid {
        int side = 1;              // cells on each side
        std::int64_t cellLat = 1;  // a cell's size in millionths of a degree
        std::int64_t cellLon = 1;
        std::vector<std::uint32_t> cellStart;  // objects of cell c: objects[cellStart[c] .. cellStart[c + 1]]
    };

    // The grid a box goes into; the row and column of a position within the bounds in a grid.
    std::size_t GridOf(const GeoBox& box) const;
    int RowOf(const Grid& grid, std::int32_t lat) const;
    int ColumnOf(const Grid& grid, std::int32_t lon) const;

    std::size_t objectCount_ = 0;
    GeoBox bounds_;
    std::vector<Grid> grids_;
    std::vector<std::uint32_t> objects_;  // the objects of every grid's cells, grid by grid, cell by cell
};

}  // namespace stratex
