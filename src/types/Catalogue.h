#pragma once

#include <span>
#include <string_view>

#include "grammar/ObjectKind.h"

namespace stratex {

// One entry of the built-in type catalogue: a type code and the index of its icon (-1: no icon).
struct CatalogueEntry {
    std::string_view code;
    int icon;
};

// The kind's catalogue table in search order (262 POI, 36 polyline and 53 polygon entries).
std::span<const CatalogueEntry> CatalogueTable(ObjectKind kind);

// The size in pixels of the icons in the kind's icon list.
int IconWidth(ObjectKind kind);
int IconHeight(ObjectKind kind);

// The icon index that the kind's table gives code, comparing with ASCII letters folded; -1 when the code
// is not in the table.
int GetImage(ObjectKind kind, std::string_view code);

}  // namespace stratex
