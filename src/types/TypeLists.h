#pragma once

#include <cstdint>
#include <string_view>

#include "types/TypeList.h"
#include "types/TypeNames.h"

namespace stratex {

// The three Type lists of the window.
struct TypeLists {
    TypeList poi{ObjectKind::Poi};
    TypeList polyline{ObjectKind::Polyline};
    TypeList polygon{ObjectKind::Polygon};

    TypeList& Of(ObjectKind kind);
    const TypeList& Of(ObjectKind kind) const;
    // Sorts all three lists, in the order POI, polyline, polygon.
    void SortAll(int sortColumn);
};

// The level that Process writes on the "EndLevel=" line of an object of kind whose Type line gave
// typeText: the Type list's level of the normalised code, 0 for an unlisted type. Throws
// Error("'<text>' is not a valid integer value") for a type text or a level caption that is no number.
std::int32_t ObjectEndLevel(const TypeLists& lists, ObjectKind kind, std::string_view typeText);

// Show All: adds to each list every type that its name file names and the list lacks, with the level "0",
// marked as added by Show All, in file order, unsorted. Lines whose first character is ";" and empty lines
// are skipped; the first line of the polyline file never gives a row. The code is the line's key spelled as
// in the file (empty for a line without "="), the name is LookupTypeName of that code.
void ShowAllObjects(TypeLists& lists, const TypeNameFiles& names);

// Switching Show All off: removes exactly the rows that Show All added, wherever a sort has moved them.
void RemoveShowAllRows(TypeLists& lists);

}  // namespace stratex
