#include "cli/CheckCommand.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "bytes/Error.h"
#include "bytes/FileSource.h"
#include "bytes/LineList.h"
#include "bytes/Strings.h"
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
                           const std::vector<Finding>& configFindings, std::ostream& err, FindingSink* sink) {
    const std::string file = PathToUtf8(request.map);
    const auto notAMap = [&] {
        FileSource source(request.map);
        const NotAMap why = WhyNotAMap(source);
        WriteNotAPolishMap(file, why, err);
        return CheckOutcome{kCliNotAMap, {{why.line, FindingCode::NotAMap, NotAMapText(why), {}, {}, file}}, {}};
    };
    // Each finding names its file on its way to the sink, or to the outcome.
    struct Named : FindingSink {
        const std::string& file;
        FindingSink* to;
        std::vector<Finding> held;
        Named(const std::string& f, FindingSink* s) : file(f), to(s) {}
        void Add(Finding finding) override {
            if (finding.file.empty()) finding.file = file;
            to ? to->Add(std::move(finding)) : held.push_back(std::move(finding));
        }
    } named(file, sink);
    std::optional<CheckResult> result;
    bool stepsDone = false;
    try {
        if (!openSteps(document)) return notAMap();
        stepsDone = true;
    } catch (const Error& e) {
        CheckResult alone = CheckMap(MapFile(request.map));
        if (!HasErrors(alone.findings, false)) throw;
        // The findings explain the failure; it is told as well, since the steps did not run to the end.
        err << FailureText(e) << '\n';
        if (alone.isPolishMap) {
            for (Finding& finding : alone.findings) named.Add(std::move(finding));
        }
        alone.findings.clear();
        result = std::move(alone);
    }
    if (stepsDone) {
        const StreamFacts facts = document.scannedFacts();
        result = CheckMap(document.scannedFile(),
                          {&document.lists(), &document.levels(), document.useDictionary(), &facts, request.limits},
                          named);
    }
    if (!result->isPolishMap) return notAMap();
    for (const Finding& finding : configFindings) named.Add(finding);
    CheckOutcome outcome{kCliDone, std::move(named.held), {std::move(result->levelLines), std::move(result->typeLines)}};
    outcome.stepsDone = stepsDone;
    return outcome;
}

// The writer of the report the request asks for.
FindingWriter WriterFor(const CheckRequest& request, std::ostream& out) {
    const FindingWriter::Form form = request.json ? FindingWriter::Form::Json
                                     : request.all ? FindingWriter::Form::Text
                                                   : FindingWriter::Form::Grouped;
    return FindingWriter(form, {}, out, [&request](const Finding& finding) { return Reported(request, finding); });
}

int ReportFindings(const CheckRequest& request, std::vector<Finding> findings, std::ostream& out) {
    FindingWriter writer = WriterFor(request, out);
    for (Finding& finding : findings) writer.Add(std::move(finding));
    writer.Finish();
    return writer.errors() > 0 || (request.werror && writer.warnings() > 0) ? kCliCheckFailed : kCliDone;
}

int RunCheck(const CheckRequest& request, MapDocument& document, const std::function<bool(MapDocument&)>& openSteps,
             const std::vector<Finding>& configFindings, std::ostream& out, std::ostream& err) {
    FindingWriter writer = WriterFor(request, out);
    CheckOutcome outcome = CheckFindings(request, document, openSteps, configFindings, err, &writer);
    if (outcome.status == kCliNotAMap) {
        // A JSON reader gets the reason as the one finding, whatever the codes asked for.
        if (request.json) {
            FindingWriter reason(FindingWriter::Form::Json, {}, out);
            reason.Add(outcome.findings.front());
            reason.Finish();
        }
        return kCliNotAMap;
    }
    writer.Finish();
    return writer.errors() > 0 || (request.werror && writer.warnings() > 0) ? kCliCheckFailed : kCliDone;
}

}  // namespace stratex
