#include "grammar/ObjectKind.h"

namespace stratex {

std::string_view TypeNameFileName(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Poi:
            return "poi.txt";
        case ObjectKind::Polyline:
            return "polyline.txt";
        case ObjectKind::Polygon:
            return "polygon.txt";
    }
    return {};
}

char ConfigLetter(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Poi:
            return 'p';
        case ObjectKind::Polyline:
            return 'l';
        case ObjectKind::Polygon:
            return 'g';
    }
    return '\0';
}

}  // namespace stratex
