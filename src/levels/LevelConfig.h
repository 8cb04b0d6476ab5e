#pragma once

#include <string_view>

#include "text/LineList.h"
#include "types/TypeLists.h"

namespace stratex {

// The lines of a level config file for the lists as they stand: for POI, then polylines, then polygons,
// each row in current order: kind letter, code, "=", caption ("p0x2f06=3").
LineList BuildConfigLines(const TypeLists& lists);

// The index of the first row whose code equals characters 2..7 of name (at most six characters after the
// kind letter), byte for byte; -1 when none.
int FindConfigRow(const TypeList& list, std::string_view name);

// Applies level config lines: each line whose name (text before the first "=") begins with "p", "l" or
// "g" and finds a row sets that row's caption to the value of the first line whose name equals this name
// with ASCII case folded. Other lines are skipped. Nothing is checked; nothing is sorted.
void ApplyConfigLines(TypeLists& lists, const LineList& lines);

}  // namespace stratex
