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

void MapView::Project(std::span<const GeoPoint> points, std::vector<PixelPoint>& out) const {
    const std::size_t first = out.size();
    for (const GeoPoint& p : points) {
        const PixelPoint pixel{Clamp(X(p)), Clamp(Y(p))};
        if (out.size() > first && out.back() == pixel) continue;
        out.push_back(pixel);
    }
}

}  // namespace stratex
