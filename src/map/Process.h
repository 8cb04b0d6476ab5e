#pragma once

#include <cstdint>
#include <string_view>

#include "levels/Dictionary.h"
#include "levels/LevelsTable.h"
#include "map/ByteSource.h"
#include "map/LineReader.h"
#include "map/MapText.h"
#include "map/ProcessSummary.h"
#include "map/Progress.h"
#include "map/StreamFacts.h"
#include "text/LineList.h"
#include "types/TypeLists.h"

namespace stratex {

// The size from which ProcessMap walks a map in two parts: below it a second thread saves little.
inline constexpr std::size_t kProcessSplitFrom = std::size_t{8} << 20;

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
// A text of at least splitFrom bytes is walked in two parts side by side, cut at an opener near its middle,
// where the parts turn out to join (without the dictionary option, and nothing carried across the cut);
// otherwise in one pass, with the same result. inParts, when given, tells which.
void ProcessMap(MapText& text, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                DictionaryTables& tables, LineList& dicLines, Progress* progress = nullptr,
                ProcessSummary* summary = nullptr, std::size_t splitFrom = kProcessSplitFrom,
                bool* inParts = nullptr);

// Process of the map that input gives, streamed: the same pass as ProcessMap, reading the input once
// through a buffer of bufferSize bytes (larger only while one object needs it) and writing the result with
// CR LF line ends to output as it goes, as Save MAP writes it. facts come from the scan of the same bytes.
// On success dicLines and tables hold the result as ProcessMap leaves them; when it throws (as ProcessMap
// does, or what the input and output throw) they are as before and output holds a part of the result,
// which the caller discards. With summary, each object's EndLevel change is counted into it.
// With segmentSize and without the dictionary option, the input is read into segments of about that size,
// cut at openers, which threads walk side by side; each is held in memory until written, so the memory
// needed grows with the segment size, not with the map. Where a segment would grow past eight times that
// size (a huge object), the rest of the map is walked in one. The result is the same either way.
void ProcessMapStream(ByteSource& input, const StreamFacts& facts, const LevelsTable& levels, const TypeLists& lists,
                      bool useDictionary, DictionaryTables& tables, LineList& dicLines, ByteSink& output,
                      std::size_t bufferSize = LineReader::kDefaultCapacity, ProcessSummary* summary = nullptr,
                      std::size_t segmentSize = 0);

// The segment size for ProcessMapStream where more than one processor can walk segments.
inline constexpr std::size_t kProcessSegmentSize = std::size_t{1} << 20;

}  // namespace stratex
