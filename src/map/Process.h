#pragma once

#include "levels/Dictionary.h"
#include "levels/LevelsTable.h"
#include "map/ByteSource.h"
#include "map/LineReader.h"
#include "map/MapText.h"
#include "map/Progress.h"
#include "map/StreamFacts.h"
#include "text/LineList.h"
#include "types/TypeLists.h"

namespace stratex {

// Process (the level rewrite): in one forward pass rewrites the level header from levels, sets every
// object's "EndLevel=" line from the Type lists and, with useDictionary, puts a generated dictionary after
// "[END-IMG ID]" and removes older dictionary sections. All or nothing: on success text, dicLines and
// tables hold the result; when it throws (a type text or level caption that is no number) all three are
// exactly as before.
void ProcessMap(MapText& text, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                DictionaryTables& tables, LineList& dicLines, Progress* progress = nullptr);

// Process of the map that input gives, streamed: the same pass as ProcessMap, reading the input once
// through a buffer of bufferSize bytes (larger only while one object needs it) and writing the result with
// CR LF line ends to output as it goes, as Save MAP writes it. facts come from the scan of the same bytes.
// On success dicLines and tables hold the result as ProcessMap leaves them; when it throws (as ProcessMap
// does, or what the input and output throw) they are as before and output holds a part of the result,
// which the caller discards.
void ProcessMapStream(ByteSource& input, const StreamFacts& facts, const LevelsTable& levels, const TypeLists& lists,
                      bool useDictionary, DictionaryTables& tables, LineList& dicLines, ByteSink& output,
                      std::size_t bufferSize = LineReader::kDefaultCapacity);

}  // namespace stratex
