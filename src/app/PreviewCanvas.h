#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "app/PreviewWorker.h"
#include "passes/BoxIndex.h"
#include "passes/LevelSelection.h"
#include "passes/MapDrawing.h"
#include "passes/MapGeometry.h"
#include "passes/MapView.h"

namespace stratex {

// How one type of the geometry is painted: its colour and, for points, its icon (null: a small square).
struct TypePaint {
    QColor colour;
    QImage icon;
};

// What the canvas draws: a map's geometry with its index, the text it was read from (the document's map,
// which must not change while a canvas holds this), and the paint of each type. Shared, unchanged, with the
// drawing thread.
struct PreviewMap {
    MapGeometry geometry;
    BoxIndex index;
    std::string_view text;
    std::shared_ptr<const MapText> ownText;  // the text, where no document holds it (a set of tiles)
    std::vector<TypePaint> paints;
    std::vector<IconSize> iconSizes;
};

// The drawing area of the Preview window: shows the selected objects of a map, polygons filled under
// polylines under point icons, and lets the user zoom with the wheel about the cursor, pan by dragging and
// fit the map. Pictures are drawn on a thread of their own (DrawMap); every change of the view, the
// selection or the size starts a new one, stopping the one under way, and the canvas shows the last
// picture at once, moved and scaled to the view, until the new one is ready.
class PreviewCanvas : public QWidget {
    Q_OBJECT
public:
    explicit PreviewCanvas(QWidget* parent = nullptr);
    // Stops the drawing under way and waits for it.
    ~PreviewCanvas() override;

    // A map to draw, shown whole unless keepView (a map read again with the same bounds).
    void SetMap(std::shared_ptr<const PreviewMap> map, bool keepView = false);
    // Lets go of the map: the drawing under way stops, and DropMap returns once it no longer reads the map.
    // The last picture stays in view until the next map is set.
    void DropMap();
    void SetSelection(const LevelSelection& selection);
    void FitToMap();

    // The picture as shown once the drawing asked for last is done (waits for it; for tests and screenshots).
    QImage Picture();
    // A picture has been asked for and is not shown yet.
    bool drawing() const { return shownGeneration_ != askedGeneration_; }

    // For tests: runs on the drawing thread at the start of every drawing, given its stop flag.
    void SetDrawHook(std::function<void(const std::atomic<bool>& stop)> hook) { hook_ = std::move(hook); }

signals:
    // The picture asked for last is shown.
    void PictureShown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Finished {
        QImage picture;
        MapView view;
        std::uint64_t generation = 0;
    };

    // Repaints and, unless the canvas is hidden (it asks when shown), asks for a picture of the current view.
    void Redraw();
    void Ask();
    // Shows the picture the drawing thread finished, if it is the one asked for last.
    void TakeFinished();

    std::shared_ptr<const PreviewMap> map_;
    LevelSelection selection_;
    bool selected_ = false;
    MapView view_;
    bool fitPending_ = true;
    bool dragging_ = false;
    QPoint dragAt_;

    QImage shown_;  // the last picture finished, drawn with shownView_
    MapView shownView_;
    std::uint64_t askedGeneration_ = 0;
    std::uint64_t shownGeneration_ = 0;
    std::function<void(const std::atomic<bool>&)> hook_;
    std::mutex finishedMutex_;
    Finished finished_;  // handed over from the drawing thread
    PreviewWorker worker_;
};

}  // namespace stratex
