#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "passes/MapGeometry.h"

namespace stratex {

// A pixel of the preview, x to the right and y down from the top left corner.
struct PixelPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// What part of the map the preview shows and how map positions become pixels: a plain latitude and
// longitude grid, longitudes narrowed by the cosine of the centre's latitude so that shapes keep their
// proportions. Zoom and pan keep the centre and scale; Fit sets them from a box.
class MapView {
public:
    // The size of the drawing area in pixels.
    void SetSize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    // Shows all of box, centred, with a margin of a few pixels. An empty box leaves the view as it is.
    void Fit(const GeoBox& box);
    // Multiplies the scale by factor, keeping the map position under pixel (x, y) where it is.
    void ZoomAbout(double factor, double x, double y);
    // Moves the map by (dx, dy) pixels.
    void Pan(double dx, double dy);
    // Pixels per millionth of a degree of latitude.
    double scale() const { return scale_; }

    double X(GeoPoint p) const { return static_cast<double>(p.lon - centreLon_) * scale_ * lonFactor_ + width_ / 2.0; }
    double Y(GeoPoint p) const { return static_cast<double>(centreLat_ - p.lat) * scale_ + height_ / 2.0; }

    // The pixels a box covers: left <= right, top <= bottom (top is the box's north edge).
    struct PixelBox {
        double left, top, right, bottom;
    };
    PixelBox Pixels(const GeoBox& box) const {
        return {X({box.minLat, box.minLon}), Y({box.maxLat, box.minLon}), X({box.minLat, box.maxLon}),
                Y({box.minLat, box.minLon})};
    }
    // True when some of the pixel box lies within the drawing area.
    bool Shows(const PixelBox& pixels) const {
        return pixels.right >= -1 && pixels.left <= width_ + 1 && pixels.bottom >= -1 && pixels.top <= height_ + 1;
    }
    // True when some of box lies within the drawing area.
    bool Shows(const GeoBox& box) const;
    // The positions that the drawing area and a margin of a pixel around it show; the second form, those of
    // its rows top to bottom - 1 only.
    GeoBox Area() const { return Area(0, height_); }
    GeoBox Area(int top, int bottom) const;

    // Pixels lying more than this beyond an edge of the area count as beyond it (a line two pixels wide
    // drawn there leaves the area untouched).
    static constexpr int kBeyond = 2;

    // Appends the pixels of points to out, thinned to what the area can show: a point that falls on the
    // pixel of the one kept before it is left out (so that a shape costs at most as much as the pixels it
    // covers), and so is a point beyond an edge of the area that the points kept on either side of it lie
    // beyond too (the lines to it, and the area they enclose with their shortcut, lie beyond that edge).
    // Pixels far outside the area are held at a distance that keeps every visible edge in place.
    void Project(std::span<const GeoPoint> points, std::vector<PixelPoint>& out) const;

    // How pixels of a picture drawn with view before come to lie in this view: x' = sx x + dx, y' = sy y + dy.
    struct Transform {
        double sx = 1, sy = 1, dx = 0, dy = 0;
    };
    Transform From(const MapView& before) const;

private:
    int width_ = 1;
    int height_ = 1;
    std::int32_t centreLat_ = 0;
    std::int32_t centreLon_ = 0;
    double scale_ = 1e-4;
    double lonFactor_ = 1.0;
};

}  // namespace stratex
