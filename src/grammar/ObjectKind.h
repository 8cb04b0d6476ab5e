#pragma once

#include <array>
#include <string_view>

namespace stratex {

// The three kinds of map objects, each with its own Type list, catalogue table, icon list and type name
// file.
enum class ObjectKind { Poi = 0, Polyline = 1, Polygon = 2 };

inline constexpr std::array<ObjectKind, 3> kAllKinds = {ObjectKind::Poi, ObjectKind::Polyline, ObjectKind::Polygon};

// "poi.txt", "polyline.txt", "polygon.txt".
std::string_view TypeNameFileName(ObjectKind kind);

// The letter of the kind in a level config file: 'p', 'l', 'g'.
char ConfigLetter(ObjectKind kind);

}  // namespace stratex
