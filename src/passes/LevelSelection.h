#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
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

// Which objects of a map's geometry are drawn at one level, by kind, in map order. Each drawn object is
// drawn with its coordinate lines of MapGeometry::ShapeLevelAt(object, level).
class LevelSelection {
public:
    LevelSelection() = default;

    // Looks every type of geometry up with ObjectEndLevel in lists (as Process does at that moment) and
    // applies IsDrawnAtLevel. A type whose lookup fails (a type text or level caption that is no number)
    // hides its objects; the first such failure's message is kept.
    static LevelSelection Select(const MapGeometry& geometry, const TypeLists& lists, int level);

    const std::vector<std::uint32_t>& drawn(ObjectKind kind) const { return drawn_[static_cast<std::size_t>(kind)]; }
    std::size_t DrawnCount() const;
    std::size_t hiddenCount() const { return hidden_; }
    int level() const { return level_; }
    // The message of the first failed lookup; empty when every type was looked up.
    const std::string& problem() const { return problem_; }

private:
    std::array<std::vector<std::uint32_t>, kAllKinds.size()> drawn_;
    std::size_t hidden_ = 0;
    int level_ = 0;
    std::string problem_;
};

}  // namespace stratex
