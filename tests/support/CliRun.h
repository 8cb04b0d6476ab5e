#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace stratex {

// What one run of stratex-cli in-process gave.
struct CliRun {
    int status;
    std::string out;
    std::string err;
};

// Runs stratex-cli with args (without the program name) in this process, its report and messages caught.
inline CliRun RunInProcess(std::vector<std::string> args) {
    args.insert(args.begin(), "stratex-cli");
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace stratex
