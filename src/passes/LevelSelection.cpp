#include "passes/LevelSelection.h"

#include "bytes/Error.h"

namespace stratex {

LevelSelection LevelSelection::Select(const MapGeometry& geometry, const TypeLists& lists, int level) {
    LevelSelection selection;
    selection.level_ = level;
    // A type looked up once serves all its objects.
    selection.endLevels_.reserve(geometry.types().size());
    for (const MapGeometry::Type& type : geometry.types()) {
        try {
            selection.endLevels_.push_back(ObjectEndLevel(lists, type.kind, type.text));
        } catch (const Error& error) {
            if (selection.problem_.empty()) selection.problem_ = error.what();
            selection.endLevels_.push_back(kHidden);
        }
    }
    for (std::size_t i = 0; i < geometry.ObjectCount(); ++i) {
        if (selection.Draws(geometry.object(i))) {
            ++selection.drawn_[static_cast<std::size_t>(geometry.KindOf(i))];
        } else {
            ++selection.hidden_;
        }
    }
    return selection;
}

}  // namespace stratex
