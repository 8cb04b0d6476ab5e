#pragma once

#include "bytes/LineList.h"
#include "levels/Dictionary.h"
#include "levels/LevelsTable.h"
#include "types/TypeLists.h"

namespace stratex::bench {

// The level rewrite done the plain way, as the measure that the engine's rewrite (ProcessMap) must beat:
// the map held as a vector of line strings, one index walking it while lines are inserted and removed in
// place. Every insertion moves all the lines behind it, so the walk is quadratic in the number of objects
// that lack an EndLevel line. It gives the same lines, dictionary lines and tables as ProcessMap, and like
// it is all or nothing: when it throws Error, lines, tables and dicLines are unchanged.
void BaselineProcess(LineList& lines, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                     DictionaryTables& tables, LineList& dicLines);

}  // namespace stratex::bench
