#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "bytes/LineList.h"
#include "bytes/MapText.h"
#include "levels/LevelsTable.h"

namespace stratex::fuzz {

// The input-driven checks shared by the fuzz targets (fuzz/) and the regression test that replays the
// inputs kept under tests/data/fuzz/. Each Run function feeds one input to the engine, catches the Error
// that bad input may legitimately raise, and checks what must hold whatever the input. A broken rule
// throws InvariantFailure; any other exception escaping a Run function is a fault of the engine as well.

class InvariantFailure : public std::logic_error {
public:
    explicit InvariantFailure(const std::string& what) : std::logic_error(what) {}
};

enum class Target { Map, Config, Names };

// "map", "config", "names": the folder of a target's inputs under tests/data/fuzz/.
std::string_view TargetName(Target target);

// Map bytes: MapText::FromBytes, ScanMap with the dictionary option off and on, and ProcessMap with the
// scanned Levels table and lists (the option off and on, with Show All rows and with a caption that is no
// number).
void RunMapInput(std::string_view bytes);
// Level config file bytes: SplitLines, ApplyConfigLines against a plain reading of its rules, and the
// BuildConfigLines round trip.
void RunConfigInput(std::string_view bytes);
// Type name file bytes: LookupTypeName against a plain reading of its rules, Show All switched on and off.
void RunNamesInput(std::string_view bytes);
void RunInput(Target target, std::string_view bytes);

// The fuzz targets' entry: RunInput, with every failure printed and turned into an abort, which is what
// the fuzzer records as a crash.
void RunOrAbort(Target target, const std::uint8_t* data, std::size_t size);

// The checks on their own, so that they can be shown to catch faults.

// text (loaded from some bytes) holds exactly lines (SplitLines of the same bytes): count, every line,
// the cursor walk and the CR LF form.
void CheckTextMatchesLines(const MapText& text, const LineList& lines);

// LineReader over bytes, with a buffer of capacity bytes at first and reads of chunk bytes, gives the lines
// of the file rules with every byte kept, their line ends and offsets.
void CheckLineReader(std::string_view bytes, std::size_t capacity, std::size_t chunk);

// The scan and Process streamed from bytes with a buffer of bufferSize bytes give what ScanMap and
// ProcessMap over text (loaded from the same bytes) give, with the map saved: the same failure, or the
// same rows, tables and dictionary lines and the bytes Save MAP writes.
void CheckStreamedPasses(std::string_view bytes, const MapText& text, bool useDictionary, std::size_t bufferSize);

// What a successful ProcessMap of before into after must respect: every line of after is a line of
// before, an "EndLevel=<n>" line, a line of the level header made from levels, or (with useDictionary) a
// line of dicLines; at most one line is added per object end, a header and 38 lines per "[END-IMG ID]";
// without the dictionary option the object part keeps its lines in order apart from EndLevel lines.
struct ProcessOutcome {
    const MapText& before;
    const MapText& after;
    const LevelsTable& levels;
    const LineList& dicLines;
    bool useDictionary;
};
void CheckProcessOutput(const ProcessOutcome& outcome);

}  // namespace stratex::fuzz
