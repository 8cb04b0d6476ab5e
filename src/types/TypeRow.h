#pragma once

#include <string>

namespace stratex {

// The record of every Type list. Texts are single-byte (Windows-1251) as read from the map and the type
// name files.
struct TypeRow {
    std::string level;  // caption, column "До слоя": the up-to level, free text, decimal when written by us
    std::string code;   // column "Тип": the type code
    std::string name;   // column "Название": the name from the type name file, may be empty
    int icon = -1;      // catalogue icon of code, -1 for none
    bool addedByShowAll = false;  // the row was added by Show All and goes when Show All is switched off

    bool operator==(const TypeRow&) const = default;
};

}  // namespace stratex
