#pragma once

#include <cstdint>
#include <filesystem>

#include "bytes/ByteSource.h"
#include "bytes/FileSource.h"
#include "bytes/LineReader.h"
#include "bytes/MapText.h"
#include "levels/Dictionary.h"
#include "levels/LevelsTable.h"
#include "passes/MapFigures.h"
#include "passes/Progress.h"
#include "passes/StreamFacts.h"
#include "types/TypeLists.h"
#include "types/TypeNames.h"

namespace stratex {

// What a scan found.
struct ScanResult {
    LevelsTable levels;        // one row per level line of the header part (starts empty, not with the placeholder)
    TypeLists lists;           // one row per distinct normalised code; sorted unless !isPolishMap
    bool isPolishMap = false;  // some line contains "[END-IMG ID]"
    MapFigures figures;        // objects per type and their EndLevel values; the dictionary and Levels lines
};

// ScanMap over text already loaded. With useDictionary, dictionary sections met in the map are read into
// tables (ReadDictionary) and new rows take their levels from tables; tables is updated only when the scan
// succeeds. The lists are sorted by sortColumn at the end. Throws Error on a level value or type text that
// is no integer; then nothing has changed.
ScanResult ScanMap(const MapText& text, const TypeNameFiles& names, bool useDictionary, DictionaryTables& tables,
                   int sortColumn, Progress* progress = nullptr);

// ScanMap over the map that input gives, read once through a buffer of bufferSize bytes (larger only while
// one line needs it), without holding the map: the same pass, the same result and failures. facts gets
// what a Process streamed from the same bytes needs to know ahead (on success only). With progress, the bar
// shows how many of the input's inputSize bytes the scan has passed, and ends as ScanMap's ends.
ScanResult ScanMapStream(ByteSource& input, const TypeNameFiles& names, bool useDictionary, DictionaryTables& tables,
                         int sortColumn, StreamFacts& facts, std::size_t bufferSize = LineReader::kDefaultCapacity,
                         Progress* progress = nullptr, std::uint64_t inputSize = 0);

// ScanMapStream over the map file at path, the same result and failures; stamp gets the file's stamp as it
// was read. Without the dictionary option, a file larger than partSize is scanned in parts of about that
// size side by side, where PassThreads() is above 1 and threads can be started; otherwise, or where a
// failure must be placed by the one pass, in one pass.
inline constexpr std::uint64_t kScanPartSize = std::uint64_t{16} << 20;
ScanResult ScanMapFile(const std::filesystem::path& path, const TypeNameFiles& names, bool useDictionary,
                       DictionaryTables& tables, int sortColumn, StreamFacts& facts, FileSource::Stamp& stamp,
                       std::uint64_t partSize = kScanPartSize);

// Reads the dictionary section whose "[DICTIONARY]" line is line start: resets all three tables to 0, then
// applies every row (lines containing "level", "rgn" and "=" in any case) up to and including the first
// line containing "[END-DICTIONARY]" in any case, or to the end of the map.
void ReadDictionary(const MapText& text, std::uint64_t start, DictionaryTables& tables);

}  // namespace stratex
