// check is the gate of a map build: what it passes, process must pass and write a map that checks clean; what
// it fails, process must fail on or write a map that checks with an error.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bytes/LineList.h"
#include "bytes/Strings.h"
#include "cli/Cli.h"
#include "support/CliRun.h"
#include "support/Gate.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

std::string CrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

const std::vector<std::string> kHeader = {"[IMG ID]",  "Levels=3", "Level0=24", "Level1=21",
                                          "Level2=18", "Zoom0=0",  "Zoom1=1",   "Zoom2=2"};

class GateTest : public ::testing::Test {
protected:
    GateTest() {
        dir_.Write("poi.txt", CrLf({"0x2f06=Bank", "0x0a01=Food"}));
        dir_.Write("polyline.txt", CrLf({"0x16=Trail", "0x1f=River"}));
        dir_.Write("polygon.txt", CrLf({"0x4c=Lake"}));
    }

    std::string Path(const std::string& name) const { return PathToUtf8(dir_.path() / name); }

    CliRun Cli(const std::string& command, const std::string& map, const std::vector<std::string>& options) const {
        std::vector<std::string> args = {command, map, "--names-dir", PathToUtf8(dir_.path())};
        args.insert(args.end(), options.begin(), options.end());
        return RunInProcess(args);
    }

    // The three runs of a make rule: check, process, check of what process wrote.
    struct Gate {
        CliRun check;
        CliRun process;
        std::optional<CliRun> checkOfOutput;  // none where process wrote nothing
    };
    Gate Run(const std::string& bytes, const std::vector<std::string>& options, bool werror) {
        const std::string map = PathToUtf8(dir_.Write("map.mp", bytes));
        const std::string out = Path("out.mp");
        std::filesystem::remove(out);
        std::vector<std::string> checkOptions = options;
        std::vector<std::string> processOptions = options;
        processOptions.insert(processOptions.end(), {"-o", out, "--quiet"});
        if (werror) {
            checkOptions.push_back("--werror");
            processOptions.push_back("--werror");
        }
        Gate gate{Cli("check", map, checkOptions), Cli("process", map, processOptions), std::nullopt};
        if (std::filesystem::exists(out)) {
            gate.checkOfOutput = Cli("check", out, werror ? std::vector<std::string>{"--werror"}
                                                          : std::vector<std::string>{});
        }
        return gate;
    }

    TempDir dir_{MemoryFolder()};
};

// Each way a map or a config used to pass check and then fail process, or be written wrong by it, with the
// codes check now gives and what process and the check of its output do.
TEST_F(GateTest, CheckFailsWhatProcessFailsOnOrWritesWrong) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;  // after the header
        std::vector<std::string> config;  // a --config file, where not empty
        std::vector<std::string> options;
        const char* code;     // a code check reports
        int check;            // check's status without --werror
        int process;          // process's status with --werror
    };
    const std::vector<Case> cases = {
        {"EndLevel with a blank", {"[END-IMG ID]", "[POI]", "Type=0x2f06", "EndLevel=2 ", "[END]"}, {}, {},
         "process-fails", kCliCheckFailed, kCliFailure},
        {"EndLevel empty", {"[END-IMG ID]", "[POI]", "Type=0x2f06", "EndLevel=", "[END]"}, {}, {"--levels", "24,22,20,18"},
         "process-fails", kCliCheckFailed, kCliFailure},
        {"EndLevel with a tail", {"[END-IMG ID]", "[POI]", "Type=0x2f06", "EndLevel=2;x", "[END]"}, {}, {},
         "process-fails", kCliCheckFailed, kCliFailure},
        {"EndLevel spaced", {"[END-IMG ID]", "[POI]", "Type=0x2f06", "EndLevel = 2", "[END]"}, {}, {},
         "process-fails", kCliCheckFailed, kCliFailure},
        {"config level no number", {"[END-IMG ID]", "[POLYLINE]", "Type=0x16", "EndLevel=1", "[END]"},
         {"l0x16=abc"}, {}, "process-fails", kCliCheckFailed, kCliFailure},
        {"mixed levels and data", {"[END-IMG ID]", "[POLYLINE]", "Type=0x16", "EndLevel=0", "[END]", "[POLYLINE]",
                                   "Type=0x16", "Data1=(1,2)", "[END]"},
         {}, {"--sort", "1"}, "data-above-endlevel", kCliCheckFailed, kCliCheckFailed},
        {"endlevel in lower case", {"[END-IMG ID]", "[POI]", "Type=0x2f06", "endlevel=1", "[END]"}, {}, {},
         "endlevel-case", kCliDone, kCliCheckFailed},
        {"two EndLevel lines", {"[END-IMG ID]", "[POI]", "Type=0x2f06", "EndLevel=1", "EndLevel=1", "[END]"}, {}, {},
         "endlevel-twice", kCliDone, kCliCheckFailed},
        {"cut inside an opener", {"[END-IMG ID]", "[POI]", "Type=0x2f06", "EndLevel=1", "[END]", "[P"}, {}, {},
         "map-cut", kCliDone, kCliCheckFailed},
        {"bit count in hexadecimal", {"[END-IMG ID]"}, {}, {"--sort", "1"}, "level-bits", kCliCheckFailed, kCliDone},
        {"header end on a zoom line", {"Zoom5=[END-IMG ID]", "[POI]", "Type=0x2f06", "EndLevel=1", "[END]"}, {}, {},
         "header-end-removed", kCliCheckFailed, kCliCheckFailed},
        {"header end on the Levels= line", {}, {}, {}, "header-end-removed", kCliCheckFailed, kCliCheckFailed},
        {"dictionary ended inside an object",
         {"[END-IMG ID]", "[DICTIONARY]", "[POLYLINE]", "Type=0x16", "Data0=(1,2)[END-DICTIONARY]", "[END]"}, {},
         {"--dictionary"}, "dictionary-not-closed", kCliCheckFailed, kCliCheckFailed},
        {"dictionary never closed before coordinates",
         {"[END-IMG ID]", "[POLYLINE]", "Type=0x16", "EndLevel=0", "[DICTIONARY]", "Data0=(1,2", "[END]"}, {},
         {"--dictionary"}, "dictionary-not-closed", kCliCheckFailed, kCliCheckFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> lines = kHeader;
        if (std::string_view(c.name) == "bit count in hexadecimal") lines[2] = "Level0=$18";
        if (std::string_view(c.name) == "header end on the Levels= line") lines = {"[IMG ID]", "Levels=[END-IMG ID]"};
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        std::string bytes = CrLf(lines);
        if (std::string_view(c.name) == "cut inside an opener") bytes.resize(bytes.size() - 2);
        std::vector<std::string> options = c.options;
        if (!c.config.empty()) {
            dir_.Write("levels.cfg", CrLf(c.config));
            options.insert(options.end(), {"--config", Path("levels.cfg")});
        }
        const Gate gate = Run(bytes, options, false);
        EXPECT_EQ(gate.check.status, c.check) << gate.check.out << gate.check.err;
        EXPECT_TRUE(Contains(gate.check.out, std::string("[") + c.code + "]")) << gate.check.out;
        // An option that changes no byte of the output changes no finding.
        std::vector<std::string> withoutSort = options;
        std::erase(withoutSort, "--sort");
        std::erase(withoutSort, "1");
        EXPECT_EQ(Cli("check", Path("map.mp"), withoutSort).out, gate.check.out);
        const Gate strict = Run(bytes, options, true);
        EXPECT_EQ(strict.check.status, kCliCheckFailed);
        EXPECT_EQ(strict.process.status, c.process) << strict.process.err;
        if (c.process == kCliDone) {
            ASSERT_TRUE(strict.checkOfOutput);
            EXPECT_EQ(strict.checkOfOutput->status, kCliCheckFailed) << "the output checks clean";
        }
    }
}

// A set config names the types of every tile: a line written as config writes a type, or naming a type of
// the type name files, is no problem in a tile that lacks the type; a misspelling is told, with the spelling
// that would have matched, and so is a line that config never writes.
TEST_F(GateTest, ConfigLinesForTypesOfOtherTilesAreSilent) {
    dir_.Write("set.cfg", CrLf({"p0x0a01=1", "g0x4c=1", "l0x1F=2", "l0x99=1", "p0x900=1", "l22=1", "x0x16=1"}));
    std::vector<std::string> lines = kHeader;
    lines.insert(lines.end(), {"[END-IMG ID]", "[POI]", "Type=0x0900", "EndLevel=1", "[END]"});
    const std::string map = PathToUtf8(dir_.Write("map.mp", CrLf(lines)));
    const std::string prefix = "stratex-cli: " + Path("set.cfg");
    const CliRun process = Cli("process", map, {"--config", Path("set.cfg"), "-o", Path("out.mp")});
    EXPECT_EQ(process.status, kCliDone);
    EXPECT_EQ(process.err, prefix + ":5: warning: 'p0x900' names no type of the lists; did you mean 'p0x0900'?\n" +
                               prefix + ":6: warning: 'l22' names no type of the lists\n" + prefix +
                               ":7: warning: 'x0x16' names no type of the lists\n");
    const CliRun check = Cli("check", map, {"--config", Path("set.cfg"), "--all"});
    EXPECT_EQ(check.status, kCliDone);
    EXPECT_EQ(SplitLines(check.out).size(), 3u) << check.out;
}

// Generated maps with what breaks Process: levels and config values that are no numbers, EndLevel in other
// cases, lines twice, maps cut at any byte. Whatever the map and the choices, the gate holds both ways.
TEST_F(GateTest, CheckAgreesWithProcessOnGeneratedMaps) {
    std::mt19937 rng(20261209);
    const auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
    const auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
    const std::vector<std::string> bits = {"24", "22", "20", "18", "16", "$16", "x", "", "18 "};
    const std::vector<std::string> openers = {"[POI]", "[POLYLINE]", "[POLYGON]", "[RGN10]", "[RGN40]", "[RGN80]"};
    const std::vector<std::string> types = {"0x2f06", "0x16", "0x4c", "0x0a01", "22", "zz", "0x1f"};
    const std::vector<std::string> endLevels = {"EndLevel=0", "EndLevel=1", "EndLevel=2", "EndLevel=3",
                                                "EndLevel=2 ", "EndLevel=",  "EndLevel=x", "endlevel=1",
                                                "ENDLEVEL=2"};
    const std::vector<std::string> data = {"Data0=(1,2),(3,4)", "Data1=(1,2)", "Data2=(1,2),(1,3)", "Data0=(1,2",
                                           "Origin0=(5,6)", "Data3=(1,2)"};
    const std::vector<std::string> configValues = {"0", "1", "2", "3", "abc", "2 "};
#ifdef _WIN32
    const int cases = 1000;  // every file operation under Wine costs a hundred times as much
#else
    const int cases = 10000;
#endif
    for (int n = 0; n < cases; ++n) {
        std::vector<std::string> lines = {"[IMG ID]"};
        const int levels = 1 + static_cast<int>(rng() % 4);
        if (!chance(10)) lines.push_back("Levels=" + std::to_string(chance(90) ? levels : levels + 1));
        for (int k = 0; k < levels; ++k) lines.push_back("Level" + std::to_string(k) + "=" + pick(bits));
        if (chance(20)) lines.push_back(chance(50) ? "[POI]" : "Level9=3");
        if (chance(95)) lines.push_back("[END-IMG ID]");
        if (chance(10)) lines.insert(lines.end(), {"[DICTIONARY]", "Level1RGN10=" + std::string(255, '1')});
        if (chance(5)) lines.push_back("[END-DICTIONARY]");
        const int objects = static_cast<int>(rng() % 6);
        for (int o = 0; o < objects; ++o) {
            lines.push_back(pick(openers));
            if (chance(90)) lines.push_back("Type=" + pick(types));
            if (chance(10)) lines.push_back("Type=" + pick(types));
            if (chance(70)) lines.push_back(pick(endLevels));
            if (chance(10)) lines.push_back(pick(endLevels));
            for (int d = static_cast<int>(rng() % 3); d > 0; --d) lines.push_back(pick(data));
            if (chance(92)) lines.push_back(chance(90) ? "[END]" : "[END-RGN10]");
            if (chance(5)) lines.push_back(";[END]");
        }
        std::string bytes = CrLf(lines);
        if (chance(25)) bytes.resize(rng() % (bytes.size() + 1));
        std::vector<std::string> options;
        if (chance(20)) options.insert(options.end(), {"--levels", chance(80) ? "24,21,18" : "22,20"});
        if (chance(25)) {
            std::vector<std::string> config;
            for (int c = static_cast<int>(rng() % 3); c >= 0; --c) {
                config.push_back(pick({"p0x2f06", "l0x16", "g0x4c", "p0x0a01", "l0x99"}) + "=" + pick(configValues));
            }
            dir_.Write("levels.cfg", CrLf(config));
            options.insert(options.end(), {"--config", Path("levels.cfg")});
        }
        if (chance(10)) options.push_back("--show-all");
        if (chance(10)) options.push_back("--dictionary");
        if (chance(10)) options.insert(options.end(), {"--sort", "2"});
        SCOPED_TRACE("case " + std::to_string(n) + ":\n" + bytes);

        const GateRuns runs = RunGate(dir_.path(), bytes, options);
        EXPECT_EQ(GateBroken(runs), "");
    }
}

}  // namespace
}  // namespace stratex
