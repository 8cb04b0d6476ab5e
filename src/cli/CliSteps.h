#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "document/MapDocument.h"
#include "passes/Finding.h"

namespace stratex {

enum class Command { Scan, Config, Process, Dictionary, Check, Advise };

// The command line of stratex-cli, as parsed.
struct Options {
    Command command = Command::Scan;
    std::vector<std::string> maps;  // as given; a set of tiles when more than one
    std::string map;                // the map the steps run on: the only one, or the tile at hand
    std::string output;
    std::string outputDir;    // process -O: every tile under its own name in this folder
    bool inPlace = false;     // process --in-place: every tile replaced by its result
    std::size_t jobs = 0;     // maps taken side by side; 0: the processors
    bool sameLevels = false;  // process: the set's levels applied to every tile after the other steps
    bool dictionary = false;
    bool showAll = false;
    std::string sort;
    std::vector<std::string> configs;
    std::optional<std::vector<int>> levels;
    std::string namesDir;
    bool json = false;                  // scan, check
    bool werror = false;                // check
    bool all = false;                   // check: every finding on a line of its own
    std::vector<std::string> only;      // check: the codes reported, when given
    std::vector<std::string> disabled;  // check: codes not reported
    bool summary = false;               // process
    bool summaryAll = false;            // process: the summary lists unchanged types too
    bool dryRun = false;                // process
    bool quiet = false;
    std::int64_t minSize = 8;      // advise, check: the size limit in map units
    int keepPercent = 50;          // advise, check: the share of a type's objects at least that size
    std::uint32_t maxPoints = 32;  // advise: the most points in one cell
    bool errIsTerminal = false;  // standard error is a terminal: long runs show their progress there
};

// Messages name files by their absolute paths, as the window does. Arguments are UTF-8.
std::filesystem::path AbsolutePath(const std::string& text);

// The folder of the type name files: --names-dir as given, else the first of the working folder and the
// installed folder that holds all three. Throws Error naming the folders tried.
std::filesystem::path TypeNameFolder(const Options& options);

// The steps before the command's own on options.map: Open MAP, then the options in their order, with the
// warnings they call for. False when the file is no Polish map. The map is kept in memory only with
// inMemory; otherwise it is scanned as it is read, so that memory does not grow with the map. With
// configFindings, the level config files' problems go there instead of to warnings.
bool OpenSteps(const Options& options, MapDocument& document, std::ostream& warnings, bool inMemory,
               std::vector<Finding>* configFindings = nullptr);

// The problems of the level config files, as warnings.
void WarnAboutConfig(const std::vector<Finding>& findings, std::ostream& err);

// What the last Process of document made that the map's maker would not want, one warning per kind.
void WarnAboutProcess(const MapDocument& document, std::ostream& warnings);

// A report that did not reach standard output is a failure: throws Error("Cannot write to standard output").
void CheckWritten(std::ostream& out);

// advise of one map or of a set of tiles: the table of proposals, -o's level config, or --json.
int RunAdvise(const Options& options, const std::filesystem::path& namesFolder, std::ostream& out, std::ostream& err);

// Every file the command would write, as absolute paths: -o, or for process of a set one per map, in the
// maps' order (its name in -O's folder, or with --in-place the map). Empty where nothing is written
// (standard output, --dry-run, scan, check).
std::vector<std::filesystem::path> PlannedOutputs(const Options& options);

// Why the command may not write outputs, naming both files, or nothing: an output is a file that the
// command reads (a map, a --config file, a type name file in namesFolder), or the file of another output.
// Files are compared by identity, links followed. process -o and --in-place may replace the map they read;
// -O onto the maps' own folder is refused with the advice to use --in-place.
std::optional<std::string> RefusedOutputs(const Options& options, const std::vector<std::filesystem::path>& outputs,
                                          const std::filesystem::path& namesFolder);

// The steps of a command on several maps: scan, config, check and process of a set of tiles. outputs are
// PlannedOutputs(options), already found free of clashes.
int RunTileSet(const Options& options, const std::filesystem::path& namesFolder,
               const std::vector<std::filesystem::path>& outputs, std::ostream& out, std::ostream& err);

}  // namespace stratex
