#include "passes/LevelSelection.h"

#include <limits>

#include "bytes/Error.h"

namespace stratex {

LevelSelection LevelSelection::Select(const MapGeometry& geometry, const TypeLists& lists, int level) {
    LevelSelection selection;
    selection.level_ = level;
    // A type looked up once serves all its objects; a failed one hides them (below every lowest level).
    constexpr int kHidden = std::numeric_limits<int>::min();
    std::vector<int> endLevels;
    endLevels.reserve(geometry.types().size());
    for (const MapGeometry::Type& type : geometry.types()) {
        try {
            endLevels.push_back(ObjectEndLevel(lists, type.kind, type.text));
        } catch (const Error& error) {
            if (selection.problem_.empty()) selection.problem_ = error.what();
            endLevels.push_back(kHidden);
        }
    }
    for (std::size_t i = 0; i < geometry.ObjectCount(); ++i) {
        const MapGeometry::Object& object = geometry.object(i);
        const int endLevel = endLevels[object.type];
        if (endLevel != kHidden && IsDrawnAtLevel(object.lowestLevel, endLevel, level)) {
            selection.drawn_[static_cast<std::size_t>(geometry.KindOf(i))].push_back(static_cast<std::uint32_t>(i));
        } else {
            ++selection.hidden_;
        }
    }
    return selection;
}

std::size_t LevelSelection::DrawnCount() const {
    std::size_t count = 0;
    for (const auto& objects : drawn_) count += objects.size();
    return count;
}

}  // namespace stratex
