#include "TypeFiguresText.h"

#include "bytes/Cp1251.h"

namespace stratex {

std::string TypeFiguresText(const TypeFigures* figures) {
    if (figures == nullptr || figures->objects == 0) return "no objects in the map";
    std::string text = std::to_string(figures->objects) + (figures->objects == 1 ? " object" : " objects");
    text += ", EndLevel ";
    bool first = true;
    const auto add = [&](const std::string& level, std::uint64_t objects) {
        if (!first) text += ", ";
        first = false;
        text += level + " (" + std::to_string(objects) + ")";
    };
    for (const auto& [level, objects] : figures->endLevels) add(Cp1251ToUtf8(level), objects);
    if (figures->withoutEndLevel > 0) add("none", figures->withoutEndLevel);
    return text;
}

}  // namespace stratex
