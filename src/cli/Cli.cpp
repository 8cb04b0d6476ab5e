#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "levels/LevelsTable.h"
#include "map/MapDocument.h"
#include "text/Cp1251.h"
#include "text/Error.h"
#include "text/Strings.h"
#include "types/ObjectKind.h"
#include "types/TypeList.h"

namespace stratex {
namespace {

constexpr std::string_view kProgramName = "stratex-cli";
constexpr std::string_view kNotAPolishMap = "Этот файл не Polish MAP!!!";

constexpr std::string_view kFooter = R"(Steps, in this order: Open MAP (with --dictionary: the dictionary option on),
Show All (--show-all), a stable sort of all three type lists by column N (--sort),
Open CFG (--config), the Levels table replaced (--levels), then the command's own step.
Type name files poi.txt, polyline.txt and polygon.txt are read from --names-dir,
by default the working folder. Files are written as single-byte text with CR LF
after every line; an existing file is replaced atomically, and -o may name MAP itself.

scan report (UTF-8, tab-separated):
  Levels: <rows>                          then one line per row: KEY <tab> VALUE
  POI: <rows>, Polylines: <rows>, Polygons: <rows>
                                          each followed by one line per type in list order:
                                          LEVEL <tab> CODE <tab> NAME <tab> OBJECTS
  OBJECTS is the number of objects of the map whose type is exactly CODE.

Exit status: 0 done; 1 failure (the message on stderr); 2 bad usage;
3 the file is no Polish map (no line contains "[END-IMG ID]"; nothing is written).)";

enum class Command { Scan, Config, Process, Dictionary };

struct Options {
    Command command = Command::Scan;
    std::string map;
    std::string output;
    bool dictionary = false;
    bool showAll = false;
    std::string sort;
    std::string config;
    std::optional<std::vector<int>> levels;
    std::string namesDir;
};

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

// Messages name files by their absolute paths, as the window does.
std::filesystem::path AbsolutePath(const std::string& text) { return std::filesystem::absolute(PathFromUtf8(text)); }

std::string_view KindHeading(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Poi:
            return "POI";
        case ObjectKind::Polyline:
            return "Polylines";
        case ObjectKind::Polygon:
            return "Polygons";
    }
    return "";
}

void WriteScanReport(const MapDocument& document, std::ostream& out) {
    const auto& levels = document.levels().rows();
    out << "Levels: " << levels.size() << '\n';
    for (const auto& row : levels) out << Cp1251ToUtf8(row.key) << '\t' << Cp1251ToUtf8(row.value) << '\n';
    for (const ObjectKind kind : kAllKinds) {
        const TypeList& list = document.lists().Of(kind);
        const auto& found = document.figures().Of(kind);
        out << KindHeading(kind) << ": " << list.size() << '\n';
        for (const TypeRow& row : list.rows()) {
            const auto count = found.find(row.code);
            out << Cp1251ToUtf8(row.level) << '\t' << Cp1251ToUtf8(row.code) << '\t' << Cp1251ToUtf8(row.name) << '\t'
                << (count == found.end() ? 0 : count->second.objects) << '\n';
        }
    }
}

// Runs the steps of one command on a fresh document. Throws Error (and whatever the file system throws).
int RunCommand(const Options& options, std::ostream& out, std::ostream& err) {
    MapDocument document(options.namesDir.empty() ? std::filesystem::current_path() : AbsolutePath(options.namesDir));
    document.SetUseDictionary(options.dictionary);
    // Scanned as it is read: no command keeps the map in memory.
    if (!document.ScanMapFile(AbsolutePath(options.map))) {
        err << kNotAPolishMap << '\n';
        return kCliNotAMap;
    }
    if (options.showAll) document.SetShowAll(true);
    if (!options.sort.empty()) {
        for (const ObjectKind kind : kAllKinds) document.SortList(kind, options.sort.front() - '0');
    }
    if (!options.config.empty()) document.OpenConfig(AbsolutePath(options.config));
    if (options.levels) document.SetLevels(*options.levels);

    switch (options.command) {
        case Command::Scan:
            WriteScanReport(document, out);
            break;
        case Command::Config:
            document.SaveConfig(AbsolutePath(options.output));
            break;
        case Command::Process:
            document.ProcessFileTo(AbsolutePath(options.output));
            break;
        case Command::Dictionary:
            document.SaveDictionary(AbsolutePath(options.output));
            break;
    }
    return kCliDone;
}

// The options shared by every command, bound to options.
void AddCommonOptions(CLI::App& command, Options& options) {
    command.add_flag("--dictionary", options.dictionary,
                     "dictionary option on: read the map's [DICTIONARY] section; process puts a new one in");
    command.add_flag("--show-all", options.showAll, "add every type of the type name files to the lists");
    command.add_option("--sort", options.sort, "sort the three type lists by column N: 0 level, 1 code, 2 name")
        ->type_name("N")
        ->check(CLI::IsMember({"0", "1", "2"}));
    command.add_option("--config", options.config, "apply a level config file (as Open CFG)")->type_name("FILE");
    command
        .add_option_function<std::string>(
            "--levels", [&options](const std::string& text) { options.levels = ParseLevels(text); },
            "replace the Levels table by rows Level0, Level1, ... with these bit counts")
        ->type_name("B0,B1,...")
        ->check(CLI::Validator(
            [](std::string& text) {
                return ParseLevels(text) ? std::string()
                                         : "'" + text + "' is not a list of one to ten decimal bit counts";
            },
            ""));
    command.add_option("--names-dir", options.namesDir, "folder of the type name files (default: working folder)")
        ->type_name("DIR");
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    CLI::App app("Stratex: sets the up-to level (EndLevel) of every object type of a Polish Map file.",
                 std::string(kProgramName));
    app.set_version_flag("--version", std::string(kProgramName) + " " + STRATEX_VERSION, "print the version");
    app.set_help_flag("--help", "print this help");
    app.require_subcommand(1);
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
    };
    for (const CommandSpec& entry : kCommands) {
        CLI::App* command = app.add_subcommand(entry.name, entry.description);
        command->set_help_flag("--help", "print this help");
        command->footer("Run 'stratex-cli --help' for the order of the steps, the scan report and the exit statuses.");
        command->add_option("MAP", options.map, "the map file")->type_name("FILE")->required();
        if (entry.outputDescription != nullptr) {
            command->add_option("-o", options.output, entry.outputDescription)->type_name("FILE")->required();
        }
        AddCommonOptions(*command, options);
        command->callback([&options, entry] { options.command = entry.command; });
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
        err << kProgramName << ": " << e.what() << "\n\n" << app.help();
        return kCliBadUsage;
    }

    try {
        return RunCommand(options, out, err);
    } catch (const std::exception& e) {
        err << WithFullStop(e.what()) << '\n';
        return kCliFailure;
    }
}

}  // namespace stratex
