#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "bytes/ByteSource.h"
#include "bytes/LineList.h"
#include "bytes/LineReader.h"
#include "bytes/MapText.h"
#include "levels/Dictionary.h"
#include "levels/LevelsTable.h"
#include "passes/Parts.h"
#include "passes/ProcessSummary.h"
#include "passes/Progress.h"
#include "passes/StreamFacts.h"
#include "types/TypeLists.h"

namespace stratex {

// Process (the level rewrite): in one forward pass rewrites the level header from levels, sets every
// object's "EndLevel=" line from the Type lists and, with useDictionary, puts a generated dictionary after
// "[END-IMG ID]" and removes older dictionary sections. All or nothing: on success text, dicLines and
// tables hold the result; when it throws (a type text or level caption that is no number) all three are
// exactly as before. With summary, each object's EndLevel change is counted into it (also when it throws).
// The result is built beside the text and then takes its place. Progress reports the bytes walked.
// partSize: as ProcessMapParts'; the result is the same either way.
void ProcessMap(MapText& text, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                DictionaryTables& tables, LineList& dicLines, Progress* progress = nullptr,
                ProcessSummary* summary = nullptr, std::uint64_t partSize = 0, ProcessWarnings* warnings = nullptr);

// Process of the map that input gives, streamed: the same pass as ProcessMap, reading the input once
// through a buffer of bufferSize bytes (larger only while one object needs it) and writing the result with
// CR LF line ends to output as it goes, as Save MAP writes it. facts come from the scan of the same bytes.
// On success dicLines and tables hold the result as ProcessMap leaves them; when it throws (as ProcessMap
// does, or what the input and output throw) they are as before and output holds a part of the result,
// which the caller discards. With summary, each object's EndLevel change is counted into it; with warnings,
// what Process makes that the map's maker would not want (by input line).
void ProcessMapStream(ByteSource& input, const StreamFacts& facts, const LevelsTable& levels, const TypeLists& lists,
                      bool useDictionary, DictionaryTables& tables, LineList& dicLines, ByteSink& output,
                      std::size_t bufferSize = LineReader::kDefaultCapacity, ProcessSummary* summary = nullptr,
                      ProcessWarnings* warnings = nullptr);

// ProcessMapStream over an input that can be read at any stretch (a map file): with partSize and without the
// dictionary option, in parts of about that size, cut at openers, walked side by side where PassThreads()
// is above 1 and threads can be started. Each part's result is held in memory until written, so the memory
// needed grows with the part size, not with the map; where a part would grow past eight times that size (a
// huge object), the rest of the map is walked in one. The result is the same either way.
void ProcessMapParts(const PartInput& input, const StreamFacts& facts, const LevelsTable& levels,
                     const TypeLists& lists, bool useDictionary, DictionaryTables& tables, LineList& dicLines,
                     ByteSink& output, ProcessSummary* summary = nullptr, std::uint64_t partSize = 0,
                     ProcessWarnings* warnings = nullptr);

// The part size of Process where more than one processor can walk parts.
inline constexpr std::uint64_t kProcessPartSize = std::uint64_t{1} << 20;

// What Process's walk meets on a map, run without writing.
struct ProcessVerdict {
    WrittenLevels written;  // the EndLevel of every object, by its end line (failed ones marked)
    ProcessWarnings warnings;
    ProcessFailures failures;
};

// Process's walk over the map that input gives with these choices, run without writing, for check: the same
// walk as ProcessMapStream with facts from the scan of the same bytes, except that an object whose level
// cannot be read is recorded in verdict.failures and the walk goes on behind it. Throws what the input
// throws, and Error where Process fails otherwise (a dictionary that cannot be built).
void ProcessDry(ByteSource& input, const StreamFacts& facts, const LevelsTable& levels, const TypeLists& lists,
                bool useDictionary, ProcessVerdict& verdict);

}  // namespace stratex
