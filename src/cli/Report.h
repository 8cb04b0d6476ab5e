#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <tuple>
#include <string>
#include <vector>

#include "document/MapDocument.h"
#include "passes/Finding.h"

namespace stratex {

// Writes findings as a check hands them on, holding only what a grouped report needs:
// - Text: one line per finding, as compilers write them, so that editors can jump to it:
//   "FILE:LINE: error: MESSAGE [CODE]".
// - Grouped: alike findings (one code, one type, one file) make one line, the first one's (the lowest line),
//   with the count and the first lines ("...; 357 findings, first at lines 25, 31, 40"), the groups in the
//   order of their first lines; held per group until Finish.
// - Json: a JSON array written item by item, one object per finding: "file", "line", "severity", "code",
//   "message", and "kind" ("poi", "polyline", "polygon") with "type" where the finding is about one type.
// Findings without a file are of file (UTF-8). Only those that reported says yes to are written and counted.
class FindingWriter : public FindingSink {
public:
    enum class Form { Text, Grouped, Json };

    FindingWriter(Form form, std::string file, std::ostream& out,
                  std::function<bool(const Finding&)> reported = nullptr);
    void Add(Finding finding) override;
    // Writes what is held: the groups, or the end of the JSON array. Call once, after the last Add.
    void Finish();

    std::uint64_t errors() const { return errors_; }
    std::uint64_t warnings() const { return warnings_; }

private:
    struct Group {
        Finding first;
        std::uint64_t count = 0;
        std::vector<std::uint64_t> lines;  // the lowest, in order
        std::size_t order = 0;             // among the groups, as they came
    };

    void WriteLine(const Finding& finding, const Group* group);

    Form form_;
    std::string file_;
    std::ostream& out_;
    std::function<bool(const Finding&)> reported_;
    std::uint64_t errors_ = 0;
    std::uint64_t warnings_ = 0;
    std::uint64_t written_ = 0;
    std::map<std::tuple<FindingCode, int, std::string, std::string>, Group> groups_;
};

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
