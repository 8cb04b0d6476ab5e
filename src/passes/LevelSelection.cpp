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
    // Counted by type and lowest level, not object by object: a change of level is answered at once however
    // large the map.
    for (std::size_t t = 0; t < geometry.types().size(); ++t) {
        const int endLevel = selection.endLevels_[t];
        for (const auto& [lowest, count] : geometry.levelCounts()[t]) {
            if (endLevel != kHidden && IsDrawnAtLevel(lowest, endLevel, level)) {
                selection.drawn_[static_cast<std::size_t>(geometry.types()[t].kind)] += count;
            } else {
                selection.hidden_ += count;
            }
        }
    }
    return selection;
}

}  // namespace stratex
