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

// The file is no Polish map: why, on standard error, and with --json the finding on standard output.
int NotAMapReport(const CheckRequest& request, std::ostream& out, std::ostream& err) {
    FileSource source(request.map);
    const NotAMap why = WhyNotAMap(source);
    const std::string file = PathToUtf8(request.map);
    WriteNotAPolishMap(file, why, err);
    if (request.json) WriteFindingsJson(file, {{why.line, FindingCode::NotAMap, NotAMapText(why), {}, {}, {}}}, out);
    return kCliNotAMap;
}

}  // namespace

int RunCheck(const CheckRequest& request, MapDocument& document, const std::function<bool(MapDocument&)>& openSteps,
             const std::vector<Finding>& configFindings, std::ostream& out, std::ostream& err) {
    std::optional<CheckResult> result;
    if (request.withSteps) {
        try {
            if (!openSteps(document)) return NotAMapReport(request, out, err);
            result = CheckMap(document.map(), {&document.lists(), &document.levels()});
        } catch (const Error& e) {
            CheckResult alone = CheckMap(MapText::FromFile(request.map));
            if (!HasErrors(alone.findings, false)) throw;
            // The findings explain the failure; it is told as well, since the steps did not run to the end.
            err << FailureText(e) << '\n';
            result = std::move(alone);
        }
    } else {
        result = CheckMap(MapText::FromFile(request.map));
    }
    if (!result->isPolishMap) return NotAMapReport(request, out, err);
    result->findings.insert(result->findings.end(), configFindings.begin(), configFindings.end());
    std::erase_if(result->findings, [&](const Finding& finding) { return !Reported(request, finding); });
    const std::string file = PathToUtf8(request.map);
    if (request.json) {
        WriteFindingsJson(file, result->findings, out);
    } else if (request.all) {
        WriteFindingsText(file, result->findings, out);
    } else {
        WriteGroupedFindingsText(file, result->findings, out);
    }
    return HasErrors(result->findings, request.werror) ? kCliCheckFailed : kCliDone;
}

}  // namespace stratex
