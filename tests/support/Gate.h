#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/CliRun.h"

namespace stratex {

// The make rule's three runs on one map, in a folder that holds the type name files: check MAP OPTIONS
// --werror, process MAP OPTIONS -o OUT --werror, and check OUT --werror where process wrote OUT.
struct GateRuns {
    CliRun check;
    CliRun process;
    std::optional<CliRun> checkOfOutput;
};

// Writes bytes as map.mp into folder (options may name files there) and runs the gate on it.
GateRuns RunGate(const std::filesystem::path& folder, const std::string& bytes,
                 const std::vector<std::string>& options);

// What the gate promises, or why runs break it: when check passes, process passes and its output checks
// clean; when check reports an error, process fails or its output checks with an error. Empty when kept.
std::string GateBroken(const GateRuns& runs);

}  // namespace stratex
