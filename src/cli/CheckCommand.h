#pragma once

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "document/MapDocument.h"
#include "document/TileSet.h"
#include "passes/Finding.h"
#include "passes/LevelAdvisor.h"

namespace stratex {

struct CheckRequest {
    std::filesystem::path map;          // absolute
    bool json = false;                  // findings as JSON instead of one line each
    bool werror = false;                // warnings count as errors for the exit status
    bool all = false;                   // every finding on a line of its own, not grouped
    std::vector<std::string> only;      // the codes reported, when not empty
    std::vector<std::string> disabled;  // codes not reported
    AdviceLimits limits = {};           // under-size-at-level's
};

// What check found in one map: kCliDone, or kCliNotAMap with the one finding that says why (told on err
// too). Each finding names its file.
struct CheckOutcome {
    int status = 0;
    std::vector<Finding> findings;
    TileLines lines;
    bool stepsDone = false;  // the steps ran to the end: the document holds the map after them
};

// The findings of check on one map, as RunCheck finds them, without writing them: in the outcome, or handed to
// sink as they are met (the outcome's then empty, but for a file that is no map).
CheckOutcome CheckFindings(const CheckRequest& request, MapDocument& document,
                           const std::function<bool(MapDocument&)>& openSteps,
                           const std::vector<Finding>& configFindings, std::ostream& err,
                           FindingSink* sink = nullptr);

// Writes the findings that the request reports (text, grouped or not, or JSON) and returns kCliDone or
// kCliCheckFailed.
int ReportFindings(const CheckRequest& request, std::vector<Finding> findings, std::ostream& out);

// stratex-cli check, reading the map file as it goes (never whole). openSteps runs Open MAP and the options
// on document (returning false for a file that is no Polish map); the check then judges the map and what
// Process would write with those choices. When the steps fail, the map alone is checked, and the failure is
// thrown again when that check finds no error to explain it, or else written to err beside the findings.
// Writes the findings to out as they are met (grouped ones at the end). Returns kCliDone, kCliCheckFailed
// (errors, or warnings with werror) or kCliNotAMap. Throws Error as the other commands do.
// configFindings: what openSteps found in the level config files, reported after the map's findings.
int RunCheck(const CheckRequest& request, MapDocument& document, const std::function<bool(MapDocument&)>& openSteps,
             const std::vector<Finding>& configFindings, std::ostream& out, std::ostream& err);

}  // namespace stratex
