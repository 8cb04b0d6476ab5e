#pragma once

#include "text/LineList.h"
#include "types/TypeLists.h"

namespace stratex {

// The lines of a level config file for the lists as they stand: for POI, then polylines, then polygons,
// each row in current order: kind letter, code, "=", caption ("p0x2f06=3").
LineList BuildConfigLines(const TypeLists& lists);

// Applies level config lines: each line whose name (text before the first "=") begins with "p", "l" or
// "g" and finds a row sets that row's caption to the value of the first line whose name equals this name
// with ASCII case folded. A row is found by its code, byte for byte: the seven characters after the
// letter when the name is the letter, "0x" and exactly five lower-case hexadecimal digits ("p0x10f04"),
// otherwise the (at most six) characters 2 to 7. Other lines are skipped. Nothing is checked or sorted.
void ApplyConfigLines(TypeLists& lists, const LineList& lines);

}  // namespace stratex
