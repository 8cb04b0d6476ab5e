#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "bytes/Cp1251.h"
#include "bytes/Error.h"
#include "bytes/FileSource.h"
#include "bytes/Integer.h"
#include "bytes/MapText.h"
#include "bytes/Strings.h"
#include "bytes/WindowsApi.h"
#include "cli/CheckCommand.h"
#include "cli/CliSteps.h"
#include "cli/Messages.h"
#include "cli/ProgressLine.h"
#include "cli/Report.h"
#include "document/MapDocument.h"
#include "grammar/ObjectKind.h"
#include "levels/Dictionary.h"
#include "levels/LevelConfig.h"
#include "levels/LevelsTable.h"
#include "passes/MapChecker.h"
#include "passes/NotAMap.h"
#include "passes/ProcessSummary.h"
#include "types/TypeList.h"
#include "types/TypeNames.h"

namespace stratex {
namespace {

constexpr std::string_view kFooter = R"(Steps, in this order: Open MAP (with --dictionary: the dictionary option on),
Show All (--show-all), a stable sort of all three type lists by column N (--sort),
Open CFG (each --config, in the order given), the Levels table replaced (--levels),
then the command's own step.
Type name files poi.txt, polyline.txt and polygon.txt are read from --names-dir, else
from the working folder, else from the folder Stratex installs them in.
Files are written as single-byte text with CR LF after every line; an existing file
is replaced atomically (through a symbolic link, its target), a device or FIFO is
written directly, and -o - writes standard output. process -o may name MAP itself;
-o never names another input (MAP for config and dictionary, a --config file, a
type name file).

scan report (UTF-8, tab-separated):
  Levels: <rows>                          then one line per row: KEY <tab> VALUE
  POI: <rows>, Polylines: <rows>, Polygons: <rows>
                                          each followed by one line per type in list order:
                                          LEVEL <tab> CODE <tab> NAME <tab> OBJECTS <tab>
                                          ENDLEVELS <tab> WITHOUT
  OBJECTS is the number of objects of the map whose type is exactly CODE, ENDLEVELS
  the lowest-highest EndLevel they carry ("-" for none), WITHOUT how many have none.
  scan --json writes the same report as a JSON object.

check prints one line per problem: FILE:LINE: error|warning: MESSAGE [CODE]
(--json: a JSON array of {file, line, severity, code, message[, kind, type]});
the codes and their severities are listed in the manual page stratex-cli(1).
advise prints per kind one line per type: CODE <tab> NAME <tab> OBJECTS <tab> LEVEL
<tab> PROPOSED <tab> REASON; -o writes the proposals as a level config file.
process --summary prints per type how many EndLevel lines were inserted, replaced
or left unchanged; --dry-run does everything but write (no -o needed).

Messages go to stderr as "stratex-cli: FILE:LINE: message"; warnings (a --dictionary
map without [DICTIONARY], a --levels map without Levels=, config lines that name no
listed type) leave the exit status alone and --quiet silences them.
Exit status: 0 done; 1 failure; 2 bad usage or an -o that names an input;
3 the file is no Polish map (no line contains "[END-IMG ID]"; nothing is written);
4 check found errors (with --werror: errors or warnings).

Several maps (the tiles of a map set): scan, config and check report on the set,
process writes each map with -O DIR or --in-place; the exit status is the highest met.)";

// The names of the check codes, for --only and --disable.
std::vector<std::string> FindingCodeNames() {
    std::vector<std::string> names;
    for (const FindingCodeInfo& info : kFindingCodes) names.emplace_back(info.name);
    return names;
}

// The most maps -j takes side by side.
constexpr int kMaxJobs = 64;

// The path "-" given to -o: standard output.
constexpr std::string_view kStandardOutput = "-";

// "24,21,18": one to ten bit counts, each one or two decimal digits, so that Process writes each back
// exactly as given.
std::optional<std::vector<int>> ParseLevels(std::string_view text) {
    std::vector<int> bits;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        if (item.empty() || item.size() > 2) return std::nullopt;
        int value = 0;
        for (const char c : item) {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        bits.push_back(value);
        if (bits.size() > LevelsTable::kMaxRows) return std::nullopt;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return bits;
}

// Command-line arguments are UTF-8 on every platform.
std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

// The folder Stratex installs the type name files in: a fixed folder, or on Windows the executable's.
std::filesystem::path InstalledNamesFolder() {
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    buffer.resize(length);
    return std::filesystem::path(buffer).parent_path();
#else
    return STRATEX_INSTALLED_NAMES_DIR;
#endif
}

bool HoldsTypeNameFiles(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::all_of(kAllKinds.begin(), kAllKinds.end(), [&](ObjectKind kind) {
        return std::filesystem::is_regular_file(folder / TypeNameFileName(kind), ec);
    });
}

// The warnings about choices that do not do what they seem to, once the map is open and the configs
// are applied.
void WarnAboutMap(const Options& options, const MapDocument& document, std::ostream& err) {
    const std::string map = PathToUtf8(document.mapPath());
    if (options.dictionary && !document.figures().hasDictionary) {
        err << MessagePrefix(map) << "warning: the map has no [DICTIONARY] section, so with --dictionary every "
            << "type starts at level 0\n";
    }
    if (options.levels && options.command == Command::Process && !document.figures().hasLevelsLine) {
        err << MessagePrefix(map) << "warning: the header has no Levels= line, so --levels leaves the level "
            << "header of the map as it is\n";
    }
}

// The problems of a level config file, per line: a name that set no row and names no type of the type name
// files (with the spelling that would have set one), or a level that is no whole number, on which process
// and dictionary will fail for a type that uses it. check reports them as findings; the other commands warn.
std::vector<Finding> ConfigFindings(const std::filesystem::path& config, const LineList& lines,
                                    const std::vector<UnmatchedConfigLine>& unmatched, const TypeNameFiles& names) {
    const std::string file = PathToUtf8(config);
    std::vector<Finding> findings;
    for (const ConfigProblem& problem : FindConfigProblems(lines, unmatched, names)) {
        if (problem.kind == ConfigProblem::Kind::UnknownType) {
            std::string message = "'" + Cp1251ToUtf8(problem.text) + "' names no type of the lists";
            if (!problem.hint.empty()) message += "; did you mean '" + Cp1251ToUtf8(problem.hint) + "'?";
            findings.push_back({problem.line, FindingCode::ConfigUnknownType, std::move(message), {}, {}, file});
        } else {
            findings.push_back({problem.line,
                                FindingCode::ConfigLevel,
                                "the level '" + Cp1251ToUtf8(problem.text) + "' is not a valid integer value",
                                {},
                                {},
                                file});
        }
    }
    return findings;
}

// config and dictionary: writes what Save CFG or Save DIC would write to -o, or to standard output.
void WriteOutput(const Options& options, MapDocument& document, std::ostream& out) {
    const bool config = options.command == Command::Config;
    if (options.output != kStandardOutput) {
        const std::filesystem::path output = AbsolutePath(options.output);
        config ? document.SaveConfig(output) : document.SaveDictionary(output);
        return;
    }
    DictionaryTables tables = document.tables();
    out << JoinLinesCrLf(config ? BuildConfigLines(document.lists()) : BuildDictionary(document.lists(), tables));
    CheckWritten(out);
}

// Process into standard output, or into nothing for --dry-run.
class StreamSink : public ByteSink {
public:
    StreamSink(std::ostream* out, ProgressLine& progress) : out_(out), progress_(progress) {}
    void Write(std::string_view bytes) override {
        if (progress_.shown()) progress_.AddBytes(bytes.size());
        if (out_ == nullptr) return;
        out_->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!*out_) throw Error("Cannot write to standard output");
    }

private:
    std::ostream* out_;
    ProgressLine& progress_;
};

// process: Process streamed from the map file into -o (replaced atomically), standard output or nothing.
// With --werror, a Process that warns writes no file and ends with the status of a failed check.
int RunProcess(const Options& options, MapDocument& document, std::ostream& out, std::ostream& err,
               std::ostream& warnings) {
    ProcessSummary summary;
    ProcessSummary* counted = options.summary ? &summary : nullptr;
    bool written = true;
    // A large map shows its progress on a terminal.
    ProgressLine progress(options, FileBytes(options.map), err);
    if (options.dryRun || options.output == kStandardOutput) {
        StreamSink sink(options.dryRun ? nullptr : &out, progress);
        document.ProcessFileTo(sink, counted);
        CheckWritten(out);
    } else {
        written =
            document.ProcessFileTo(AbsolutePath(options.output), counted, options.werror, progress.BytesCallback());
    }
    progress.Finish();
    WarnAboutProcess(document, options.werror ? err : warnings);
    // With the map on standard output, the summary goes beside it on standard error.
    if (options.summary && written) {
        (options.output == kStandardOutput && !options.dryRun ? err : out) << summary.ToText(options.summaryAll);
    }
    return options.werror && document.processWarnings().any() ? kCliCheckFailed : kCliDone;
}

// Runs the steps of one command on a fresh document. Throws Error (and whatever the file system throws).
int RunCommand(const Options& options, std::ostream& out, std::ostream& err) {
    std::filesystem::path namesFolder;
    try {
        namesFolder = TypeNameFolder(options);
    } catch (const Error&) {
        // check needs no names: it names the types where the files are found.
        if (options.command != Command::Check || !options.namesDir.empty()) throw;
    }
    const std::vector<std::filesystem::path> outputs = PlannedOutputs(options);
    if (const auto refused = RefusedOutputs(options, outputs, namesFolder)) {
        err << MessagePrefix() << *refused << ".\n";
        return kCliBadUsage;
    }
    if (options.command == Command::Advise) return RunAdvise(options, namesFolder, out, err);
    if (options.maps.size() > 1 || !options.outputDir.empty() || options.inPlace) {
        return RunTileSet(options, namesFolder, outputs, out, err);
    }
    std::ostream discard(nullptr);  // --quiet: warnings go nowhere
    std::ostream& warnings = options.quiet ? discard : err;
    MapDocument document(namesFolder);
    if (options.command == Command::Check) {
        // check judges the map and the map that Process would write with the same choices (none: Process's
        // own after Open MAP).
        const CheckRequest request{AbsolutePath(options.map),
                                   options.json,
                                   options.werror,
                                   options.all,
                                   options.only,
                                   options.disabled,
                                   {options.minSize, options.keepPercent, options.maxPoints}};
        // The config files' problems are findings of the check, not warnings beside it.
        std::vector<Finding> configFindings;
        return RunCheck(
            request, document,
            [&](MapDocument& doc) { return OpenSteps(options, doc, warnings, false, &configFindings); }, configFindings,
            out, err);
    }
    if (!OpenSteps(options, document, warnings, false)) {
        FileSource source(AbsolutePath(options.map));
        WriteNotAPolishMap(PathToUtf8(AbsolutePath(options.map)), WhyNotAMap(source), err);
        return kCliNotAMap;
    }

    if (options.command == Command::Scan) {
        if (options.json) {
            WriteScanJson(document, out);
        } else {
            WriteScanReport(document, out);
        }
        return kCliDone;
    }
    if (options.command == Command::Process) {
        return RunProcess(options, document, out, err, warnings);
    } else {
        WriteOutput(options, document, out);
    }
    return kCliDone;
}

// RunCommand, and the report it wrote must have reached standard output.
int RunReportedCommand(const Options& options, std::ostream& out, std::ostream& err) {
    const int status = RunCommand(options, out, err);
    CheckWritten(out);
    return status;
}

// The limits of the level advisor (advise; check's under-size-at-level), points only for advise.
void AddAdviceOptions(CLI::App& command, Options& options, bool points) {
    command.add_option("--min-size", options.minSize, "the size limit in map units at each level's resolution (default 8)")
        ->type_name("N")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1} << 24));
    command
        .add_option("--keep", options.keepPercent,
                    "the share of a type's polygons or polylines that must be at least that size (default 50)")
        ->type_name("PERCENT")
        ->check(CLI::Range(1, 100));
    if (points) {
        command.add_option("--max-points", options.maxPoints, "the most points of a type in one cell of 256x256 "
                                                              "units of a level (default 32)")
            ->type_name("N")
            ->check(CLI::Range(1u, 1000000000u));
    }
}

// The options of one command beyond those that every command takes.
void AddCommandOptions(CLI::App& command, Command which, Options& options, CLI::Option* output) {
    switch (which) {
        case Command::Scan:
            command.add_flag("--json", options.json, "write the report as JSON");
            break;
        case Command::Check:
            command.add_flag("--json", options.json, "write the findings as a JSON array");
            command.add_flag("--werror", options.werror, "count warnings as errors for the exit status");
            command.add_flag("--all", options.all,
                             "list every finding on a line of its own (by default, alike findings of one type "
                             "make one line)");
            command.add_option("--only", options.only, "report only these codes")
                ->type_name("CODE,...")
                ->delimiter(',')
                ->check(CLI::IsMember(FindingCodeNames()));
            command.add_option("--disable", options.disabled, "do not report these codes")
                ->type_name("CODE,...")
                ->delimiter(',')
                ->check(CLI::IsMember(FindingCodeNames()));
            AddAdviceOptions(command, options, false);
            break;
        case Command::Advise:
            command.add_flag("--json", options.json, "write the proposals with the figures per level as JSON");
            AddAdviceOptions(command, options, true);
            break;
        case Command::Process:
            command
                .add_option_function<std::string>(
                    "--summary",
                    [&options](const std::string& value) {
                        options.summary = true;
                        options.summaryAll = value == "all";
                    },
                    "print what Process did: per type whose EndLevel lines changed (=all: every type) its "
                    "level and how many EndLevel lines were inserted, replaced, left unchanged, and the "
                    "header and dictionary changes")
                ->expected(0, 1)
                ->type_name("[=all]")
                ->check(CLI::IsMember({"", "all"}));
            command.add_flag("--dry-run", options.dryRun, "do everything but write the output (-o not needed)");
            {
                CLI::Option* folder = command
                                          .add_option("-O", options.outputDir,
                                                      "write every map under its own name into DIR (made "
                                                      "when missing)")
                                          ->type_name("DIR");
                CLI::Option* inPlace =
                    command.add_flag("--in-place", options.inPlace, "replace every map by its result");
                folder->excludes(output)->excludes(inPlace);
                inPlace->excludes(output);
            }
            command.add_flag("--same-levels", options.sameLevels,
                             "give every map the set's levels, as config of all the maps writes them, after the "
                             "other steps");
            command.add_flag("--werror", options.werror, "a Process that warns writes no file and exits with status 4");
            break;
        default:
            break;
    }
}

// The options shared by every command, bound to options.
void AddCommonOptions(CLI::App& command, Options& options) {
    command.add_flag("--dictionary", options.dictionary,
                     "dictionary option on: read the map's [DICTIONARY] section; process puts a new one in");
    command.add_flag("--show-all", options.showAll, "add every type of the type name files to the lists");
    command.add_option("--sort", options.sort, "sort the three type lists by column N: 0 level, 1 code, 2 name")
        ->type_name("N")
        ->check(CLI::IsMember({"0", "1", "2"}));
    command
        .add_option("--config", options.configs,
                    "apply a level config file (as Open CFG); may be given again, applied in the order given")
        ->type_name("FILE")
        ->allow_extra_args(false);
    command
        .add_option_function<std::string>(
            "--levels", [&options](const std::string& text) { options.levels = ParseLevels(text); },
            "replace the Levels table by rows Level0, Level1, ... with these bit counts")
        ->type_name("B0,B1,...")
        ->check(CLI::Validator(
            [](std::string& text) {
                const std::optional<std::vector<int>> bits = ParseLevels(text);
                if (!bits) return "'" + text + "' is not a list of one to ten decimal bit counts";
                // A header that check would reject is refused before anything is read.
                const std::vector<std::string> errors = LevelHeaderErrors(*bits);
                return errors.empty() ? std::string() : errors.front();
            },
            ""));
    command
        .add_option("--names-dir", options.namesDir,
                    "folder of the type name files (default: the working folder, else the installed ones)")
        ->type_name("DIR");
    command.add_flag("--quiet", options.quiet, "print no warnings");
}

}  // namespace

std::filesystem::path AbsolutePath(const std::string& text) { return std::filesystem::absolute(PathFromUtf8(text)); }

// The folder of the type name files: --names-dir as given, else the first of the working folder and the
// installed folder that holds all three. Throws Error naming the folders tried.
std::filesystem::path TypeNameFolder(const Options& options) {
    if (!options.namesDir.empty()) return AbsolutePath(options.namesDir);
    const std::filesystem::path working = std::filesystem::current_path();
    const std::filesystem::path installed = InstalledNamesFolder();
    for (const auto& folder : {working, installed}) {
        if (!folder.empty() && HoldsTypeNameFiles(folder)) return folder;
    }
    throw Error("The type name files poi.txt, polyline.txt and polygon.txt are not in the working folder " +
                PathToUtf8(working) + " nor in " + PathToUtf8(installed) + "; name their folder with --names-dir");
}

// A report that did not reach standard output is a failure, not a silent loss.
void CheckWritten(std::ostream& out) {
    out.flush();
    if (!out) throw Error("Cannot write to standard output");
}

// process: Process streamed from the map file into -o (replaced atomically), standard output or nothing.
// What Process made that the map's maker would not want, one warning per kind of problem with its count
// and its first line.
void WarnAboutProcess(const MapDocument& document, std::ostream& warnings) {
    const std::string file = PathToUtf8(document.mapPath());
    const ProcessWarnings& made = document.processWarnings();
    // "1 object gets ... its ...; it ends here", "3 objects get ... their ...; the first ends here".
    const auto say = [](std::uint64_t count, const std::string& what) {
        const bool one = count == 1;
        return std::to_string(count) + (one ? " object gets " : " objects get ") + what +
               (one ? "; it ends here" : "; the first ends here");
    };
    if (made.dataAboveEndLevel.count > 0) {
        const bool one = made.dataAboveEndLevel.count == 1;
        warnings << MessagePrefix(file, made.dataAboveEndLevel.firstLine) << "warning: "
                 << say(made.dataAboveEndLevel.count, std::string("an EndLevel below the lowest level of ") +
                                                          (one ? "its" : "their") + " coordinates")
                 << '\n';
    }
    if (made.endLevelAtTop.count > 0) {
        const std::size_t top = document.levels().size() > 0 ? document.levels().size() - 1 : 0;
        warnings << MessagePrefix(file, made.endLevelAtTop.firstLine) << "warning: "
                 << say(made.endLevelAtTop.count,
                        "an EndLevel at or above the top level, " + std::to_string(top) + ", which holds no objects")
                 << '\n';
    }
    if (made.endsInsideObject.count > 0) {
        warnings << MessagePrefix(file, made.endsInsideObject.firstLine)
                 << "warning: the map ends inside the object that opens here\n";
    }
    // "1 line ... it", "3 lines ... the first": lines that Process keeps as they are.
    const auto lines = [](std::uint64_t count, const std::string& what) {
        return std::to_string(count) + (count == 1 ? " line " : " lines ") + what +
               (count == 1 ? "; it is here" : "; the first is here");
    };
    if (made.endLevelTwice.count > 0) {
        warnings << MessagePrefix(file, made.endLevelTwice.firstLine) << "warning: "
                 << lines(made.endLevelTwice.count,
                          "a second EndLevel line in an object; Process sets only the last one and keeps the other")
                 << '\n';
    }
    if (made.endLevelOtherCase.count > 0) {
        warnings << MessagePrefix(file, made.endLevelOtherCase.firstLine) << "warning: "
                 << lines(made.endLevelOtherCase.count,
                          "'EndLevel' in another letter case; Process keeps it and gives the object an EndLevel line "
                          "beside it")
                 << '\n';
    }
    if (made.endsInsideOpener.count > 0) {
        warnings << MessagePrefix(file, made.endsInsideOpener.firstLine)
                 << "warning: the map ends inside an opener line, which opens nothing\n";
    }
    if (made.headerEndRemoved.count > 0) {
        warnings << MessagePrefix(file, made.headerEndRemoved.firstLine)
                 << "warning: the level header written takes the place of this line, which ends the header: the map "
                    "written has no [END-IMG ID]\n";
    }
    if (made.dictionaryTakesMore.count > 0) {
        warnings << MessagePrefix(file, made.dictionaryTakesMore.firstLine)
                 << "warning: the dictionary section removed here takes lines that are not the dictionary's "
                    "with it (coordinates, other keys, text before its end marker)\n";
    }
}

// The steps before the command's own: Open MAP, then the options in their order, with the warnings they
// call for. False when the file is no Polish map. The map is kept in memory only with inMemory; otherwise it
// is scanned as it is read, so that memory does not grow with the map.
bool OpenSteps(const Options& options, MapDocument& document, std::ostream& warnings, bool inMemory,
               std::vector<Finding>* configFindings) {
    document.SetUseDictionary(options.dictionary);
    const std::filesystem::path map = AbsolutePath(options.map);
    if (!(inMemory ? document.OpenMap(map) : document.ScanMapFile(map))) return false;
    WarnAboutMap(options, document, warnings);
    if (options.showAll) document.SetShowAll(true);
    if (!options.sort.empty()) {
        for (const ObjectKind kind : kAllKinds) document.SortList(kind, options.sort.front() - '0');
    }
    TypeNameFiles names;
    if (!options.configs.empty()) {
        try {
            names = document.Names();
        } catch (const Error&) {
            // check runs without the type name files: every unknown name is told then.
        }
    }
    for (const std::string& config : options.configs) {
        const std::filesystem::path path = AbsolutePath(config);
        const std::vector<UnmatchedConfigLine> unmatched = document.OpenConfig(path);
        std::vector<Finding> findings = ConfigFindings(path, document.cfgLines(), unmatched, names);
        if (configFindings) {
            configFindings->insert(configFindings->end(), findings.begin(), findings.end());
        } else {
            WarnAboutConfig(findings, warnings);
        }
    }
    if (options.levels) document.SetLevels(*options.levels);
    return true;
}

void WarnAboutConfig(const std::vector<Finding>& findings, std::ostream& err) {
    for (const Finding& finding : findings) {
        err << MessagePrefix(finding.file, finding.line) << "warning: " << finding.message << '\n';
    }
}

// The number of single-character edits between a and b.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The message of a usage error, told in the user's terms where the parser's own would puzzle: an unknown
// command (with the command meant), options before the command, extra arguments in the order given.
std::string UsageError(const std::vector<std::string>& args, const CLI::ParseError& error) {
    static constexpr std::string_view kCommandNames[] = {"scan", "config", "process", "dictionary", "check",
                                                         "advise"};
    const auto isCommand = [](std::string_view word) {
        return std::find(std::begin(kCommandNames), std::end(kCommandNames), word) != std::end(kCommandNames);
    };
    const auto first = std::find_if(args.begin() + (args.empty() ? 0 : 1), args.end(),
                                    [](const std::string& arg) { return !StartsWith(arg, "-"); });
    if (first != args.end() && first != args.begin() + 1 && isCommand(*first)) {
        return "options go after the command: stratex-cli " + *first + " [OPTIONS] MAP";
    }
    if (first != args.end() && !isCommand(*first) && first == args.begin() + 1) {
        std::string message = "unknown command '" + *first + "'";
        for (const std::string_view name : kCommandNames) {
            if (EditDistance(*first, name) <= 2) return message + "; did you mean '" + std::string(name) + "'?";
        }
        return message;
    }
    std::string text = error.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        // The parser lists the extra arguments last first.
        const std::size_t colon = text.find(": ");
        if (colon != std::string::npos) {
            std::vector<std::string> words;
            std::istringstream list(text.substr(colon + 2));
            for (std::string word; list >> word;) words.push_back(word);
            text.resize(colon + 1);
            for (auto word = words.rbegin(); word != words.rend(); ++word) text += " " + *word;
        }
    }
    return text;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    Options options;
    options.errIsTerminal = errIsTerminal;
    CLI::App app("Stratex: sets the up-to level (EndLevel) of every object type of a Polish Map file.",
                 std::string(kProgramName));
    app.set_version_flag("--version", std::string(kProgramName) + " " + STRATEX_VERSION, "print the version");
    app.set_help_flag("--help", "print this help");
    app.require_subcommand(1);
    // A path from the root of the drive ("/maps/a.mp") is a path on Windows too, not an option "/maps".
    app.allow_windows_style_options(false);
    app.footer(std::string(kFooter));

    struct CommandSpec {
        Command command;
        const char* name;
        const char* description;
        const char* outputDescription;  // nullptr: the command writes no file
    };
    static constexpr CommandSpec kCommands[] = {
        {Command::Scan, "scan", "print the levels and every type with its level, code, name and object count", nullptr},
        {Command::Config, "config", "write the level config file that Save CFG would write", "the config file"},
        {Command::Process, "process", "process the map and write it as Save MAP would", "the processed map"},
        {Command::Dictionary, "dictionary", "write the dictionary section that Save DIC would write",
         "the dictionary file"},
        {Command::Check, "check", "report every problem of the map, one per line: FILE:LINE: error|warning: ... [CODE]",
         nullptr},
        {Command::Advise, "advise",
         "propose each type's level from the size of its objects (points: their count per cell), with the reason",
         "the proposals as a level config file"},
    };
    for (const CommandSpec& entry : kCommands) {
        CLI::App* command = app.add_subcommand(entry.name, entry.description);
        command->set_help_flag("--help", "print this help");
        command->footer("Run 'stratex-cli --help' for the order of the steps, the scan report and the exit statuses.");
        const bool oneMap = entry.command == Command::Dictionary;
        if (oneMap) {
            command->add_option("MAP", options.map, "the map file")->type_name("FILE")->required();
        } else {
            command->add_option("MAP", options.maps, "the map file, or the maps of a set of tiles")
                ->type_name("FILE...")
                ->required();
        }
        CLI::Option* output = nullptr;
        if (entry.outputDescription != nullptr) {
            output = command
                         ->add_option("-o", options.output,
                                      std::string(entry.outputDescription) + " (- for standard output)")
                         ->type_name("FILE");
            if (entry.command != Command::Process && entry.command != Command::Advise) output->required();
        }
        if (!oneMap) {
            command->add_option("-j", options.jobs, "maps taken side by side, 1 to 64 (default: the processors)")
                ->type_name("N")
                ->check(CLI::Validator(
                    [](std::string& text) {
                        const bool digits =
                            !text.empty() && text.size() <= 2 &&
                            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
                        const int jobs = digits ? std::stoi(text) : 0;
                        return jobs >= 1 && jobs <= kMaxJobs
                                   ? std::string()
                                   : "-j takes a number of maps from 1 to " + std::to_string(kMaxJobs);
                    },
                    ""));
        }
        AddCommonOptions(*command, options);
        AddCommandOptions(*command, entry.command, options, output);
        command->callback([&options, entry] {
            options.command = entry.command;
            if (options.maps.empty()) options.maps = {options.map};
            options.map = options.maps.front();
            // process writes its output unless it only shows what it would do.
            if (entry.command != Command::Process) return;
            const bool set = options.maps.size() > 1;
            if (set && !options.output.empty()) {
                throw CLI::ValidationError("-o",
                                           "-o names one output file; give -O DIR or --in-place for several maps");
            }
            if (options.output.empty() && options.outputDir.empty() && !options.inPlace && !options.dryRun) {
                throw CLI::RequiredError(set ? "-O DIR or --in-place (or --dry-run)" : "-o (or --dry-run)");
            }
        });
    }

    try {
        // CLI11 takes the arguments without the program name, last one first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        if (!reversed.empty()) reversed.pop_back();
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kCliDone;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return kCliDone;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return kCliDone;
    } catch (const CLI::ParseError& e) {
        err << kProgramName << ": " << UsageError(args, e) << "\n\n" << app.help();
        return kCliBadUsage;
    }

    try {
        return RunReportedCommand(options, out, err);
    } catch (const Error& failure) {
        err << FailureText(failure) << '\n';
        return kCliFailure;
    } catch (const std::exception& e) {
        err << MessagePrefix() << WithFullStop(e.what()) << '\n';
        return kCliFailure;
    }
}

}  // namespace stratex
