#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/PreviewCanvas.h"
#include "app/PreviewWorker.h"
#include "document/MapDocument.h"
#include "passes/LevelSelection.h"

class QAbstractItemModel;
class QComboBox;
class QLabel;

namespace stratex {

// The Preview window: the open map as it will look at one level, following the user's level choices as
// they are made. A separate, resizable window; the main window keeps its own layout.
//
// It reads the document only: the geometry when a map is opened (MapOpened), on a thread of its own, and
// the Type lists and Levels table whenever the given models say they changed. The document and the models
// must outlive it. The geometry and the pictures are read from the document's map while the window runs:
// whatever changes or replaces the map must hold a MapChange meanwhile.
class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    PreviewWindow(const MapDocument* document, const std::vector<QAbstractItemModel*>& typeModels,
                  QAbstractItemModel* levelsModel, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // While one lives, the window leaves the document's map alone (its reading and drawing stop first);
    // when it ends, the window reads the map anew (MapOpened). The window may be null: nothing is done.
    class MapChange {
    public:
        explicit MapChange(PreviewWindow* window);
        ~MapChange();
        MapChange(const MapChange&) = delete;
        MapChange& operator=(const MapChange&) = delete;

    private:
        PreviewWindow* window_;
    };

    // Reads the geometry of the document's map anew, then draws it: shown whole, unless the map has the
    // bounds of the one before (the same map, processed), which keeps the view.
    void MapOpened();

    // The map as drawn, or null while it is being read.
    const PreviewMap* map() const { return map_.get(); }
    // The picture once the map has been read and the picture asked for last drawn (waits for both; for
    // tests and screenshots).
    QImage Picture();
    const LevelSelection& selection() const { return selection_; }

signals:
    // The geometry of the map has been read, and its first picture asked for.
    void MapRead();

private:
    void LetGoOfMap();
    void TakeMap(std::shared_ptr<PreviewMap> map, const QString& failure, std::uint64_t generation);
    void FillLevels();
    void Select();
    void ShowStatus();

    const MapDocument* document_;
    std::shared_ptr<const PreviewMap> map_;
    GeoBox lastBounds_;  // of the map drawn last
    LevelSelection selection_;
    QComboBox* levelBox_ = nullptr;
    PreviewCanvas* canvas_ = nullptr;
    QLabel* status_ = nullptr;
    std::uint64_t readGeneration_ = 0;
    QString readFailure_;  // why the map could not be read
    PreviewWorker reader_;
};

}  // namespace stratex
