#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "document/MapDocument.h"
#include "passes/Finding.h"

namespace stratex {

// One line per finding, as compilers write them, so that editors can jump to it:
// "FILE:LINE: error: MESSAGE [CODE]". file is UTF-8.
void WriteFindingsText(const std::string& file, const std::vector<Finding>& findings, std::ostream& out);

// The same, but alike findings (one code, one type, one file) make one line: the first one's, with the count
// and the first lines ("...; 357 findings, first at lines 25, 31, 40"). file is UTF-8.
void WriteGroupedFindingsText(const std::string& file, const std::vector<Finding>& findings, std::ostream& out);

// The findings as a JSON array, one object per finding: "file", "line", "severity", "code", "message",
// and "kind" ("poi", "polyline", "polygon") with "type" where the finding is about one type.
void WriteFindingsJson(const std::string& file, const std::vector<Finding>& findings, std::ostream& out);

// The scan report (UTF-8, tab-separated): "Levels: N" and a line per Levels table row (KEY, VALUE), then
// per kind "POI: N" ("Polylines", "Polygons") and a line per row in list order: LEVEL, CODE, NAME, OBJECTS
// (objects of exactly that code), ENDLEVELS ("min-max" of the EndLevels they carry, one value when all
// carry the same, "-" when none does) and WITHOUT (objects without EndLevel).
void WriteScanReport(const MapDocument& document, std::ostream& out);

// The same report as a JSON object: "levels" (array of {"key", "value", "bits"}) and "poi", "polyline", "polygon"
// (arrays of {"level", "code", "name", "objects", "endLevels": {"TEXT": objects, ...}, "without"}), TEXT
// being the EndLevel as the scan reads it (the line's characters 10 and 11).
void WriteScanJson(const MapDocument& document, std::ostream& out);

// "poi", "polyline" or "polygon": how JSON reports name a kind.
std::string KindKey(ObjectKind kind);

}  // namespace stratex
