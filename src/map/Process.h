#pragma once

#include <cstdint>
#include <string_view>

#include "levels/Dictionary.h"
#include "levels/LevelsTable.h"
#include "map/MapText.h"
#include "map/ProcessSummary.h"
#include "map/Progress.h"
#include "text/LineList.h"
#include "types/TypeLists.h"

namespace stratex {

// The level that Process writes on the "EndLevel=" line of an object of kind whose Type line gave
// typeText (the six characters after "Type="): the Type list's level of the normalised code, 0 for an
// unlisted type. Throws Error("'<text>' is not a valid integer value") for a type text or a level
// caption that is no number.
std::int32_t ObjectEndLevel(const TypeLists& lists, ObjectKind kind, std::string_view typeText);

// Process (the level rewrite): in one forward pass rewrites the level header from levels, sets every
// object's "EndLevel=" line from the Type lists and, with useDictionary, puts a generated dictionary after
// "[END-IMG ID]" and removes older dictionary sections. All or nothing: on success text, dicLines and
// tables hold the result; when it throws (a type text or level caption that is no number) all three are
// exactly as before. With summary, each object's EndLevel change is counted into it (also when it throws).
void ProcessMap(MapText& text, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                DictionaryTables& tables, LineList& dicLines, Progress* progress = nullptr,
                ProcessSummary* summary = nullptr);

}  // namespace stratex
