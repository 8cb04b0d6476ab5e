#include "passes/MapView.h"

#include <algorithm>
#include <cmath>

namespace stratex {
namespace {

constexpr int kFitMargin = 8;
// Pixels are kept within this distance of the area; beyond it no edge of a screen-sized area moves.
constexpr double kFar = 1 << 22;

std::int32_t Clamp(double v) {
    v = std::clamp(v, -kFar, kFar);
    return v >= 0 ? static_cast<std::int32_t>(v + 0.5) : -static_cast<std::int32_t>(0.5 - v);
}

}  // namespace

void MapView::SetSize(int width, int height) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
}

void MapView::Fit(const GeoBox& box) {
    if (box.empty()) return;
    centreLat_ = static_cast<std::int32_t>((std::int64_t{box.minLat} + box.maxLat) / 2);
    centreLon_ = static_cast<std::int32_t>((std::int64_t{box.minLon} + box.maxLon) / 2);
    lonFactor_ = std::max(std::cos(centreLat_ / 1e6 * 3.14159265358979323846 / 180.0), 0.01);
    const double spanX = std::max(static_cast<double>(box.maxLon - box.minLon) * lonFactor_, 1.0);
    const double spanY = std::max(static_cast<double>(box.maxLat - box.minLat), 1.0);
    const double usableX = std::max(width_ - 2 * kFitMargin, 1);
    const double usableY = std::max(height_ - 2 * kFitMargin, 1);
    scale_ = std::min(usableX / spanX, usableY / spanY);
}

void MapView::ZoomAbout(double factor, double x, double y) {
    // The position under (x, y) before and after must agree: move the centre towards it.
    const double dx = (x - width_ / 2.0) / (scale_ * lonFactor_);
    const double dy = (y - height_ / 2.0) / scale_;
    scale_ = std::clamp(scale_ * factor, 1e-9, 1e3);
    const double newDx = (x - width_ / 2.0) / (scale_ * lonFactor_);
    const double newDy = (y - height_ / 2.0) / scale_;
    centreLon_ = static_cast<std::int32_t>(std::clamp(centreLon_ + dx - newDx, -180e6, 180e6));
    centreLat_ = static_cast<std::int32_t>(std::clamp(centreLat_ - dy + newDy, -90e6, 90e6));
}

void MapView::Pan(double dx, double dy) {
    centreLon_ = static_cast<std::int32_t>(std::clamp(centreLon_ - dx / (scale_ * lonFactor_), -180e6, 180e6));
    centreLat_ = static_cast<std::int32_t>(std::clamp(centreLat_ + dy / scale_, -90e6, 90e6));
}

bool MapView::Shows(const GeoBox& box) const { return !box.empty() && Shows(Pixels(box)); }

GeoBox MapView::Area(int top, int bottom) const {
    // The inverse of X and Y at the corners one pixel outside the rows, held within the globe.
    const double lonPerPixel = 1.0 / (scale_ * lonFactor_);
    const double latPerPixel = 1.0 / scale_;
    const auto lon = [&](double x) { return std::clamp(centreLon_ + (x - width_ / 2.0) * lonPerPixel, -181e6, 181e6); };
    const auto lat = [&](double y) { return std::clamp(centreLat_ - (y - height_ / 2.0) * latPerPixel, -91e6, 91e6); };
    return {static_cast<std::int32_t>(std::floor(lat(bottom + 1.0))), static_cast<std::int32_t>(std::floor(lon(-1.0))),
            static_cast<std::int32_t>(std::ceil(lat(top - 1.0))),
            static_cast<std::int32_t>(std::ceil(lon(width_ + 1.0)))};
}

void MapView::Project(std::span<const GeoPoint> points, std::vector<PixelPoint>& out) const {
    // Bits of the edges a pixel lies beyond: left, right, top, bottom.
    const auto beyond = [&](PixelPoint p) {
        return (p.x < -kBeyond ? 1 : 0) | (p.x > width_ + kBeyond ? 2 : 0) | (p.y < -kBeyond ? 4 : 0) |
               (p.y > height_ + kBeyond ? 8 : 0);
    };
    const std::size_t first = out.size();
    int lastBeyond = 0;    // of out.back()
    int beforeBeyond = 0;  // of the pixel kept before it
    for (const GeoPoint& p : points) {
        const PixelPoint pixel{Clamp(X(p)), Clamp(Y(p))};
        const std::size_t kept = out.size() - first;
        if (kept > 0 && out.back() == pixel) continue;
        const int edges = beyond(pixel);
        if (kept >= 2 && (beforeBeyond & lastBeyond & edges) != 0) {
            out.back() = pixel;  // the last point kept goes: the shortcut to this one lies beyond the same edge
        } else {
            out.push_back(pixel);
            beforeBeyond = lastBeyond;
        }
        lastBeyond = edges;
    }
}

MapView::Transform MapView::From(const MapView& before) const {
    const double kBefore = before.scale_ * before.lonFactor_;
    const double kNow = scale_ * lonFactor_;
    Transform t;
    t.sx = kNow / kBefore;
    t.dx = (static_cast<double>(before.centreLon_) - centreLon_ - before.width_ / 2.0 / kBefore) * kNow + width_ / 2.0;
    t.sy = scale_ / before.scale_;
    t.dy = (static_cast<double>(centreLat_) - before.centreLat_ - before.height_ / 2.0 / before.scale_) * scale_ +
           height_ / 2.0;
    return t;
}

}  // namespace stratex
