#include "cli/Cli.h"

namespace stratex {

int RunCli(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
    err << "stratex-cli: not built yet\n";
    return kCliBadUsage;
}

}  // namespace stratex
