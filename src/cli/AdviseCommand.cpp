// advise: the level the measure of the maps proposes for each type, with its reason, as a table, a level
// config file or JSON.

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bytes/Cp1251.h"
#include "bytes/FileSource.h"
#include "bytes/Integer.h"
#include "bytes/LineList.h"
#include "cli/Cli.h"
#include "cli/CliSteps.h"
#include "cli/Messages.h"
#include "cli/Report.h"
#include "document/TileSet.h"
#include "levels/LevelConfig.h"
#include "passes/LevelAdvisor.h"
#include "passes/NotAMap.h"

namespace stratex {
namespace {

// One type of the maps with what the measure proposes for it (none where no object has coordinates).
struct Proposal {
    SetType type;
    std::optional<LevelAdvice> advice;
    const TypeMeasure* measure = nullptr;
};

std::vector<int> BitsOf(const LevelsTable& levels) {
    std::vector<int> bits;
    for (const LevelRow& row : levels.rows()) bits.push_back(TryReadInteger(LeadingBits(row.value)).value_or(0));
    return bits;
}

void WriteTable(const std::vector<Proposal>& proposals, std::ostream& out) {
    static constexpr std::string_view kHeadings[] = {"POI", "Polylines", "Polygons"};
    for (const ObjectKind kind : kAllKinds) {
        std::size_t count = 0;
        for (const Proposal& p : proposals) count += p.type.kind == kind ? 1 : 0;
        out << kHeadings[static_cast<std::size_t>(kind)] << ": " << count << '\n';
        for (const Proposal& p : proposals) {
            if (p.type.kind != kind) continue;
            out << Cp1251ToUtf8(p.type.code) << '\t' << Cp1251ToUtf8(p.type.name) << '\t'
                << (p.advice ? p.advice->objects : 0) << '\t' << Cp1251ToUtf8(p.type.level) << '\t'
                << (p.advice ? std::to_string(p.advice->level) : "-") << '\t'
                << (p.advice ? p.advice->reason : "no object of the type has coordinates") << '\n';
        }
    }
}

void WriteJson(const std::vector<Proposal>& proposals, const LevelMeasure& measure, std::ostream& out) {
    nlohmann::json report;
    const AdviceLimits& limits = measure.limits();
    report["limits"] = {
        {"minSize", limits.minSize}, {"keepPercent", limits.keepPercent}, {"maxPoints", limits.maxPoints}};
    report["levels"] = nlohmann::json::array();
    for (std::size_t level = 0; level < measure.bits().size(); ++level) {
        report["levels"].push_back({{"level", level}, {"bits", measure.bits()[level]}});
    }
    for (const ObjectKind kind : kAllKinds) report[KindKey(kind)] = nlohmann::json::array();
    for (const Proposal& p : proposals) {
        const std::optional<std::int32_t> current = TryReadInteger(p.type.level);
        nlohmann::json entry = {
            {"code", Cp1251ToUtf8(p.type.code)},
            {"name", Cp1251ToUtf8(p.type.name)},
            {"objects", p.advice ? p.advice->objects : 0},
            {"level", current ? nlohmann::json(*current) : nlohmann::json(Cp1251ToUtf8(p.type.level))},
            {"proposed", p.advice ? nlohmann::json(p.advice->level) : nlohmann::json(nullptr)},
            {"reason", p.advice ? p.advice->reason : "no object of the type has coordinates"}};
        nlohmann::json perLevel = nlohmann::json::array();
        if (p.measure) {
            for (std::size_t level = 0; level < measure.bits().size(); ++level) {
                const int bits = measure.bits()[level];
                nlohmann::json figures = {{"level", level}, {"bits", bits}};
                if (p.type.kind != ObjectKind::Poi) {
                    figures["atLeast"] = p.measure->atLeast[level];
                } else if (bits <= p.measure->cellBits) {
                    figures["mostInCell"] = p.measure->mostInCell[level];
                } else {
                    figures["mostInCell"] = nullptr;  // the cell budget ran out before this level
                }
                perLevel.push_back(std::move(figures));
            }
        }
        entry["perLevel"] = std::move(perLevel);
        report[KindKey(p.type.kind)].push_back(std::move(entry));
    }
    out << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

int RunAdvise(const Options& options, const std::filesystem::path& namesFolder, std::ostream& out, std::ostream& err) {
    std::ostream discard(nullptr);
    std::ostream& warnings = options.quiet ? discard : err;
    const AdviceLimits limits{options.minSize, options.keepPercent, options.maxPoints};
    std::vector<Tile> tiles;
    std::optional<LevelMeasure> measure;
    int status = kCliDone;
    // The maps are measured one after another into one measure, on the first map's levels (after --levels).
    for (const std::string& map : options.maps) {
        Options one = options;
        one.map = map;
        MapDocument document(namesFolder);
        if (!OpenSteps(one, document, warnings, false)) {
            FileSource source(AbsolutePath(map));
            WriteNotAPolishMap(PathToUtf8(AbsolutePath(map)), WhyNotAMap(source), err);
            status = kCliNotAMap;
            continue;
        }
        if (!measure) measure.emplace(BitsOf(document.levels()), limits);
        MeasureMap(document.scannedFile(), *measure);
        tiles.push_back(Tile::Of(document));
    }
    if (tiles.empty()) return status;

    const std::vector<TypeMeasure> measured = measure->Types();
    const std::vector<LevelAdvice> advice = Advise(*measure);
    std::map<std::pair<ObjectKind, std::string>, std::size_t> byCode;
    for (std::size_t i = 0; i < advice.size(); ++i) {
        byCode[{advice[i].kind, NormalisedTypeCode(advice[i].kind, advice[i].value)}] = i;
    }
    std::vector<Proposal> proposals;
    for (SetType& type : UniteTypes(tiles, options.sort.empty() ? 1 : options.sort.front() - '0')) {
        Proposal p{std::move(type), std::nullopt, nullptr};
        if (const auto at = byCode.find({p.type.kind, p.type.code}); at != byCode.end()) {
            p.advice = advice[at->second];
            p.measure = &measured[at->second];
        }
        proposals.push_back(std::move(p));
    }

    if (!options.output.empty()) {
        std::vector<SetType> proposed;
        for (const Proposal& p : proposals) {
            proposed.push_back(p.type);
            if (p.advice) proposed.back().level = std::to_string(p.advice->level);
        }
        const LineList lines = BuildConfigLines(SetLists(proposed));
        if (options.output == "-") {
            out << JoinLinesCrLf(lines);
            CheckWritten(out);
            return status;
        }
        SaveLineFile(AbsolutePath(options.output), lines);
    }
    options.json ? WriteJson(proposals, *measure, out) : WriteTable(proposals, out);
    CheckWritten(out);
    return status;
}

}  // namespace stratex
