#include "app/PreviewCanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QTransform>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "passes/Parallel.h"

namespace stratex {
namespace {

const QColor kPaper(0xf5, 0xf2, 0xe9);
// A picture is cut into bands drawn side by side only where each band has at least this many rows.
constexpr int kMinBandRows = 64;

// Paints what DrawMap orders into a band of a picture's rows: picture holds the rows from top on of a
// picture height pixels high, and takes the whole picture's pixels.
class PictureSurface : public DrawSurface {
public:
    PictureSurface(QImage& picture, int top, int height, const std::vector<TypePaint>& paints)
        : picture_(picture), top_(top), height_(height), paints_(paints), painter_(&picture) {
        painter_.translate(0, -top);
        path_.setFillRule(Qt::OddEvenFill);
    }

    void FillBox(const PixelRect& box, std::uint32_t type) override {
        // Straight into the picture: far cheaper than a painter call for a few pixels.
        const QRgb rgb = paints_[type].colour.rgb();
        for (int y = std::max(box.top, top_); y <= std::min(box.bottom, top_ + picture_.height() - 1); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(picture_.scanLine(y - top_));
            for (int x = box.left; x <= box.right; ++x) line[x] = rgb;
        }
    }

    void Polygon(std::span<const PixelPoint> points, std::span<const std::size_t> ends, std::uint32_t type) override {
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(paints_[type].colour);
        if (ends.size() == 1) {
            ToPolygon(points);
            painter_.drawPolygon(polygon_);
            return;
        }
        // A polygon of several parts is painted as one path, so that its holes stay open.
        path_.clear();
        std::size_t from = 0;
        for (const std::size_t end : ends) {
            ToPolygon(points.subspan(from, end - from));
            path_.addPolygon(polygon_);
            from = end;
        }
        painter_.drawPath(path_);
    }

    // Lines two pixels wide, stroked straight into the picture with a square brush of 2 x 2 pixels: what a
    // painter's pen of that width covers, for far less (the pen's round caps and joins are curves, and a
    // profile of a large map found most of a picture's time spent on them).
    void Polyline(std::span<const PixelPoint> points, std::uint32_t type) override {
        const QRgb rgb = paints_[type].colour.rgb();
        if (points.size() == 1) Segment(points[0], points[0], rgb);
        for (std::size_t i = 1; i < points.size(); ++i) Segment(points[i - 1], points[i], rgb);
    }

    void Icon(PixelPoint centre, std::uint32_t type) override {
        const TypePaint& paint = paints_[type];
        if (paint.icon.isNull()) {
            painter_.fillRect(QRect(centre.x - 2, centre.y - 2, 4, 4), paint.colour);
        } else {
            painter_.drawImage(QPoint(centre.x - paint.icon.width() / 2, centre.y - paint.icon.height() / 2),
                               paint.icon);
        }
    }

    void Dot(PixelPoint corner, std::uint32_t type) override {
        FillBox({std::max(corner.x, 0), corner.y, std::min(corner.x + kDotSize - 1, picture_.width() - 1),
                 corner.y + kDotSize - 1},
                type);
    }

private:
    // The pixels of a line from a to b under the brush, whose bottom right pixel follows the line (where a
    // painter's pen of 2 pixels puts them). The line is clipped to the whole picture, so that the bands of a
    // picture draw the same pixels of it.
    void Segment(PixelPoint a, PixelPoint b, QRgb rgb) {
        // Clipped to the picture and the brush's reach first: a line may run millions of pixels beyond it.
        double x0 = a.x, y0 = a.y, x1 = b.x, y1 = b.y;
        if (!Clip(x0, y0, x1, y1)) return;
        // Clipped, the ends lie within the picture: no negative value to round.
        const auto round = [](double v) { return static_cast<int>(v + 0.5); };
        int x = round(x0), y = round(y0);
        const int xEnd = round(x1), yEnd = round(y1);
        const int dx = std::abs(xEnd - x), dy = -std::abs(yEnd - y);
        const int stepX = x < xEnd ? 1 : -1, stepY = y < yEnd ? 1 : -1;
        const int width = picture_.width(), last = top_ + picture_.height() - 1;
        uchar* const bits = picture_.bits();
        const qsizetype stride = picture_.bytesPerLine();
        for (int error = dx + dy;;) {
            if (x >= 1 && x < width && y > top_ && y <= last) {
                QRgb* line = reinterpret_cast<QRgb*>(bits + (y - 1 - top_) * stride) + x - 1;
                line[0] = line[1] = rgb;
                line = reinterpret_cast<QRgb*>(reinterpret_cast<uchar*>(line) + stride);
                line[0] = line[1] = rgb;
            } else {
                for (int py = std::max(y - 1, top_); py <= std::min(y, last); ++py) {
                    QRgb* line = reinterpret_cast<QRgb*>(bits + (py - top_) * stride);
                    for (int px = std::max(x - 1, 0); px <= std::min(x, width - 1); ++px) line[px] = rgb;
                }
            }
            if (x == xEnd && y == yEnd) break;
            const int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                x += stepX;
            }
            if (twice <= dx) {
                error += dx;
                y += stepY;
            }
        }
    }

    // Cuts the line to the pixels the brush can reach in the picture (Liang and Barsky's clipping); false
    // when none of it is there.
    bool Clip(double& x0, double& y0, double& x1, double& y1) const {
        const double left = 0, top = 0, right = picture_.width(), bottom = height_;
        double from = 0, to = 1;
        const double dx = x1 - x0, dy = y1 - y0;
        const auto edge = [&](double p, double q) {
            if (p == 0) return q >= 0;
            const double r = q / p;
            if (p < 0) {
                if (r > to) return false;
                from = std::max(from, r);
            } else {
                if (r < from) return false;
                to = std::min(to, r);
            }
            return true;
        };
        if (!edge(-dx, x0 - left) || !edge(dx, right - x0) || !edge(-dy, y0 - top) || !edge(dy, bottom - y0)) {
            return false;
        }
        x1 = x0 + to * dx;
        y1 = y0 + to * dy;
        x0 += from * dx;
        y0 += from * dy;
        return true;
    }

    void ToPolygon(std::span<const PixelPoint> points) {
        polygon_.resize(static_cast<int>(points.size()));
        for (std::size_t i = 0; i < points.size(); ++i)
            polygon_[static_cast<int>(i)] = QPoint(points[i].x, points[i].y);
    }

    QImage& picture_;
    int top_;
    int height_;
    const std::vector<TypePaint>& paints_;
    QPainter painter_;
    QPolygon polygon_;
    QPainterPath path_;
};

}  // namespace

PreviewCanvas::PreviewCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PreviewCanvas"));
    setMinimumSize(200, 150);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
}

PreviewCanvas::~PreviewCanvas() { worker_.Stop(); }

void PreviewCanvas::SetMap(std::shared_ptr<const PreviewMap> map, bool keepView) {
    DropMap();
    map_ = std::move(map);
    if (!keepView) {
        fitPending_ = true;
        shown_ = QImage();
    }
    update();
}

void PreviewCanvas::DropMap() {
    worker_.Stop();
    map_.reset();
    selected_ = false;
    // Whatever was asked for before is not coming.
    shownGeneration_ = ++askedGeneration_;
}

void PreviewCanvas::SetSelection(const LevelSelection& selection) {
    selection_ = selection;
    selected_ = true;
    Redraw();
}

void PreviewCanvas::FitToMap() {
    fitPending_ = true;
    Redraw();
}

QImage PreviewCanvas::Picture() {
    if (!map_ || !selected_) {
        QImage paper(size(), QImage::Format_RGB32);
        paper.fill(kPaper);
        return paper;
    }
    if (!isVisible()) Ask();  // a hidden canvas draws only when asked
    worker_.WaitIdle();
    TakeFinished();
    return shown_;
}

void PreviewCanvas::Redraw() {
    update();
    if (isVisible()) Ask();
}

void PreviewCanvas::Ask() {
    if (!map_ || !selected_) return;
    view_.SetSize(width(), height());
    if (fitPending_) {
        view_.Fit(map_->geometry.bounds());
        fitPending_ = false;
    }
    const std::uint64_t generation = ++askedGeneration_;
    // The task holds what it draws: the map, and copies of the selection and the view.
    worker_.Run([this, map = map_, selection = selection_, view = view_, generation,
                 hook = hook_](const std::atomic<bool>& stop) {
        if (hook) hook(stop);
        if (stop) return;
        QImage picture(view.width(), view.height(), QImage::Format_RGB32);
        picture.fill(kPaper);
        {
            // The rows in bands drawn side by side, each band an image of its own over the picture's rows.
            const int height = picture.height();
            const std::size_t count = height >= kMinBandRows * 2 ? PassThreads() : 1;
            std::vector<QImage> bandImages;
            std::vector<std::unique_ptr<PictureSurface>> surfaces;
            std::vector<DrawSurface*> bands;
            bandImages.reserve(count);
            for (std::size_t k = 0; k < count; ++k) {
                const int top = static_cast<int>(height * k / count);
                const int bottom = static_cast<int>(height * (k + 1) / count);
                bandImages.emplace_back(picture.bits() + top * picture.bytesPerLine(), picture.width(), bottom - top,
                                        picture.bytesPerLine(), QImage::Format_RGB32);
                surfaces.push_back(std::make_unique<PictureSurface>(bandImages.back(), top, height, map->paints));
                bands.push_back(surfaces.back().get());
            }
            PictureSurface whole(picture, 0, height, map->paints);
            if (!DrawMap(map->geometry, map->index, map->text, selection, view, map->iconSizes, bands, whole, stop)) {
                return;
            }
        }
        {
            const std::lock_guard lock(finishedMutex_);
            finished_ = {std::move(picture), view, generation};
        }
        QMetaObject::invokeMethod(this, &PreviewCanvas::TakeFinished, Qt::QueuedConnection);
    });
}

void PreviewCanvas::TakeFinished() {
    Finished finished;
    {
        const std::lock_guard lock(finishedMutex_);
        finished = std::exchange(finished_, {});
    }
    // A picture finished just before a newer one was asked for is dropped: the newer one is coming.
    if (finished.picture.isNull() || finished.generation != askedGeneration_) return;
    shown_ = std::move(finished.picture);
    shownView_ = finished.view;
    shownGeneration_ = finished.generation;
    update();
    emit PictureShown();
}

void PreviewCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kPaper);
    if (shown_.isNull()) return;
    // The last picture, where its positions lie in the view now.
    const MapView::Transform t = view_.From(shownView_);
    painter.setTransform(QTransform(t.sx, 0, 0, t.sy, t.dx, t.dy));
    painter.drawImage(0, 0, shown_);
}

void PreviewCanvas::resizeEvent(QResizeEvent*) { Redraw(); }

void PreviewCanvas::showEvent(QShowEvent*) { Redraw(); }

void PreviewCanvas::hideEvent(QHideEvent*) {
    // Nobody sees the picture: the drawing under way stops, and the next show asks for a new one.
    worker_.Stop();
    shownGeneration_ = askedGeneration_;
}

void PreviewCanvas::wheelEvent(QWheelEvent* event) {
    // One notch (120) zooms by a fifth; finer wheels zoom by their share of it.
    const double factor = std::pow(1.2, event->angleDelta().y() / 120.0);
    view_.ZoomAbout(factor, event->position().x(), event->position().y());
    Redraw();
    event->accept();
}

void PreviewCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    dragAt_ = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
}

void PreviewCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    const QPoint at = event->position().toPoint();
    view_.Pan(at.x() - dragAt_.x(), at.y() - dragAt_.y());
    dragAt_ = at;
    Redraw();
}

void PreviewCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    dragging_ = false;
    setCursor(Qt::OpenHandCursor);
}

}  // namespace stratex
