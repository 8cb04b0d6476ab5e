#pragma once

#include <string>

#include "passes/MapFigures.h"

namespace stratex {

// What the map holds of one type, as the window's Type list rows tell it (UTF-8): "12 objects, EndLevel
// 1 (10), 3 (1), none (1)"; "1 object, EndLevel 2 (1)"; "no objects in the map" when figures is null or
// counts none. EndLevels are the up-to texts the scan read, in their order.
std::string TypeFiguresText(const TypeFigures* figures);

}  // namespace stratex
