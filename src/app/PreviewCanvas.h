#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <vector>

#include "passes/LevelSelection.h"
#include "passes/MapGeometry.h"
#include "passes/MapView.h"

namespace stratex {

// How one type of the geometry is painted: its colour and, for points, its icon (null: a dot).
struct TypePaint {
    QColor colour;
    QPixmap icon;
};

// The drawing area of the Preview window: paints the selected objects of a geometry, polygons filled under
// polylines under point icons, and lets the user zoom with the wheel about the cursor, pan by dragging
// and fit the map. The picture is kept until the selection, the view or the size changes.
//
// The geometry, the paints and the selection must outlive their use here (until the next Set call).
class PreviewCanvas : public QWidget {
    Q_OBJECT
public:
    explicit PreviewCanvas(QWidget* parent = nullptr);

    // A new map: shows all of it.
    void SetMap(const MapGeometry* geometry, const std::vector<TypePaint>* paints);
    void SetSelection(const LevelSelection* selection);
    void FitToMap();

    // The picture as painted now (for tests and screenshots).
    QImage Picture();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Render();
    void Invalidate();

    const MapGeometry* geometry_ = nullptr;
    const std::vector<TypePaint>* paints_ = nullptr;
    const LevelSelection* selection_ = nullptr;
    MapView view_;
    bool fitPending_ = true;
    QImage picture_;
    bool dirty_ = true;
    bool dragging_ = false;
    QPoint dragStart_;
    QPoint dragOffset_;
};

}  // namespace stratex
