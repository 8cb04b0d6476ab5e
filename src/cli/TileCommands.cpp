// scan, config, check and process of a set of tiles: each map is taken as the command would take it alone,
// side by side, and the set's reports are made from what every map said.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bytes/ByteSource.h"
#include "bytes/Cp1251.h"
#include "bytes/Error.h"
#include "bytes/FileSource.h"
#include "bytes/Integer.h"
#include "bytes/LineList.h"
#include "cli/CheckCommand.h"
#include "cli/Cli.h"
#include "cli/CliSteps.h"
#include "cli/Messages.h"
#include "cli/ProgressLine.h"
#include "cli/Report.h"
#include "document/TileSet.h"
#include "levels/LevelConfig.h"
#include "passes/NotAMap.h"
#include "passes/Parallel.h"

namespace stratex {
namespace {

// What one map of the set gave: its status, its messages for standard error, and what the command keeps.
struct TileRun {
    int status = kCliDone;
    std::string messages;
    std::optional<Tile> tile;
    CheckOutcome check;
    std::vector<Finding> configFindings;  // the problems of the level config files with this map's lists
    std::string report;                   // process: the map's line of the report
    EndLevelCounts counts;                // process: what it did to the EndLevel lines
};

// Never more threads than maps.
std::size_t Jobs(const Options& options) {
    return std::min(options.jobs > 0 ? options.jobs : Processors(), options.maps.size());
}

// Runs work on every map side by side and hands each run, in the maps' order, to done as soon as the runs
// before it are done: its messages go to standard error, then done writes its report.
template <typename Work, typename Done>
void RunMaps(const Options& options, ProgressLine& progress, std::ostream& err, const Work& work, const Done& done) {
    std::vector<TileRun> runs(options.maps.size());
    std::vector<bool> finished(runs.size(), false);
    std::mutex order;
    std::size_t next = 0;
    RunSideBySide(runs.size(), Jobs(options), [&](std::size_t i) {
        Options one = options;
        one.map = options.maps[i];
        try {
            work(i, one, runs[i]);
        } catch (const Error& failure) {
            runs[i].messages += FailureText(failure) + '\n';
            runs[i].status = std::max(runs[i].status, static_cast<int>(kCliFailure));
        } catch (const std::exception& e) {
            runs[i].messages += MessagePrefix(PathToUtf8(AbsolutePath(one.map))) + WithFullStop(e.what()) + '\n';
            runs[i].status = std::max(runs[i].status, static_cast<int>(kCliFailure));
        }
        progress.MapDone();
        const std::lock_guard lock(order);
        finished[i] = true;
        for (; next < runs.size() && finished[next]; ++next) {
            {
                const std::lock_guard drawing(progress.mutex());
                progress.ClearForMessages();
                err << runs[next].messages;
            }
            done(next, runs[next]);
            runs[next].messages.clear();
        }
    });
}

// Open MAP and the steps of one map, scanned as it is read: its tile, or why there is none.
void OpenTile(const Options& one, const std::filesystem::path& namesFolder, bool warn, TileRun& run) {
    MapDocument document(namesFolder);
    std::ostringstream messages;
    std::ostream discard(nullptr);
    if (OpenSteps(one, document, warn && !one.quiet ? messages : discard, false,
                  warn ? &run.configFindings : nullptr)) {
        run.tile = Tile::Of(document);
    } else {
        FileSource source(AbsolutePath(one.map));
        WriteNotAPolishMap(PathToUtf8(AbsolutePath(one.map)), WhyNotAMap(source), messages);
        run.status = kCliNotAMap;
    }
    run.messages += messages.str();
}

// The problems of the level config files over a set: a line that names a type of no map, and the other
// problems once each.
class ConfigProblems {
public:
    void Add(const std::vector<Finding>& ofMap) {
        std::set<std::pair<std::string, std::uint64_t>> unknownHere;
        for (const Finding& finding : ofMap) {
            const auto where = std::make_pair(finding.file, finding.line);
            if (finding.code != FindingCode::ConfigUnknownType) {
                if (others_.insert(where).second) findings_.push_back(finding);
                continue;
            }
            unknownHere.insert(where);
            if (maps_ == 0) findings_.push_back(finding);
        }
        // A line that names a type of this map is no problem of the set.
        std::erase_if(findings_, [&](const Finding& finding) {
            return finding.code == FindingCode::ConfigUnknownType &&
                   !unknownHere.contains(std::make_pair(finding.file, finding.line));
        });
        ++maps_;
    }
    const std::vector<Finding>& findings() const { return findings_; }

private:
    std::vector<Finding> findings_;
    std::set<std::pair<std::string, std::uint64_t>> others_;
    std::size_t maps_ = 0;
};

// The tiles of every map that opened, in order, and the highest status met.
struct OpenedSet {
    std::vector<Tile> tiles;
    ConfigProblems config;
    int status = kCliDone;
};

OpenedSet OpenAll(const Options& options, const std::filesystem::path& namesFolder, std::ostream& err) {
    OpenedSet set;
    std::uint64_t total = 0;
    for (const std::string& map : options.maps) total += FileBytes(map);
    ProgressLine progress(options, total, err);
    RunMaps(
        options, progress, err,
        [&](std::size_t, const Options& one, TileRun& run) {
            OpenTile(one, namesFolder, true, run);
            progress.AddBytes(FileBytes(one.map));
        },
        [&](std::size_t, TileRun& run) {
            set.status = std::max(set.status, run.status);
            if (!run.tile) return;
            set.tiles.push_back(std::move(*run.tile));
            set.config.Add(run.configFindings);
        });
    progress.Finish();
    if (!options.quiet) WarnAboutConfig(set.config.findings(), err);
    return set;
}

// The set's disagreements about types, as warnings on standard error (config of a set).
void WarnAboutTypes(const std::vector<Finding>& findings, std::ostream& err) {
    for (const Finding& finding : findings) {
        if (finding.code != FindingCode::TypeLevelDiffers) continue;
        err << MessagePrefix() << "warning: " << finding.message << '\n';
    }
}

std::string LevelText(const std::string& level) { return Cp1251ToUtf8(level); }

nlohmann::json LevelJson(const std::string& level) {
    const std::optional<std::int32_t> number = TryReadInteger(level);
    return number ? nlohmann::json(*number) : nlohmann::json(Cp1251ToUtf8(level));
}

// scan of a set, as text: the maps, the first map's Levels table, then per kind the types of the union: the
// set's level, code, name, objects over the set, and a column per map: LEVEL:OBJECTS, or "-".
void WriteSetScan(const std::vector<Tile>& tiles, const std::vector<SetType>& types, std::ostream& out) {
    out << "Maps: " << tiles.size() << '\n';
    for (const Tile& tile : tiles) out << PathToUtf8(tile.path) << '\n';
    const auto& levels = tiles.front().levels.rows();
    out << "Levels: " << levels.size() << '\n';
    for (const auto& row : levels) out << Cp1251ToUtf8(row.key) << '\t' << Cp1251ToUtf8(row.value) << '\n';
    static constexpr std::string_view kHeadings[] = {"POI", "Polylines", "Polygons"};
    for (const ObjectKind kind : kAllKinds) {
        const auto count = std::count_if(types.begin(), types.end(), [&](const SetType& t) { return t.kind == kind; });
        out << kHeadings[static_cast<std::size_t>(kind)] << ": " << count << '\n';
        for (const SetType& type : types) {
            if (type.kind != kind) continue;
            out << LevelText(type.level) << '\t' << Cp1251ToUtf8(type.code) << '\t' << Cp1251ToUtf8(type.name) << '\t'
                << type.objects();
            for (const auto& tile : type.tiles) {
                out << '\t' << (tile ? LevelText(tile->level) + ":" + std::to_string(tile->objects) : "-");
            }
            out << '\n';
        }
    }
}

void WriteSetScanJson(const std::vector<Tile>& tiles, const std::vector<SetType>& types, std::ostream& out) {
    nlohmann::json report;
    report["maps"] = nlohmann::json::array();
    for (const Tile& tile : tiles) {
        nlohmann::json levels = nlohmann::json::array();
        for (const auto& row : tile.levels.rows()) {
            levels.push_back({{"key", Cp1251ToUtf8(row.key)}, {"value", Cp1251ToUtf8(row.value)}});
        }
        report["maps"].push_back({{"file", PathToUtf8(tile.path)}, {"levels", std::move(levels)}});
    }
    for (const ObjectKind kind : kAllKinds) report[KindKey(kind)] = nlohmann::json::array();
    for (const SetType& type : types) {
        nlohmann::json perMap = nlohmann::json::array();
        for (const auto& tile : type.tiles) {
            perMap.push_back(tile ? nlohmann::json{{"level", LevelJson(tile->level)}, {"objects", tile->objects}}
                                  : nlohmann::json(nullptr));
        }
        report[KindKey(type.kind)].push_back({{"level", LevelJson(type.level)},
                                              {"code", Cp1251ToUtf8(type.code)},
                                              {"name", Cp1251ToUtf8(type.name)},
                                              {"objects", type.objects()},
                                              {"differs", type.TilesDisagree()},
                                              {"maps", std::move(perMap)}});
    }
    out << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

int RunSetScanOrConfig(const Options& options, const std::filesystem::path& namesFolder, std::ostream& out,
                       std::ostream& err) {
    OpenedSet set = OpenAll(options, namesFolder, err);
    if (set.tiles.empty()) return set.status;
    const int sortColumn = options.sort.empty() ? 1 : options.sort.front() - '0';
    const std::vector<SetType> types = UniteTypes(set.tiles, sortColumn);
    if (options.command == Command::Scan) {
        options.json ? WriteSetScanJson(set.tiles, types, out) : WriteSetScan(set.tiles, types, out);
        return set.status;
    }
    // A set's levels without one of its maps would be no set's levels: nothing is written.
    if (set.status != kCliDone) return set.status;
    if (!options.quiet) WarnAboutTypes(SetFindings(set.tiles, types, {}), err);
    const LineList lines = BuildConfigLines(SetLists(types));
    if (options.output == "-") {
        out << JoinLinesCrLf(lines);
        CheckWritten(out);
    } else {
        SaveLineFile(AbsolutePath(options.output), lines);
    }
    return set.status;
}

int RunSetCheck(const Options& options, const std::filesystem::path& namesFolder, std::ostream& out,
                std::ostream& err) {
    CheckRequest request{{},           options.json,     options.werror,
                         options.all,  options.only,     options.disabled,
                         {options.minSize, options.keepPercent, options.maxPoints}};
    std::vector<Finding> findings;
    std::vector<Tile> tiles;
    std::vector<TileLines> lines;
    ConfigProblems config;
    int status = kCliDone;
    ProgressLine progress(options, 0, err);
    RunMaps(
        options, progress, err,
        [&](std::size_t, const Options& one, TileRun& run) {
            CheckRequest mine = request;
            mine.map = AbsolutePath(one.map);
            std::ostringstream messages;
            std::ostream discard(nullptr);
            MapDocument document(namesFolder);
            run.check = CheckFindings(
                mine, document,
                [&](MapDocument& doc) {
                    return OpenSteps(one, doc, one.quiet ? discard : messages, false, &run.configFindings);
                },
                {}, messages);
            run.messages = messages.str();
            run.status = run.check.status;
            // The set's findings need the map's levels and types after the steps: those the check's own steps
            // left, where it took them; else the map is opened for them.
            if (run.status != kCliDone) return;
            if (run.check.stepsDone) {
                run.tile = Tile::Of(document);
            } else {
                OpenTile(one, namesFolder, false, run);
            }
        },
        [&](std::size_t, TileRun& run) {
            status = std::max(status, run.status);
            findings.insert(findings.end(), run.check.findings.begin(), run.check.findings.end());
            if (run.tile) {
                tiles.push_back(std::move(*run.tile));
                lines.push_back(std::move(run.check.lines));
                config.Add(run.configFindings);
            }
        });
    progress.Finish();
    findings.insert(findings.end(), config.findings().begin(), config.findings().end());
    if (!tiles.empty()) {
        const std::vector<Finding> ofSet = SetFindings(tiles, UniteTypes(tiles, 1), lines);
        findings.insert(findings.end(), ofSet.begin(), ofSet.end());
    }
    return std::max(status, ReportFindings(request, std::move(findings), out));
}

// "written to OUT", with --summary its counts ("; EndLevel lines: 12 inserted, 3 replaced, 80 unchanged").
std::string ProcessedText(const Options& options, const std::filesystem::path& output, const EndLevelCounts& counts) {
    std::string text = options.dryRun ? "processed, nothing written" : "written to " + PathToUtf8(output);
    if (options.summary) text += "; EndLevel lines: " + CountsText(counts);
    return text;
}

int RunSetProcess(const Options& options, const std::filesystem::path& namesFolder,
                  const std::vector<std::filesystem::path>& outputs, std::ostream& out, std::ostream& err) {
    if (!options.outputDir.empty() && !options.dryRun)
        std::filesystem::create_directories(AbsolutePath(options.outputDir));
    std::optional<LineList> setLevels;
    if (options.sameLevels) {
        Options quiet = options;
        quiet.quiet = true;  // the maps warn once, when they are processed
        OpenedSet set = OpenAll(quiet, namesFolder, err);
        if (set.status != kCliDone) return set.status;
        setLevels = BuildConfigLines(SetLists(UniteTypes(set.tiles, 1)));
    }
    std::uint64_t total = 0;
    for (const std::string& map : options.maps) total += FileBytes(map);
    ProgressLine progress(options, total, err);
    int status = kCliDone;
    std::size_t written = 0;
    EndLevelCounts overall;
    ConfigProblems config;
    RunMaps(
        options, progress, err,
        [&](std::size_t i, const Options& one, TileRun& run) {
            MapDocument document(namesFolder);
            std::ostringstream messages;
            std::ostream discard(nullptr);
            std::ostream& warnings = one.quiet ? discard : messages;
            if (!OpenSteps(one, document, warnings, false, &run.configFindings)) {
                FileSource source(AbsolutePath(one.map));
                WriteNotAPolishMap(PathToUtf8(AbsolutePath(one.map)), WhyNotAMap(source), messages);
                run.messages = messages.str();
                run.status = kCliNotAMap;
                return;
            }
            if (setLevels) document.ApplyConfig(*setLevels);
            ProcessSummary summary;
            bool done = true;
            if (options.dryRun) {
                NullSink nothing;
                document.ProcessFileTo(nothing, &summary);
                progress.AddBytes(FileBytes(one.map));
            } else {
                done = document.ProcessFileTo(outputs[i], &summary, options.werror, progress.BytesCallback());
            }
            WarnAboutProcess(document, options.werror ? messages : warnings);
            run.messages += messages.str();
            if (!done || (options.werror && document.processWarnings().any())) {
                run.status = kCliCheckFailed;
                return;
            }
            run.counts = summary.Total();
            run.report = PathToUtf8(AbsolutePath(one.map)) + ": " +
                         ProcessedText(options, options.dryRun ? std::filesystem::path() : outputs[i], run.counts) +
                         '\n';
        },
        [&](std::size_t, TileRun& run) {
            status = std::max(status, run.status);
            if (run.status != kCliNotAMap) config.Add(run.configFindings);
            if (run.report.empty()) return;
            ++written;
            overall += run.counts;
            out << run.report;
        });
    progress.Finish();
    if (!options.quiet) WarnAboutConfig(config.findings(), err);
    out << options.maps.size() << " maps: " << written << (options.dryRun ? " processed" : " written");
    if (written < options.maps.size()) out << ", " << options.maps.size() - written << " failed";
    if (options.summary) out << "; EndLevel lines: " << CountsText(overall);
    out << '\n';
    CheckWritten(out);
    return status;
}

}  // namespace

int RunTileSet(const Options& options, const std::filesystem::path& namesFolder,
               const std::vector<std::filesystem::path>& outputs, std::ostream& out, std::ostream& err) {
    switch (options.command) {
        case Command::Check:
            return RunSetCheck(options, namesFolder, out, err);
        case Command::Process:
            return RunSetProcess(options, namesFolder, outputs, out, err);
        default:
            return RunSetScanOrConfig(options, namesFolder, out, err);
    }
}

}  // namespace stratex
