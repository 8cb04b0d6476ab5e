#pragma once

#include <QWidget>
#include <vector>

#include "app/PreviewCanvas.h"
#include "document/MapDocument.h"
#include "passes/LevelSelection.h"
#include "passes/MapGeometry.h"

class QAbstractItemModel;
class QComboBox;
class QLabel;

namespace stratex {

// The Preview window: the open map as it will look at one level, following the user's level choices as
// they are made. A separate, resizable window; the main window keeps its own layout.
//
// It reads the document only: the geometry when a map is opened (MapOpened), and the Type lists and
// Levels table whenever the given models say they changed. The document and the models must outlive it.
class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    PreviewWindow(const MapDocument* document, const std::vector<QAbstractItemModel*>& typeModels,
                  QAbstractItemModel* levelsModel, QWidget* parent = nullptr);

    // Reads the geometry of the document's map anew and shows all of it.
    void MapOpened();

    const MapGeometry& geometry() const { return geometry_; }
    const LevelSelection& selection() const { return selection_; }

private:
    void FillLevels();
    void Select();
    void ShowStatus();

    const MapDocument* document_;
    MapGeometry geometry_;
    std::vector<TypePaint> paints_;
    LevelSelection selection_;
    QComboBox* levelBox_ = nullptr;
    PreviewCanvas* canvas_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace stratex
