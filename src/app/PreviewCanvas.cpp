#include "app/PreviewCanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace stratex {
namespace {

const QColor kPaper(0xf5, 0xf2, 0xe9);
// Point icons are thinned to one per cell of this many pixels each way: more would only cover each other.
constexpr int kIconCell = 4;
// Objects whose box spans at most this many pixels each way are filled as their box.
constexpr double kSmallShape = 2.0;

void ToPolygon(const std::vector<PixelPoint>& pixels, QPolygon& polygon) {
    polygon.resize(static_cast<int>(pixels.size()));
    for (std::size_t i = 0; i < pixels.size(); ++i) polygon[static_cast<int>(i)] = QPoint(pixels[i].x, pixels[i].y);
}

}  // namespace

PreviewCanvas::PreviewCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PreviewCanvas"));
    setMinimumSize(200, 150);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
}

void PreviewCanvas::SetMap(const MapGeometry* geometry, const std::vector<TypePaint>* paints) {
    geometry_ = geometry;
    paints_ = paints;
    selection_ = nullptr;
    fitPending_ = true;
    Invalidate();
}

void PreviewCanvas::SetSelection(const LevelSelection* selection) {
    selection_ = selection;
    Invalidate();
}

void PreviewCanvas::FitToMap() {
    fitPending_ = true;
    Invalidate();
}

QImage PreviewCanvas::Picture() {
    if (dirty_) Render();
    return picture_;
}

void PreviewCanvas::Invalidate() {
    dirty_ = true;
    update();
}

void PreviewCanvas::Render() {
    dirty_ = false;
    picture_ = QImage(size(), QImage::Format_RGB32);
    picture_.fill(kPaper);
    view_.SetSize(width(), height());
    if (!geometry_ || !paints_ || !selection_) return;
    if (fitPending_) {
        view_.Fit(geometry_->bounds());
        fitPending_ = false;
    }
    const int level = selection_->level();
    const int w = picture_.width();
    const int h = picture_.height();
    // Objects of a few pixels are filled as their box straight into the picture: far cheaper than a
    // painter call each, and at that size the shape would not show anyway.
    uchar* const bits = picture_.bits();
    const qsizetype bytesPerLine = picture_.bytesPerLine();
    const auto fillBox = [&](const MapView::PixelBox& box, QRgb rgb) {
        const int left = std::max(static_cast<int>(box.left), 0);
        const int right = std::min(static_cast<int>(box.right), w - 1);
        const int top = std::max(static_cast<int>(box.top), 0);
        const int bottom = std::min(static_cast<int>(box.bottom), h - 1);
        for (int y = top; y <= bottom; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(bits + y * bytesPerLine);
            for (int x = left; x <= right; ++x) line[x] = rgb;
        }
    };

    QPainter painter(&picture_);
    std::vector<PixelPoint> pixels;
    QPolygon polygon;
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const ObjectKind kind : {ObjectKind::Polygon, ObjectKind::Polyline}) {
        const bool filled = kind == ObjectKind::Polygon;
        if (filled) {
            painter.setPen(Qt::NoPen);
        }
        for (const std::uint32_t object : selection_->drawn(kind)) {
            const MapGeometry::Object& entry = geometry_->object(object);
            const MapView::PixelBox box = view_.Pixels(entry.box);
            if (!view_.Shows(box)) continue;
            const TypePaint& paint = (*paints_)[entry.type];
            if (box.right - box.left <= kSmallShape && box.bottom - box.top <= kSmallShape) {
                fillBox(box, paint.colour.rgb());
                continue;
            }
            if (filled) {
                painter.setBrush(paint.colour);
            } else {
                painter.setPen(QPen(paint.colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            }
            const int shapeLevel = geometry_->ShapeLevelAt(object, level);
            const auto shapes = geometry_->ShapesOf(object);
            // A polygon of several parts is painted as one path, so that its holes stay open.
            const auto parts = std::count_if(shapes.begin(), shapes.end(), [&](const MapGeometry::Shape& shape) {
                return shape.level == shapeLevel;
            });
            path.clear();
            for (const MapGeometry::Shape& shape : shapes) {
                if (shape.level != shapeLevel) continue;
                pixels.clear();
                view_.Project(geometry_->PointsOf(shape), pixels);
                ToPolygon(pixels, polygon);
                if (!filled) {
                    painter.drawPolyline(polygon);
                } else if (parts == 1) {
                    painter.drawPolygon(polygon);
                } else {
                    path.addPolygon(polygon);
                }
            }
            if (filled && parts > 1) painter.drawPath(path);
        }
    }

    const int cellsX = w / kIconCell + 1;
    std::vector<bool> taken(static_cast<std::size_t>(cellsX) * static_cast<std::size_t>(h / kIconCell + 1));
    for (const std::uint32_t object : selection_->drawn(ObjectKind::Poi)) {
        const int shapeLevel = geometry_->ShapeLevelAt(object, level);
        for (const MapGeometry::Shape& shape : geometry_->ShapesOf(object)) {
            if (shape.level != shapeLevel) continue;
            for (const GeoPoint& point : geometry_->PointsOf(shape)) {
                const double x = view_.X(point);
                const double y = view_.Y(point);
                if (x < 0 || y < 0 || x >= w || y >= h) continue;
                const std::size_t cell = static_cast<std::size_t>(static_cast<int>(y) / kIconCell) * cellsX +
                                         static_cast<std::size_t>(static_cast<int>(x) / kIconCell);
                if (taken[cell]) continue;
                taken[cell] = true;
                const TypePaint& paint = (*paints_)[geometry_->object(object).type];
                if (paint.icon.isNull()) {
                    painter.fillRect(QRectF(x - 2, y - 2, 4, 4), paint.colour);
                } else {
                    painter.drawPixmap(QPointF(x - paint.icon.width() / 2.0, y - paint.icon.height() / 2.0),
                                       paint.icon);
                }
            }
        }
    }
}

void PreviewCanvas::paintEvent(QPaintEvent*) {
    if (dirty_ || picture_.size() != size()) Render();
    QPainter painter(this);
    if (dragging_) painter.fillRect(rect(), kPaper);
    painter.drawImage(dragOffset_, picture_);
}

void PreviewCanvas::resizeEvent(QResizeEvent*) { Invalidate(); }

void PreviewCanvas::wheelEvent(QWheelEvent* event) {
    // One notch (120) zooms by a fifth; finer wheels zoom by their share of it.
    const double factor = std::pow(1.2, event->angleDelta().y() / 120.0);
    view_.ZoomAbout(factor, event->position().x(), event->position().y());
    Invalidate();
    event->accept();
}

void PreviewCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    dragStart_ = event->position().toPoint();
    dragOffset_ = {};
    setCursor(Qt::ClosedHandCursor);
}

void PreviewCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    // While dragging, the picture moves as it is; it is painted anew when the button is released.
    dragOffset_ = event->position().toPoint() - dragStart_;
    update();
}

void PreviewCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    dragging_ = false;
    view_.Pan(dragOffset_.x(), dragOffset_.y());
    dragOffset_ = {};
    setCursor(Qt::OpenHandCursor);
    Invalidate();
}

}  // namespace stratex
