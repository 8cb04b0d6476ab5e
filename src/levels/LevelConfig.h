#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "bytes/LineList.h"
#include "types/TypeLists.h"
#include "types/TypeNames.h"

namespace stratex {

// The lines of a level config file for the lists as they stand: for POI, then polylines, then polygons,
// each row in current order: kind letter, code, "=", caption ("p0x2f06=3").
LineList BuildConfigLines(const TypeLists& lists);

// Reads a level config file by the line list rules, without the UTF-8 byte order mark that some editors put
// at its very start. Throws Error("Cannot open file <path>") as ReadFileBytes.
LineList LoadConfigFile(const std::filesystem::path& path);

// A level config line that set no row.
struct UnmatchedConfigLine {
    std::size_t line = 0;  // 1-based
    std::string name;      // the text before the first "=", or the whole line when it has none
    // A spelling of the name that would have found a row (the kind letter in lower case and the code
    // written as the lists write it: "p0x900" -> "p0x0900"), or empty when there is none.
    std::string hint;

    bool operator==(const UnmatchedConfigLine&) const = default;
};

// Applies level config lines: each line whose name (text before the first "=") begins with "p", "l" or
// "g" and finds a row sets that row's caption to the value of the first line whose name equals this name
// with ASCII case folded. A row is found by its code, byte for byte: the seven characters after the
// letter when the name is the letter, "0x" and exactly five lower-case hexadecimal digits ("p0x10f04"),
// otherwise the (at most six) characters 2 to 7. Other lines are skipped and returned, in order, except
// empty ones. Nothing is checked or sorted.
std::vector<UnmatchedConfigLine> ApplyConfigLines(TypeLists& lists, const LineList& lines);

// A problem of one line of a level config file, as ApplyConfigLines left it.
struct ConfigProblem {
    enum class Kind { UnknownType, LevelNotANumber };
    std::size_t line = 0;  // 1-based
    Kind kind = Kind::UnknownType;
    std::string text;  // the name (UnknownType) or the level (LevelNotANumber), as bytes of the file
    std::string hint;  // UnknownType: the spelling that would have found a row, or empty

    bool operator==(const ConfigProblem&) const = default;
};

// The problems of the config lines that ApplyConfigLines applied and returned unmatched, in line order: each
// unmatched line that names no type another map may hold, and each other non-empty line whose level is no
// whole number (on which Process and Save DIC fail for a type that uses it). A line names a type another map
// may hold where it is written as a config writes a type (the kind letter and the code as the lists write
// it: a config made for a set of tiles names every tile's types) or names a type of names; a line with a
// hint misspells a type of the lists.
std::vector<ConfigProblem> FindConfigProblems(const LineList& lines, const std::vector<UnmatchedConfigLine>& unmatched,
                                              const TypeNameFiles& names);

}  // namespace stratex
