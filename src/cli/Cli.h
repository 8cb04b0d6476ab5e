#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace stratex {

// Exit statuses of stratex-cli.
// kCliCheckFailed: check found errors (or warnings, with --werror).
enum CliStatus { kCliDone = 0, kCliFailure = 1, kCliBadUsage = 2, kCliNotAMap = 3, kCliCheckFailed = 4 };

// Runs stratex-cli with args (args[0] is the program name), writing the report to out and messages to err
// (both UTF-8). Returns the exit status. errIsTerminal: standard error is a terminal, where long runs
// show their progress.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal = false);

}  // namespace stratex
