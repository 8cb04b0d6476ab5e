#include "support/Gate.h"

#include <fstream>

#include "bytes/LineList.h"
#include "bytes/Strings.h"
#include "cli/Cli.h"

namespace stratex {

GateRuns RunGate(const std::filesystem::path& folder, const std::string& bytes,
                 const std::vector<std::string>& options) {
    const std::filesystem::path map = folder / "map.mp";
    const std::filesystem::path out = folder / "out.mp";
    std::ofstream(map, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::filesystem::remove(out);
    const auto run = [&](const std::string& command, const std::filesystem::path& file,
                         std::vector<std::string> more) {
        std::vector<std::string> args = {command, PathToUtf8(file), "--names-dir", PathToUtf8(folder), "--werror"};
        args.insert(args.end(), more.begin(), more.end());
        return RunInProcess(args);
    };
    GateRuns runs{run("check", map, options), {}, std::nullopt};
    std::vector<std::string> processOptions = options;
    processOptions.insert(processOptions.end(), {"-o", PathToUtf8(out), "--quiet"});
    runs.process = run("process", map, processOptions);
    if (std::filesystem::exists(out)) runs.checkOfOutput = run("check", out, {});
    return runs;
}

std::string GateBroken(const GateRuns& runs) {
    if (runs.check.status == kCliDone) {
        if (runs.process.status != kCliDone) return "check passed the map, process failed:\n" + runs.process.err;
        if (!runs.checkOfOutput || runs.checkOfOutput->status != kCliDone) {
            return "check passed the map, the check of process's output failed:\n" +
                   (runs.checkOfOutput ? runs.checkOfOutput->out : std::string("(no output)"));
        }
    }
    if (Contains(runs.check.out, ": error: ") && runs.process.status == kCliDone &&
        (!runs.checkOfOutput || !Contains(runs.checkOfOutput->out, ": error: "))) {
        return "check failed the map, process passed it and its output checks without an error:\n" + runs.check.out;
    }
    return {};
}

}  // namespace stratex
