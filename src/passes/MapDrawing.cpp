#include "passes/MapDrawing.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <exception>

#include "passes/Parallel.h"

namespace stratex {

PointPlacer::PointPlacer(int width, int height)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      columns_(width_ / kCell + 1),
      rows_(height_ / kCell + 1),
      icons_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_)),
      dots_(static_cast<std::size_t>(width_ / DrawSurface::kDotSize + 1) *
            static_cast<std::size_t>(height_ / DrawSurface::kDotSize + 1)) {}

PointPlacer::Place PointPlacer::Add(int x, int y, IconSize size) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return Place::None;
    const int column = x / kCell;
    const int row = y / kCell;
    bool covered = false;
    for (int r = std::max(row - 1, 0); r <= std::min(row + 1, rows_ - 1) && !covered; ++r) {
        for (int c = std::max(column - 1, 0); c <= std::min(column + 1, columns_ - 1) && !covered; ++c) {
            for (const Placed& icon : icons_[static_cast<std::size_t>(r) * columns_ + c]) {
                // Two icons about their centres meet where the centres lie closer than half their sizes.
                if (std::abs(icon.x - x) * 2 < icon.width + size.width &&
                    std::abs(icon.y - y) * 2 < icon.height + size.height) {
                    covered = true;
                    break;
                }
            }
        }
    }
    if (!covered) {
        icons_[static_cast<std::size_t>(row) * columns_ + column].push_back({x, y, size.width, size.height});
        return Place::Icon;
    }
    const std::size_t dot = static_cast<std::size_t>(y / DrawSurface::kDotSize) *
                                static_cast<std::size_t>(width_ / DrawSurface::kDotSize + 1) +
                            static_cast<std::size_t>(x / DrawSurface::kDotSize);
    if (dots_[dot]) return Place::None;
    dots_[dot] = true;
    return Place::Dot;
}

namespace {

// Objects between looks at stop: a few milliseconds of drawing at most.
constexpr std::size_t kStopCheck = 256;

// Calls visit(i) for every object i whose bit is set, in order; stops early when visit returns false.
template <typename Visit>
bool ForEachBit(const std::vector<std::uint64_t>& bits, Visit&& visit) {
    for (std::size_t w = 0; w < bits.size(); ++w) {
        for (std::uint64_t word = bits[w]; word != 0; word &= word - 1) {
            if (!visit(w * 64 + static_cast<std::size_t>(std::countr_zero(word)))) return false;
        }
    }
    return true;
}

}  // namespace

namespace {

// One picture's drawing: what every band and the points share.
struct Drawing {
    const MapGeometry& geometry;
    const BoxIndex& index;
    std::string_view text;
    const LevelSelection& selection;
    const MapView& view;
    const std::atomic<bool>& stop;
};

// A look at stop every kStopCheck objects visited.
class StopCheck {
public:
    explicit StopCheck(const std::atomic<bool>& stop) : stop_(stop) {}
    bool operator()() { return visited_++ % kStopCheck == 0 && stop_.load(std::memory_order_relaxed); }

private:
    const std::atomic<bool>& stop_;
    std::size_t visited_ = 0;
};

// The polygons, then the polylines, that meet the picture's rows top to bottom - 1, on surface.
bool DrawShapes(const Drawing& d, int top, int bottom, DrawSurface& surface) {
    std::vector<std::uint64_t> near;
    d.index.Find(d.geometry, d.view.Area(top, bottom), near);
    const int width = d.view.width();
    std::vector<GeoPoint> points;
    std::vector<std::size_t> ends;
    std::vector<PixelPoint> pixels;
    std::vector<std::size_t> pixelEnds;
    StopCheck stopped(d.stop);
    for (const ObjectKind kind : {ObjectKind::Polygon, ObjectKind::Polyline}) {
        const bool drawn = ForEachBit(near, [&](std::size_t i) {
            if (stopped()) return false;
            const MapGeometry::Object& object = d.geometry.object(i);
            if (d.geometry.KindOf(i) != kind || !d.selection.Draws(object)) return true;
            const MapView::PixelBox box = d.view.Pixels(object.box);
            if (!d.view.Shows(box) || box.bottom < top - 1 || box.top > bottom + 1) return true;
            if (box.right - box.left <= kSmallShape && box.bottom - box.top <= kSmallShape) {
                // At this size the shape would not show: its box says as much, for far less.
                const PixelRect rect{std::max(static_cast<int>(box.left), 0), std::max(static_cast<int>(box.top), top),
                                     std::min(static_cast<int>(box.right), width - 1),
                                     std::min(static_cast<int>(box.bottom), bottom - 1)};
                if (rect.top <= rect.bottom) surface.FillBox(rect, object.type());
                return true;
            }
            d.geometry.ShapesAt(d.text, i, d.selection.level(), points, ends);
            pixels.clear();
            pixelEnds.clear();
            std::size_t from = 0;
            for (const std::size_t end : ends) {
                d.view.Project(std::span(points).subspan(from, end - from), pixels);
                pixelEnds.push_back(pixels.size());
                from = end;
            }
            if (kind == ObjectKind::Polygon) {
                surface.Polygon(pixels, pixelEnds, object.type());
            } else {
                std::size_t first = 0;
                for (const std::size_t end : pixelEnds) {
                    surface.Polyline(std::span(pixels).subspan(first, end - first), object.type());
                    first = end;
                }
            }
            return true;
        });
        if (!drawn) return false;
    }
    return true;
}

// The points of the whole picture, on surface: placed first and painted after, the dots, then the icons
// over them.
bool DrawPoints(const Drawing& d, std::span<const IconSize> iconSizes, DrawSurface& surface) {
    std::vector<std::uint64_t> near;
    d.index.Find(d.geometry, d.view.Area(0, d.view.height()), near);
    const int width = d.view.width();
    const int height = d.view.height();
    std::vector<GeoPoint> points;
    std::vector<std::size_t> ends;
    PointPlacer placer(width, height);
    struct IconAt {
        PixelPoint centre;
        std::uint32_t type;
    };
    std::vector<IconAt> icons;
    StopCheck stopped(d.stop);
    const bool placed = ForEachBit(near, [&](std::size_t i) {
        if (stopped()) return false;
        const MapGeometry::Object& object = d.geometry.object(i);
        if (d.geometry.KindOf(i) != ObjectKind::Poi || !d.selection.Draws(object)) return true;
        if (!d.view.Shows(object.box)) return true;
        const auto place = [&](GeoPoint point) {
            const double x = d.view.X(point);
            const double y = d.view.Y(point);
            if (x < 0 || y < 0 || x >= width || y >= height) return;
            const PixelPoint at{std::min(static_cast<int>(x + 0.5), width - 1),  // the nearest pixel
                                std::min(static_cast<int>(y + 0.5), height - 1)};
            switch (placer.Add(at.x, at.y, iconSizes[object.type()])) {
                case PointPlacer::Place::Icon:
                    icons.push_back({at, object.type()});
                    break;
                case PointPlacer::Place::Dot:
                    surface.Dot({at.x - DrawSurface::kDotSize / 2, at.y - DrawSurface::kDotSize / 2}, object.type());
                    break;
                case PointPlacer::Place::None:
                    break;
            }
        };
        if (object.box.minLat == object.box.maxLat && object.box.minLon == object.box.maxLon) {
            place({object.box.minLat, object.box.minLon});  // one position: every point of it is there
            return true;
        }
        d.geometry.ShapesAt(d.text, i, d.selection.level(), points, ends);
        for (const GeoPoint& point : points) place(point);
        return true;
    });
    if (!placed) return false;
    for (const IconAt& icon : icons) surface.Icon(icon.centre, icon.type);
    return true;
}

}  // namespace

bool DrawMap(const MapGeometry& geometry, const BoxIndex& index, std::string_view text, const LevelSelection& selection,
             const MapView& view, std::span<const IconSize> iconSizes, DrawSurface& surface,
             const std::atomic<bool>& stop) {
    DrawSurface* const bands[] = {&surface};
    return DrawMap(geometry, index, text, selection, view, iconSizes, bands, surface, stop);
}

bool DrawMap(const MapGeometry& geometry, const BoxIndex& index, std::string_view text, const LevelSelection& selection,
             const MapView& view, std::span<const IconSize> iconSizes, std::span<DrawSurface* const> bands,
             DrawSurface& points, const std::atomic<bool>& stop) {
    const Drawing d{geometry, index, text, selection, view, stop};
    const int height = view.height();
    const auto rowOf = [&](std::size_t band) { return static_cast<int>(height * band / bands.size()); };
    std::vector<char> drawn(bands.size(), 0);
    std::vector<std::exception_ptr> failures(bands.size());
    const auto drawBand = [&](std::size_t k) {
        try {
            drawn[k] = DrawShapes(d, rowOf(k), rowOf(k + 1), *bands[k]);
        } catch (...) {
            failures[k] = std::current_exception();
        }
    };
    // Every band on a thread of its own where one can be started, as the passes split their work.
    RunSideBySide(bands.size(), bands.size(), drawBand);
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
    if (std::find(drawn.begin(), drawn.end(), 0) != drawn.end()) return false;
    return DrawPoints(d, iconSizes, points);
}

}  // namespace stratex
