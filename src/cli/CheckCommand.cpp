#include "cli/CheckCommand.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "bytes/Error.h"
#include "bytes/FileSource.h"
#include "bytes/LineList.h"
#include "cli/Cli.h"
#include "cli/Messages.h"
#include "cli/Report.h"
#include "passes/MapChecker.h"
#include "passes/NotAMap.h"
#include "passes/Parts.h"

namespace stratex {
namespace {

bool HasErrors(const std::vector<Finding>& findings, bool werror) {
    for (const Finding& finding : findings) {
        if (werror || finding.severity() == Severity::Error) return true;
    }
    return false;
}

// Whether the request reports finding's code (--only, --disable).
bool Reported(const CheckRequest& request, const Finding& finding) {
    const std::string name(InfoOf(finding.code).name);
    const auto named = [&](const std::vector<std::string>& codes) {
        return std::find(codes.begin(), codes.end(), name) != codes.end();
    };
    return (request.only.empty() || named(request.only)) && !named(request.disabled);
}

// The map file as it is now.
FileParts MapFile(const std::filesystem::path& path) { return FileParts(path, FileSource(path).stamp()); }

}  // namespace

CheckOutcome CheckFindings(const CheckRequest& request, MapDocument& document,
                           const std::function<bool(MapDocument&)>& openSteps,
                           const std::vector<Finding>& configFindings, std::ostream& err) {
    const std::string file = PathToUtf8(request.map);
    const auto notAMap = [&] {
        FileSource source(request.map);
        const NotAMap why = WhyNotAMap(source);
        WriteNotAPolishMap(file, why, err);
        return CheckOutcome{kCliNotAMap, {{why.line, FindingCode::NotAMap, NotAMapText(why), {}, {}, file}}, {}};
    };
    std::optional<CheckResult> result;
    bool stepsDone = false;
    try {
        if (!openSteps(document)) return notAMap();
        stepsDone = true;
        const StreamFacts facts = document.scannedFacts();
        result = CheckMap(document.scannedFile(),
                          {&document.lists(), &document.levels(), document.useDictionary(), &facts});
    } catch (const Error& e) {
        CheckResult alone = CheckMap(MapFile(request.map));
        if (!HasErrors(alone.findings, false)) throw;
        // The findings explain the failure; it is told as well, since the steps did not run to the end.
        err << FailureText(e) << '\n';
        stepsDone = false;
        result = std::move(alone);
    }
    if (!result->isPolishMap) return notAMap();
    CheckOutcome outcome{
        kCliDone, std::move(result->findings), {std::move(result->levelLines), std::move(result->typeLines)}};
    outcome.stepsDone = stepsDone;
    outcome.findings.insert(outcome.findings.end(), configFindings.begin(), configFindings.end());
    for (Finding& finding : outcome.findings) {
        if (finding.file.empty()) finding.file = file;
    }
    return outcome;
}

int ReportFindings(const CheckRequest& request, std::vector<Finding> findings, std::ostream& out) {
    std::erase_if(findings, [&](const Finding& finding) { return !Reported(request, finding); });
    if (request.json) {
        WriteFindingsJson({}, findings, out);
    } else if (request.all) {
        WriteFindingsText({}, findings, out);
    } else {
        WriteGroupedFindingsText({}, findings, out);
    }
    return HasErrors(findings, request.werror) ? kCliCheckFailed : kCliDone;
}

int RunCheck(const CheckRequest& request, MapDocument& document, const std::function<bool(MapDocument&)>& openSteps,
             const std::vector<Finding>& configFindings, std::ostream& out, std::ostream& err) {
    CheckOutcome outcome = CheckFindings(request, document, openSteps, configFindings, err);
    if (outcome.status == kCliNotAMap) {
        // A JSON reader gets the reason as the one finding, whatever the codes asked for.
        if (request.json) WriteFindingsJson({}, outcome.findings, out);
        return kCliNotAMap;
    }
    return ReportFindings(request, std::move(outcome.findings), out);
}

}  // namespace stratex
