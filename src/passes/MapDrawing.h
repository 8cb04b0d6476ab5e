#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "passes/BoxIndex.h"
#include "passes/LevelSelection.h"
#include "passes/MapGeometry.h"
#include "passes/MapView.h"

namespace stratex {

// A rectangle of whole pixels, edges included.
struct PixelRect {
    int left = 0, top = 0, right = -1, bottom = -1;
    bool operator==(const PixelRect&) const = default;
};

// The painting that DrawMap orders, done by the window: everything in pixels of the picture, each call with
// the index of the object's type in MapGeometry::types().
class DrawSurface {
public:
    virtual ~DrawSurface() = default;
    // An object of a few pixels, filled as its box (within the picture).
    virtual void FillBox(const PixelRect& box, std::uint32_t type) = 0;
    // A polygon of one or more rings (ends: where each ring's points end), filled, its holes left open.
    virtual void Polygon(std::span<const PixelPoint> points, std::span<const std::size_t> ends, std::uint32_t type) = 0;
    virtual void Polyline(std::span<const PixelPoint> points, std::uint32_t type) = 0;
    // A point drawn as its type's icon, centred on centre.
    virtual void Icon(PixelPoint centre, std::uint32_t type) = 0;
    // A point drawn as a dot of kDotSize pixels, its top left corner at corner.
    static constexpr int kDotSize = 2;
    virtual void Dot(PixelPoint corner, std::uint32_t type) = 0;
};

// The size of an icon in pixels.
struct IconSize {
    int width = 0;
    int height = 0;
};

// Where a picture's points go: an icon wherever it covers no icon placed before it, a dot elsewhere (icons
// that would cover each other say nothing more than dots), and nothing where a dot lies already. Points
// are placed in the order given.
class PointPlacer {
public:
    enum class Place { Icon, Dot, None };

    // For a picture of width x height pixels.
    PointPlacer(int width, int height);
    // The place of a point at pixel (x, y) of the picture, with an icon of size; an icon is taken as placed.
    Place Add(int x, int y, IconSize size);

private:
    struct Placed {
        int x, y, width, height;
    };
    static constexpr int kCell = 32;  // no icon is wider or higher than this: an overlap lies in the next cells

    int width_;
    int height_;
    int columns_;
    int rows_;
    std::vector<std::vector<Placed>> icons_;  // by cell of kCell pixels
    std::vector<bool> dots_;                  // by cell of DrawSurface::kDotSize pixels
};

// A shape whose box spans at most this many pixels each way is filled as its box: at that size its outline
// would not show.
constexpr double kSmallShape = 2.0;

// Orders the painting of one picture of geometry at selection.level() in view: the objects that selection
// draws, polygons under polylines under points, each kind in map order. Only the objects whose boxes
// meet the view are visited (through index, built from geometry). An object of at most kSmallShape pixels
// each way is filled as its box; the others are read from text (the map the geometry was read from), and
// their lines and outlines thinned as MapView::Project thins them. Points are placed by a PointPlacer, the
// dots painted before the icons so that no dot covers an icon. iconSizes gives the icon of each type.
// Returns false, leaving the picture unfinished, once stop is set (looked at every few hundred objects).
bool DrawMap(const MapGeometry& geometry, const BoxIndex& index, std::string_view text, const LevelSelection& selection,
             const MapView& view, std::span<const IconSize> iconSizes, DrawSurface& surface,
             const std::atomic<bool>& stop);

// The same, the picture's rows cut into bands.size() bands of about equal height, drawn side by side: the
// polygons and polylines of band k on bands[k], each band but the first from a thread of its own (where one
// can be started), then the points on points. Every surface takes the whole picture's pixels; a band's
// surface must leave the rows of the other bands alone (FillBox gives it only its own). The picture is the
// one DrawMap paints on one surface, but where a line's pixels are clipped at a band's edge.
bool DrawMap(const MapGeometry& geometry, const BoxIndex& index, std::string_view text, const LevelSelection& selection,
             const MapView& view, std::span<const IconSize> iconSizes, std::span<DrawSurface* const> bands,
             DrawSurface& points, const std::atomic<bool>& stop);

}  // namespace stratex
