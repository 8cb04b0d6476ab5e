#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "passes/MapGeometry.h"
#include "types/TypeLists.h"

namespace stratex {

// The visibility rule of the preview: an object whose lowest coordinate line is DataN, and which Process
// would give the EndLevel endLevel, is drawn at level when N <= level <= max(N, endLevel).
constexpr bool IsDrawnAtLevel(int lowestLevel, int endLevel, int level) {
    return lowestLevel <= level && level <= std::max(lowestLevel, endLevel);
}

// Which objects of a map's geometry are drawn at one level: the EndLevel of each of its types as Process
// would write it, and the counts of objects drawn and hidden. Each drawn object is drawn with its
// coordinate lines of MapGeometry::ShapesAt(..., level, ...). A selection holds no reference to the
// geometry or the lists: a copy serves a drawing on another thread.
class LevelSelection {
public:
    LevelSelection() = default;

    // Looks every type of geometry up with ObjectEndLevel in lists (as Process does at that moment) and
    // counts the objects that IsDrawnAtLevel draws. A type whose lookup fails (a type text or level caption
    // that is no number) hides its objects; the first such failure's message is kept.
    static LevelSelection Select(const MapGeometry& geometry, const TypeLists& lists, int level);

    // True when object (of the geometry selected from) is drawn at level().
    bool Draws(const MapGeometry::Object& object) const {
        const int endLevel = endLevels_[object.type()];
        return endLevel != kHidden && IsDrawnAtLevel(object.lowestLevel(), endLevel, level_);
    }
    std::size_t DrawnCount(ObjectKind kind) const { return drawn_[static_cast<std::size_t>(kind)]; }
    std::size_t DrawnCount() const { return drawn_[0] + drawn_[1] + drawn_[2]; }
    std::size_t hiddenCount() const { return hidden_; }
    int level() const { return level_; }
    // The message of the first failed lookup; empty when every type was looked up.
    const std::string& problem() const { return problem_; }

private:
    // The EndLevel of a type whose lookup failed: below every level, so that its objects never show.
    static constexpr int kHidden = std::numeric_limits<int>::min();

    std::vector<int> endLevels_;  // by type index
    std::array<std::size_t, kAllKinds.size()> drawn_{};
    std::size_t hidden_ = 0;
    int level_ = 0;
    std::string problem_;
};

}  // namespace stratex
