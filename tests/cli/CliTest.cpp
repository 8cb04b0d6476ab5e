#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Cli.h"

#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#endif

#include "bytes/Cp1251.h"
#include "bytes/LineList.h"
#include "bytes/Strings.h"
#include "passes/Finding.h"
#include "support/CliRun.h"
#include "support/RealMaps.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

std::string PathText(const std::filesystem::path& path) { return PathToUtf8(path); }
std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// The map of most tests. The second POI spells 0x2f06 in decimal and holds a comment that is no object
// end; a label mentions "Type"; the second polyline has no Type line and keeps the type before it; the
// object in an unknown section, after a comment naming a section, counts for nothing.
const std::vector<std::string> kMapLines = {
    "[IMG ID]",
    "Name=Cli test",
    "Levels=2",
    "Level0=24",
    "Level1=18",
    "Zoom0=0",
    "Zoom1=1",
    "[END-IMG ID]",
    "[POI]",
    "Type=0x2F06",
    "EndLevel=1",
    "Data0=(1,2)",
    "[END]",
    "[POI]",
    "Type=12038",
    ";[END]",
    "Data0=(1,2)",
    "[END]",
    "[POI]",
    "Type=0x0a01",
    "EndLevel=3",
    "Data0=(1,2)",
    "[END]",
    "[POLYLINE]",
    "Type=0x16",
    "Label=Road Type 2",
    "Data0=(1,2),(3,4)",
    "[END]",
    "[POLYLINE]",
    "EndLevel=5",
    "Data0=(1,2),(3,4)",
    "[END]",
    ";[POLYGON]",
    "[RGN99]",
    "Type=0x4c",
    "[END]",
    "[POLYGON]",
    "Type=0x4c",
    "EndLevel=2",
    "Data0=(1,2),(3,4),(5,6)",
    "[END]",
};

// A short map for exact Process output.
const std::vector<std::string> kShortMapLines = {
    "[IMG ID]",    "Levels=2",   "Level0=24",   "Level1=18", "Zoom0=0",    "Zoom1=1",   "[END-IMG ID]",      "[POI]",
    "Type=0x2f06", "EndLevel=5", "Data0=(1,2)", "[END]",     "[POLYLINE]", "Type=0x16", "Data0=(1,2),(3,4)", "[END]",
};

class CliTest : public ::testing::Test {
protected:
    CliTest() {
        dir_.Write("poi.txt",
                   Join({"0x0001=Aaa", Utf8ToCp1251("0x2f06=Банк"), Utf8ToCp1251("0x0a01=Еда"), "0x6401=Bridge"}));
        dir_.Write("polyline.txt", Join({"0x01=Motorway", "0x16=Trail", "0x1f=River"}));
        dir_.Write("polygon.txt", Join({"0x4c=Lake", "0x3c=Sea"}));
        map_ = PathText(dir_.Write("map.mp", Join(kMapLines)));
        shortMap_ = PathText(dir_.Write("short.mp", Join(kShortMapLines)));
        names_ = PathText(dir_.path());
    }

    std::string Path(const std::string& name) const { return PathText(dir_.path() / name); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        return PathText(dir_.Write(name, bytes));
    }
    // Runs a command on MAP with the test's type name files.
    CliRun Cli(const std::string& command, const std::string& map, std::vector<std::string> options = {}) const {
        std::vector<std::string> args = {command, map, "--names-dir", names_};
        args.insert(args.end(), options.begin(), options.end());
        return RunInProcess(args);
    }

    TempDir dir_;
    std::string map_;
    std::string shortMap_;
    std::string names_;
};

const std::string kLevels = "Levels: 2\nLevel0\t24bit (<=120м)\nLevel1\t18bit (<=8км)\n";
const std::string kPolylinesAndPolygons =
    "Polylines: 1\n0\t0x16\tTrail\t2\t5\t1\nPolygons: 1\n2\t0x4c\tLake\t1\t2\t0\n";

TEST_F(CliTest, ScanReportsLevelsTypesAndObjectCounts) {
    const CliRun run = Cli("scan", map_);
    EXPECT_EQ(run.status, kCliDone);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, kLevels + "POI: 2\n3\t0x0a01\tЕда\t1\t3\t0\n1\t0x2f06\tБанк\t2\t1\t1\n" + kPolylinesAndPolygons);
}

TEST_F(CliTest, ScanFollowsTheOptionsInTheirOrder) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::string report;
    };
    Write("levels.cfg", Join({"p0x2f06=7", "l0x16=4", "p0x6401=5"}));
    Write("later.cfg", Join({"p0x2f06=2"}));
    const Case cases[] = {
        {"sorted by level",
         {"--sort", "0"},
         kLevels + "POI: 2\n1\t0x2f06\tБанк\t2\t1\t1\n3\t0x0a01\tЕда\t1\t3\t0\n" + kPolylinesAndPolygons},
        {"sorted by name",
         {"--sort", "2"},
         kLevels + "POI: 2\n1\t0x2f06\tБанк\t2\t1\t1\n3\t0x0a01\tЕда\t1\t3\t0\n" + kPolylinesAndPolygons},
        {"sorted by code",
         {"--sort", "1"},
         kLevels + "POI: 2\n3\t0x0a01\tЕда\t1\t3\t0\n1\t0x2f06\tБанк\t2\t1\t1\n" + kPolylinesAndPolygons},
        {"show all",
         {"--show-all"},
         kLevels + "POI: "
                   "4\n3\t0x0a01\tЕда\t1\t3\t0\n1\t0x2f06\tБанк\t2\t1\t1\n0\t0x0001\tAaa\t0\t-"
                   "\t0\n0\t0x6401\tBridge\t0\t-\t0\n"
                   "Polylines: 2\n0\t0x16\tTrail\t2\t5\t1\n0\t0x1f\tRiver\t0\t-\t0\n"
                   "Polygons: 2\n2\t0x4c\tLake\t1\t2\t0\n0\t0x3c\tSea\t0\t-\t0\n"},
        {"show all, then the sort",
         {"--sort", "2", "--show-all"},
         kLevels + "POI: "
                   "4\n0\t0x0001\tAaa\t0\t-\t0\n0\t0x6401\tBridge\t0\t-"
                   "\t0\n1\t0x2f06\tБанк\t2\t1\t1\n3\t0x0a01\tЕда\t1\t3\t0\n"
                   "Polylines: 2\n0\t0x1f\tRiver\t0\t-\t0\n0\t0x16\tTrail\t2\t5\t1\n"
                   "Polygons: 2\n2\t0x4c\tLake\t1\t2\t0\n0\t0x3c\tSea\t0\t-\t0\n"},
        {"config",
         {"--config", Path("levels.cfg")},
         kLevels + "POI: 2\n3\t0x0a01\tЕда\t1\t3\t0\n7\t0x2f06\tБанк\t2\t1\t1\nPolylines: 1\n4\t0x16\tTrail\t2\t5\t1\n"
                   "Polygons: 1\n2\t0x4c\tLake\t1\t2\t0\n"},
        {"show all, then the config",
         {"--config", Path("levels.cfg"), "--show-all"},
         kLevels + "POI: "
                   "4\n3\t0x0a01\tЕда\t1\t3\t0\n7\t0x2f06\tБанк\t2\t1\t1\n0\t0x0001\tAaa\t0\t-"
                   "\t0\n5\t0x6401\tBridge\t0\t-\t0\n"
                   "Polylines: 2\n4\t0x16\tTrail\t2\t5\t1\n0\t0x1f\tRiver\t0\t-\t0\n"
                   "Polygons: 2\n2\t0x4c\tLake\t1\t2\t0\n0\t0x3c\tSea\t0\t-\t0\n"},
        {"two configs, in the order given",
         {"--config", Path("levels.cfg"), "--config", Path("later.cfg")},
         kLevels + "POI: 2\n3\t0x0a01\tЕда\t1\t3\t0\n2\t0x2f06\tБанк\t2\t1\t1\nPolylines: 1\n4\t0x16\tTrail\t2\t5\t1\n"
                   "Polygons: 1\n2\t0x4c\tLake\t1\t2\t0\n"},
        {"levels",
         {"--levels", "22,20,8"},
         "Levels: 3\nLevel0\t22bit (<=500м)\nLevel1\t20bit (<=2км)\nLevel2\t8bit ()\n"
         "POI: 2\n3\t0x0a01\tЕда\t1\t3\t0\n1\t0x2f06\tБанк\t2\t1\t1\n" +
             kPolylinesAndPolygons},
        // With the option on and no dictionary in the map, every type takes its level from the tables,
        // which start at 0.
        {"dictionary option",
         {"--dictionary"},
         kLevels + "POI: 2\n0\t0x0a01\tЕда\t1\t3\t0\n0\t0x2f06\tБанк\t2\t1\t1\nPolylines: 1\n0\t0x16\tTrail\t2\t5\t1\n"
                   "Polygons: 1\n0\t0x4c\tLake\t1\t2\t0\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto options = c.options;
        options.push_back("--quiet");
        const CliRun run = Cli("scan", map_, options);
        EXPECT_EQ(run.status, kCliDone);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, c.report);
    }
}

// A map of three levels whose objects are the given lines.
std::string CheckMapText(const std::vector<std::string>& objects) {
    std::vector<std::string> lines = {"[IMG ID]", "Levels=3", "Level0=24", "Level1=21", "Level2=18", "[END-IMG ID]"};
    lines.insert(lines.end(), objects.begin(), objects.end());
    return Join(lines);
}

TEST_F(CliTest, CheckExitStatusCountsErrorsAndWithWerrorWarnings) {
    struct Case {
        const char* name;
        std::string map;
        std::vector<std::string> options;
        int status;
    };
    const std::string sound = CheckMapText({"[POI]", "Type=0x2f06", "EndLevel=1", "Data0=(1,2)", "[END]"});
    const std::string warning =
        CheckMapText({"[POI]", "Type=0x2f06", "Type=0x2f06", "EndLevel=1", "Data0=(1,2)", "[END]"});
    const std::string error = CheckMapText({"[POI]", "Type=0x2f06", "EndLevel=0", "Data1=(1,2)", "[END]"});
    const Case cases[] = {
        {"sound map", sound, {}, kCliDone},
        {"sound map, --werror", sound, {"--werror"}, kCliDone},
        {"a warning", warning, {}, kCliDone},
        {"a warning, --werror", warning, {"--werror"}, kCliCheckFailed},
        {"an error", error, {}, kCliCheckFailed},
        {"type level on the top of new levels", sound, {"--levels", "24,21"}, kCliDone},
        {"type level on the top of new levels, --werror", sound, {"--levels", "24,21", "--werror"}, kCliCheckFailed},
        {"no Polish map", "Levels=1\r\n", {}, kCliNotAMap},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli("check", Write("check.mp", c.map), c.options);
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.out << run.err;
    }
}

TEST_F(CliTest, CheckWritesOneLinePerFindingAsCompilersDo) {
    const std::string map = Write("check.mp", CheckMapText({"[POLYLINE]", "Type=0x1g", "[END]"}));
    const CliRun run = Cli("check", map);
    EXPECT_EQ(run.status, kCliCheckFailed);
    EXPECT_EQ(run.out,
              map + ":8: error: the type '0x1g' is no number; Process would stop at line 9 [type-not-number]\n");
    // Open MAP stops at the type too: what stopped it is told beside the findings.
    EXPECT_EQ(run.err, "stratex-cli: " + map + ":9: '0x1g' is not a valid integer value.\n");
}

TEST_F(CliTest, CheckFindsTheProblemThatStopsTheSteps) {
    // The scan of Open MAP stops at the type text, so the map is checked alone.
    const std::string map = Write("check.mp", CheckMapText({"[POLYLINE]", "Type=0x1g", "[END]"}));
    const CliRun run = Cli("check", map, {"--levels", "24,21"});
    EXPECT_EQ(run.status, kCliCheckFailed);
    EXPECT_TRUE(Contains(run.out, "[type-not-number]")) << run.out;
    EXPECT_EQ(run.err, "stratex-cli: " + map + ":9: '0x1g' is not a valid integer value.\n");
    // A failing step that the map does not explain is a failure as for every command.
    const CliRun missing = Cli("check", shortMap_, {"--config", Path("none.cfg")});
    EXPECT_EQ(missing.status, kCliFailure);
}

// Alike findings make one line, with their count and first lines; --all lists each; --only and --disable
// choose the codes, for the report and the exit status alike.
TEST_F(CliTest, CheckGroupsAlikeFindingsAndFiltersCodes) {
    std::vector<std::string> objects;
    for (int i = 0; i < 5; ++i) objects.insert(objects.end(), {"[POI]", "Type=0x2f06", "EndLevel=2", "[END]"});
    const std::string map = Write("alike.mp", CheckMapText(objects));
    const CliRun grouped = Cli("check", map);
    EXPECT_EQ(grouped.status, kCliDone);
    EXPECT_EQ(std::count(grouped.out.begin(), grouped.out.end(), '\n'), 1) << grouped.out;
    EXPECT_TRUE(Contains(grouped.out, "; 5 findings, first at lines ")) << grouped.out;
    const CliRun all = Cli("check", map, {"--all"});
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 5) << all.out;
    EXPECT_EQ(Cli("check", map, {"--disable", "endlevel-top", "--werror"}).status, kCliDone);
    EXPECT_EQ(Cli("check", map, {"--only", "endlevel-top,level-bits", "--werror"}).status, kCliCheckFailed);
    EXPECT_EQ(Cli("check", map, {"--only", "no-such-code"}).status, kCliBadUsage);
}

// The problems of a level config file are findings of check, in its file and at its line: in the text, in
// the JSON and under --werror, and not told again as warnings.
TEST_F(CliTest, ConfigProblemsAreFindings) {
    const std::string config = Write("bad.cfg", Join({"p0x2f06=1", "p9999=2", "l0x16=two"}));
    const CliRun text = Cli("check", map_, {"--config", config});
    EXPECT_TRUE(Contains(text.out, config + ":2: warning: 'p9999' names no type of the lists [config-unknown-type]\n"))
        << text.out;
    EXPECT_TRUE(
        Contains(text.out, config + ":3: warning: the level 'two' is not a valid integer value [config-level]\n"))
        << text.out;
    EXPECT_FALSE(Contains(text.err, "names no type")) << text.err;
    const auto findings = nlohmann::json::parse(Cli("check", map_, {"--config", config, "--json"}).out);
    ASSERT_GE(findings.size(), 2u);
    EXPECT_EQ(findings[findings.size() - 2]["file"], config);
    EXPECT_EQ(findings[findings.size() - 2]["code"], "config-unknown-type");
    EXPECT_EQ(findings[findings.size() - 1]["line"], 3);
    EXPECT_EQ(Cli("check", map_, {"--config", config, "--werror"}).status, kCliCheckFailed);
}

TEST_F(CliTest, CheckJsonHoldsOneObjectPerFinding) {
    const std::string map = Write("check.mp",
                                  "[IMG ID]\r\nLevel0=24\r\n[END-IMG ID]\r\n[POLYLINE]\r\nType=0x16\r\n"
                                  "EndLevel=0\r\n[END]\r\n[POLYLINE]\r\nType=0x16\r\nEndLevel=1\r\n[END]\r\n");
    const CliRun run = Cli("check", map, {"--json"});
    EXPECT_EQ(run.status, kCliCheckFailed);
    const auto findings = nlohmann::json::parse(run.out);
    ASSERT_TRUE(findings.is_array());
    ASSERT_EQ(findings.size(), 4u) << run.out;
    EXPECT_EQ(findings[0], (nlohmann::json{{"file", map},
                                           {"line", 3},
                                           {"severity", "error"},
                                           {"code", "levels-missing"},
                                           {"message", "the header has no Levels= line"}}));
    // An object's finding at the line at fault, here its EndLevel line, as the walk meets it; a type's at its
    // first object, once the walk has seen them all.
    EXPECT_EQ(findings[1]["code"], "endlevel-top");
    EXPECT_EQ(findings[1]["line"], 6);
    EXPECT_EQ(findings[2]["line"], 10);
    EXPECT_EQ(findings[3]["code"], "mixed-endlevels");
    EXPECT_EQ(findings[3]["line"], 4);
    EXPECT_EQ(findings[3]["severity"], "warning");
    EXPECT_EQ(findings[3]["kind"], "polyline");
    EXPECT_EQ(findings[3]["type"], "0x16");
}

TEST_F(CliTest, ProcessSummaryCountsEachTypeAndDryRunWritesNothing) {
    const std::string out = Path("processed.mp");
    // The object of the unknown section ends as one of the kind opened last, a polyline of type 0x4c.
    const CliRun run = Cli("process", map_, {"--summary", "--dry-run", "--config", Write("l.cfg", "p0x2f06=1\r\n")});
    EXPECT_EQ(run.status, kCliDone) << run.err;
    EXPECT_EQ(run.out,
              "POI 0x2f06: level 1; 1 inserted, 0 replaced, 1 unchanged\n"
              "Polyline 0x16: level 0; 1 inserted, 1 replaced, 0 unchanged\n"
              "Polyline 0x4c: level 0; 1 inserted, 0 replaced, 0 unchanged\n"
              "Total: 3 inserted, 1 replaced, 3 unchanged\n");
    // With =all the unchanged types too; with --dictionary the new section.
    const CliRun all = Cli("process", map_, {"--summary=all", "--dry-run", "--levels", "24,22,20,18"});
    EXPECT_EQ(all.status, kCliDone) << all.err;
    EXPECT_TRUE(StartsWith(all.out, "POI 0x0a01: level 3; 0 inserted, 0 replaced, 1 unchanged\n")) << all.out;
    EXPECT_TRUE(Contains(all.out, "Polygon 0x4c: level 2; 0 inserted, 0 replaced, 1 unchanged\nLevels: 2 -> 4\n"))
        << all.out;
    EXPECT_TRUE(
        Contains(Cli("process", map_, {"--summary", "--dry-run", "--dictionary"}).out, "\nDictionary: inserted\n"));
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(Cli("process", map_).status, kCliBadUsage);
    EXPECT_EQ(Cli("process", map_, {"--summary", "-o", out}).out, run.out);
    EXPECT_TRUE(std::filesystem::exists(out));
}

TEST_F(CliTest, ScanJsonHoldsTheLevelsAndTheTypes) {
    const CliRun run = Cli("scan", map_, {"--json"});
    EXPECT_EQ(run.status, kCliDone);
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["levels"][1], (nlohmann::json{{"key", "Level1"}, {"value", "18bit (<=8км)"}, {"bits", 18}}));
    ASSERT_EQ(report["poi"].size(), 2u);
    EXPECT_EQ(report["poi"][1], (nlohmann::json{{"level", 1},
                                                {"code", "0x2f06"},
                                                {"name", "Банк"},
                                                {"objects", 2},
                                                {"endLevels", {{"1", 1}}},
                                                {"without", 1}}));
    EXPECT_EQ(report["polyline"][0]["endLevels"], (nlohmann::json{{"5", 1}}));
    EXPECT_EQ(report["polygon"][0]["code"], "0x4c");
}

TEST_F(CliTest, ScanRangeOfEndLevelsIsNumeric) {
    // As texts "10" sorts before "2".
    const std::string map = Write("range.mp", CheckMapText({"[POI]", "Type=0x2f06", "EndLevel=2", "[END]", "[POI]",
                                                            "Type=0x2f06", "EndLevel=10", "[END]"}));
    EXPECT_TRUE(Contains(Cli("scan", map).out, "\t0x2f06\tБанк\t2\t2-10\t0\n"));
}

TEST_F(CliTest, ManualPageListsEveryCheckCodeWithItsSeverity) {
    std::ifstream manual(std::filesystem::path(STRATEX_SOURCE_DIR) / "packaging/stratex-cli.1.in");
    const std::string text((std::istreambuf_iterator<char>(manual)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(text.empty());
    for (const FindingCodeInfo& info : kFindingCodes) {
        const std::string entry =
            ".BR " + std::string(info.name) + " \" (" + std::string(SeverityName(info.severity)) + ")\"\n";
        EXPECT_TRUE(Contains(text, entry)) << entry;
    }
}

TEST_F(CliTest, BadUsagePrintsTheUsage) {
    const std::string out = Path("out.mp");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate", map_},
        {"scan"},
        {"process", map_},
        {"scan", map_, "-o", out},
        {"dictionary", map_, map_, "-o", out},
        {"scan", map_, "--unknown"},
        {"scan", map_, "--sort", "3"},
        {"scan", map_, "--sort", "x"},
        {"scan", map_, "--sort", "01"},
        {"scan", map_, "--sort"},
        {"process", map_, "-o", out, "--levels", ""},
        {"process", map_, "-o", out, "--levels", "24,x"},
        {"process", map_, "-o", out, "--levels", "24,,22"},
        {"process", map_, "-o", out, "--levels", "24,"},
        {"process", map_, "-o", out, "--levels", "123"},
        {"process", map_, "-o", out, "--levels", "-1"},
        {"process", map_, "-o", out, "--levels", "0x18"},
        {"process", map_, "-o", out, "--levels", "24, 22"},
        {"process", map_, "-o", out, "--levels", "1,2,3,4,5,6,7,8,9,10,11"},
        {"process", map_, "-o", out, "--levels", "99,0"},
        {"process", map_, "-o", out, "--levels", "22,0"},
        {"process", map_, "-o", out, "--levels", "20,22"},
        {"check", map_, "--levels", "99,0"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& arg : args) joined += " [" + arg + "]";
        SCOPED_TRACE(joined);
        const CliRun run = RunInProcess(args);
        EXPECT_EQ(run.status, kCliBadUsage);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(StartsWith(run.err, "stratex-cli: ")) << run.err;
        EXPECT_TRUE(Contains(run.err, "Usage: stratex-cli")) << run.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

// Usage errors are told in the user's terms: the command meant, where options go, the extra arguments in
// the order given.
TEST_F(CliTest, UsageErrorsSayWhatWasMeant) {
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"proces", map_}, "unknown command 'proces'; did you mean 'process'?"},
        {{"chek", map_}, "unknown command 'chek'; did you mean 'check'?"},
        {{"frobnicate", map_}, "unknown command 'frobnicate'"},
        {{"--quiet", "scan", map_}, "options go after the command: stratex-cli scan [OPTIONS] MAP"},
        {{"dictionary", map_, "-o", "-", "a", "b", "c"}, "The following arguments were not expected: a b c"},
        {{"scan", map_, "-j", "0"}, "-j: -j takes a number of maps from 1 to 64"},
        {{"check", map_, "-j", "65"}, "-j: -j takes a number of maps from 1 to 64"},
        {{"config", map_, "-o", "-", "-j", "-1"}, "-j: -j takes a number of maps from 1 to 64"},
        {{"process", map_, "--dry-run", "-j", "4x"}, "-j: -j takes a number of maps from 1 to 64"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const CliRun run = RunInProcess(c.args);
        EXPECT_EQ(run.status, kCliBadUsage);
        EXPECT_TRUE(StartsWith(run.err, "stratex-cli: " + c.message + "\n")) << run.err;
    }
}

TEST_F(CliTest, TenLevelsAreAllowed) {
    const CliRun run = Cli("scan", map_, {"--levels", "24,23,22,21,20,19,18,17,16,09"});
    EXPECT_EQ(run.status, kCliDone);
    EXPECT_TRUE(StartsWith(run.out, "Levels: 10\nLevel0\t24bit (<=120м)\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\nLevel9\t9bit ()\nPOI: 2\n")) << run.out;
}

TEST_F(CliTest, HelpAndVersion) {
    CliRun run = RunInProcess({"--version"});
    EXPECT_EQ(run.status, kCliDone);
    EXPECT_EQ(run.out, std::string("stratex-cli ") + STRATEX_VERSION + "\n");
    EXPECT_EQ(run.err, "");

    run = RunInProcess({"--help"});
    EXPECT_EQ(run.status, kCliDone);
    EXPECT_EQ(run.err, "");
    for (const char* part : {"Usage: stratex-cli [OPTIONS] SUBCOMMAND", "scan", "config", "process", "dictionary",
                             "LEVEL <tab> CODE <tab> NAME <tab> OBJECTS", "Exit status"}) {
        EXPECT_TRUE(Contains(run.out, part)) << part;
    }

    run = RunInProcess({"process", "--help"});
    EXPECT_EQ(run.status, kCliDone);
    for (const char* part : {"Usage: stratex-cli process [OPTIONS] MAP", "-o FILE", "--dictionary", "--show-all",
                             "--sort", "--config", "--levels", "--names-dir"}) {
        EXPECT_TRUE(Contains(run.out, part)) << part;
    }
}

TEST_F(CliTest, FailuresNameTheFileLineAndReason) {
    TempDir empty;
    const std::string badType = Write("bad.mp", Join({"[END-IMG ID]", "[POI]", "Type=zz", "[END]"}));
    const std::string badLevel = Write("badlevel.mp", Join({"[IMG ID]", "Level0=22", "Level1=x", "[END-IMG ID]"}));
    const std::string badCaption = Write("badlevel.cfg", Join({"l0x16=x"}));
    const std::string badCaptionWarning =
        "stratex-cli: " + badCaption + ":1: warning: the level 'x' is not a valid integer value\n";
    std::filesystem::create_directory(dir_.path() / "folder");
    const std::string notFound = ": No such file or directory.\n";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {"missing map",
         {"scan", Path("none.mp"), "--names-dir", names_},
         "stratex-cli: Cannot open file " + Path("none.mp") + notFound},
        {"map that is a folder",
         {"scan", Path("folder"), "--names-dir", names_},
         "stratex-cli: Cannot open file " + Path("folder") + ": Is a directory.\n"},
        {"missing type name file",
         {"scan", map_, "--names-dir", PathText(empty.path())},
         "stratex-cli: Cannot open file " + PathText(empty.path() / "poi.txt") + notFound},
        // A type text is read when its object ends.
        {"type that is no number",
         {"scan", badType, "--names-dir", names_},
         "stratex-cli: " + badType + ":4: 'zz' is not a valid integer value.\n"},
        {"level that is no number",
         {"scan", badLevel, "--names-dir", names_},
         "stratex-cli: " + badLevel + ":3: 'x' is not a valid integer value.\n"},
        {"missing config",
         {"scan", map_, "--names-dir", names_, "--config", Path("none.cfg")},
         "stratex-cli: Cannot open file " + Path("none.cfg") + notFound},
        {"output that is a folder",
         {"process", map_, "--names-dir", names_, "-o", Path("folder")},
         "stratex-cli: Cannot create file " + Path("folder") + ": Is a directory.\n"},
        {"output in a missing folder",
         {"config", map_, "--names-dir", names_, "-o", Path("none/out.cfg")},
         "stratex-cli: Cannot create file " + Path("none/out.cfg") + notFound},
        // The config line is pointed at when it is read; Process names the end line of the first object
        // whose level it cannot read: the polyline 0x16.
        {"level caption that is no number",
         {"process", map_, "--names-dir", names_, "--config", badCaption, "-o", Path("out.mp")},
         badCaptionWarning + "stratex-cli: " + map_ + ":28: 'x' is not a valid integer value.\n"},
        {"dictionary with a caption that is no number",
         {"dictionary", map_, "--names-dir", names_, "--config", badCaption, "-o", Path("out.txt")},
         badCaptionWarning + "stratex-cli: 'x' is not a valid integer value.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun run = RunInProcess(c.args);
        EXPECT_EQ(run.status, kCliFailure);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "out.mp"));
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "out.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path() / "folder"));
}

TEST_F(CliTest, NoPolishMapWritesNothing) {
    const std::string text = Write("text.mp", Join({"Level0=22", "[POI]", "Type=0x2f06", "[END]"}));
    for (const std::string command : {"scan", "config", "process", "dictionary"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> options;
        if (command != "scan") options = {"-o", Path("out")};
        const CliRun run = Cli(command, text, options);
        EXPECT_EQ(run.status, kCliNotAMap);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "stratex-cli: " + text + ": Этот файл не Polish MAP!!!\nstratex-cli: " + text +
                               ": no line holds [END-IMG ID].\n");
        EXPECT_FALSE(std::filesystem::exists(dir_.path() / "out"));
    }
    // check says why as the others do, and with --json a JSON reader gets the finding.
    const std::string empty = Write("empty.mp", "");
    const CliRun check = Cli("check", empty, {"--json"});
    EXPECT_EQ(check.status, kCliNotAMap);
    EXPECT_EQ(check.err, "stratex-cli: " + empty + ": Этот файл не Polish MAP!!!\nstratex-cli: " + empty +
                             ": the file is empty.\n");
    const nlohmann::json findings = nlohmann::json::parse(check.out);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0]["code"], "not-a-map");
    EXPECT_EQ(findings[0]["severity"], "error");
    EXPECT_EQ(findings[0]["message"], "the file is empty");
}

// Switches the working folder for one test.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::filesystem::path& folder) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(old_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path old_;
};

// check needs no type name files: where none are found, the types go unnamed; the other commands need them.
TEST_F(CliTest, CheckNeedsNoTypeNameFiles) {
    TempDir empty;
    const WorkingFolder there(empty.path());
    const CliRun check = RunInProcess({"check", map_, "--json"});
    EXPECT_TRUE(check.status == kCliDone || check.status == kCliCheckFailed) << check.err;
    EXPECT_TRUE(nlohmann::json::parse(check.out).is_array());
    EXPECT_NE(RunInProcess({"check", map_, "--show-all"}).status, kCliFailure);
    EXPECT_EQ(RunInProcess({"scan", map_}).status, kCliFailure);
}

TEST_F(CliTest, RelativePathsAndTheWorkingFolder) {
    const WorkingFolder working(dir_.path());
    const auto here = std::filesystem::current_path();
    // Type name files come from the working folder; messages name files by absolute paths.
    CliRun run = RunInProcess({"scan", "none.mp"});
    EXPECT_EQ(run.status, kCliFailure);
    EXPECT_EQ(run.err,
              "stratex-cli: Cannot open file " + PathText(here / "none.mp") + ": No such file or directory.\n");

    run = RunInProcess({"config", "map.mp", "-o", "out.cfg"});
    EXPECT_EQ(run.status, kCliDone);
    EXPECT_EQ(ReadAll(here / "out.cfg"), "p0x0a01=3\r\np0x2f06=1\r\nl0x16=0\r\ng0x4c=2\r\n");

    // A path from the root of the working folder's drive (any absolute path on Linux) is no "/option".
    const std::string fromRoot = PathText("/" / PathFromUtf8(map_).relative_path());
    run = RunInProcess({"scan", fromRoot});
    EXPECT_EQ(run.status, kCliDone) << run.err;
    EXPECT_EQ(run.out, Cli("scan", map_).out);
}

// Without --names-dir and without the files in the working folder, the installed ones are taken; when they
// are missing too the message names both folders.
TEST_F(CliTest, MissingTypeNameFilesNameTheFoldersTried) {
    TempDir empty;
    const WorkingFolder working(empty.path());
    const CliRun run = RunInProcess({"scan", map_});
    if (run.status == kCliDone) GTEST_SKIP() << "Stratex is installed here: its type name files were found";
    EXPECT_EQ(run.status, kCliFailure);
    const std::string start =
        "stratex-cli: The type name files poi.txt, polyline.txt and polygon.txt are not in the "
        "working folder " +
        PathText(std::filesystem::current_path()) + " nor in ";
    ASSERT_TRUE(StartsWith(run.err, start)) << run.err;
    // The installed folder: a fixed one, or on Windows the folder of the executable (here the tests').
    const std::filesystem::path installed =
        PathFromUtf8(run.err.substr(start.size(), run.err.find(';') - start.size()));
    EXPECT_TRUE(installed.is_absolute()) << run.err;
    EXPECT_TRUE(run.err.ends_with("; name their folder with --names-dir.\n")) << run.err;
}

// With or without choices of Process's, check judges the map that Process would write: the type's level
// from its first object puts the second below its data, an error at the line process names.
TEST_F(CliTest, CheckJudgesTheMapProcessWouldWrite) {
    const std::string map = Write("above.mp", CheckMapText({"[POLYLINE]", "Type=0x16", "EndLevel=0", "[END]",
                                                            "[POLYLINE]", "Type=0x16", "Data1=(1,2)", "[END]"}));
    for (const std::vector<std::string>& choices :
         {std::vector<std::string>{}, {"--show-all"}, {"--sort", "2"}, {"--levels", "24,21,18"}}) {
        SCOPED_TRACE(choices.empty() ? "no choice" : choices.front());
        const CliRun run = Cli("check", map, choices);
        EXPECT_EQ(run.status, kCliCheckFailed);
        EXPECT_TRUE(Contains(run.out, map + ":14: error: the polyline 0x16 object: the data starts at level 1, "
                                            "above EndLevel=0 [data-above-endlevel]"))
            << run.out;
    }
    const CliRun process = Cli("process", map, {"-o", Path("out.mp")});
    EXPECT_TRUE(Contains(process.err, map + ":14: warning: 1 object gets an EndLevel below")) << process.err;
}

// process --werror writes nothing where Process warns, and ends with the status of a failed check.
TEST_F(CliTest, ProcessWerrorWritesNothingWhereProcessWarns) {
    const CliRun run = Cli("process", map_, {"--levels", "22,20", "--werror", "-o", Path("out.mp")});
    EXPECT_EQ(run.status, kCliCheckFailed);
    EXPECT_TRUE(Contains(run.err, "warning: 4 objects get an EndLevel at or above the top level")) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "out.mp"));
    EXPECT_EQ(Cli("process", map_, {"--levels", "22,20,18,16,14", "--werror", "-o", Path("out.mp")}).status, kCliDone);
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "out.mp"));
}

TEST_F(CliTest, ProcessWritesTheProcessedMap) {
    Write("levels.cfg", Join({"p0x2f06=2", "l0x16=1"}));
    const CliRun run =
        Cli("process", shortMap_, {"--levels", "22,20,17", "--config", Path("levels.cfg"), "-o", Path("out.mp")});
    EXPECT_EQ(run.status, kCliDone);
    EXPECT_EQ(run.out, "");
    // The POI gets level 2, the top of the three levels: Process says so, and writes the map all the same.
    EXPECT_EQ(run.err, "stratex-cli: " + shortMap_ +
                           ":12: warning: 1 object gets an EndLevel at or above the top level, 2, which holds no "
                           "objects; it ends here\n");
    EXPECT_EQ(ReadAll(dir_.path() / "out.mp"),
              Join({"[IMG ID]", "Levels=3", "Level0=22", "Level1=20", "Level2=17", "Zoom0=0", "Zoom1=1", "Zoom2=2",
                    "[END-IMG ID]", "[POI]", "Type=0x2f06", "EndLevel=2", "Data0=(1,2)", "[END]", "[POLYLINE]",
                    "Type=0x16", "EndLevel=1", "Data0=(1,2),(3,4)", "[END]"}));
}

TEST_F(CliTest, ProcessWithTheDictionaryOption) {
    const CliRun run = Cli("process", shortMap_, {"--dictionary", "-o", Path("out.mp")});
    EXPECT_EQ(run.status, kCliDone);
    const LineList lines = LoadLineFile(dir_.path() / "out.mp");
    ASSERT_EQ(lines.size(), kShortMapLines.size() + 1 + 38);  // one EndLevel line inserted, one dictionary
    EXPECT_EQ(lines[6], "[END-IMG ID]");
    EXPECT_EQ(lines[7], "");
    EXPECT_EQ(lines[8], ";Stratex Generated DICTIONARY!!!");
    EXPECT_EQ(lines[9], "[DICTIONARY]");
    EXPECT_EQ(lines[43], "[END-DICTIONARY]");
}

TEST_F(CliTest, OutputMayReplaceTheInput) {
    const std::vector<std::string> options = {"--levels", "21,18", "--sort", "0", "--dictionary"};
    auto withOutput = [&](const std::string& out) {
        auto all = options;
        all.insert(all.end(), {"-o", out});
        return all;
    };
    ASSERT_EQ(Cli("process", map_, withOutput(Path("other.mp"))).status, kCliDone);
    ASSERT_EQ(Cli("process", map_, withOutput(map_)).status, kCliDone);
    const std::string processed = ReadAll(dir_.path() / "map.mp");
    EXPECT_EQ(processed, ReadAll(dir_.path() / "other.mp"));
    EXPECT_NE(processed, Join(kMapLines));
    EXPECT_EQ(dir_.FileNames(),
              (std::vector<std::string>{"map.mp", "other.mp", "poi.txt", "polygon.txt", "polyline.txt", "short.mp"}));
}

// No output is a file that the command reads, nor another output's file, however it is spelt or linked: bad
// usage naming both files, with nothing read or written. process -o and --in-place may replace their own map.
TEST_F(CliTest, OutputNeverReplacesAnotherInput) {
    const std::string config = Write("levels.cfg", Join({"p0x2f06=2"}));
    std::filesystem::create_directory(dir_.path() / "sub");
    std::filesystem::create_directory(dir_.path() / "out");
    std::filesystem::create_directory(dir_.path() / "linked");
    const std::string sameName = Write("sub/map.mp", Join(kShortMapLines));
    const std::string configInOut = Write("out/map.mp", Join({"p0x2f06=2"}));
    const std::string mapSpeltOtherwise = Path("sub/../map.mp");
    const bool linked = [&] {
        std::error_code ec;
        std::filesystem::create_symlink("../short.mp", dir_.path() / "linked" / "map.mp", ec);
        return !ec;
    }();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string err;
        bool needsLink = false;
    };
    const std::string readOnly = ", which this command reads but never writes";
    // -O's outputs are spelt as the folder joined with the map's name (a backslash between them on Windows).
    const Case cases[] = {
        {"config over the map", {"config", map_, "-o", map_}, "-o " + map_ + " is the map " + map_ + readOnly},
        {"dictionary over the map, spelt otherwise",
         {"dictionary", map_, "-o", mapSpeltOtherwise},
         "-o " + mapSpeltOtherwise + " is the map " + map_ + readOnly},
        {"config of a set over its second map",
         {"config", map_, shortMap_, "-o", shortMap_},
         "-o " + shortMap_ + " is the map " + shortMap_ + readOnly},
        {"process over its config",
         {"process", map_, "--config", Path("sub/../levels.cfg"), "-o", config},
         "-o " + config + " is the level config file " + Path("sub/../levels.cfg") + " given with --config"},
        {"process over a type name file",
         {"process", map_, "-o", Path("poi.txt")},
         "-o " + Path("poi.txt") + " is the type name file " + Path("poi.txt")},
        {"-O onto the --config file",
         {"process", map_, shortMap_, "-O", Path("out"), "--config", configInOut},
         "-O would write " + map_ + " to " + PathText(dir_.path() / "out" / "map.mp") +
             ", which is the level config file " + configInOut + " given with --config"},
        {"-O through a link onto another map",
         {"process", map_, shortMap_, "-O", Path("linked")},
         "-O would write " + map_ + " to " + PathText(dir_.path() / "linked" / "map.mp") + ", which is the map " +
             shortMap_,
         true},
        {"-O onto the maps' own folder",
         {"process", map_, shortMap_, "-O", names_},
         "-O would write " + map_ + " to " + map_ + ", which is the map itself; use --in-place to replace the maps"},
        {"-O of two maps of one name",
         {"process", map_, sameName, "-O", Path("fresh")},
         "-O would write both " + map_ + " and " + sameName + " to " + PathText(dir_.path() / "fresh" / "map.mp")},
        {"--in-place over a --config file",
         {"process", map_, shortMap_, "--in-place", "--config", shortMap_},
         "--in-place would replace " + shortMap_ + ", which is the level config file " + shortMap_ +
             " given with --config"},
    };
    const std::vector<std::string> before = dir_.FileNames();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // MinGW-w64's std::filesystem makes no symbolic links on Windows.
        if (c.needsLink && !linked) continue;
        auto args = c.args;
        args.insert(args.end(), {"--names-dir", names_});
        const CliRun run = RunInProcess(args);
        EXPECT_EQ(run.status, kCliBadUsage);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "stratex-cli: " + c.err + ".\n");
    }
    EXPECT_EQ(dir_.FileNames(), before);
    EXPECT_EQ(ReadAll(dir_.path() / "map.mp"), Join(kMapLines));
    EXPECT_EQ(ReadAll(dir_.path() / "short.mp"), Join(kShortMapLines));
    EXPECT_EQ(ReadAll(dir_.path() / "levels.cfg"), Join({"p0x2f06=2"}));
    EXPECT_EQ(ReadAll(dir_.path() / "out" / "map.mp"), Join({"p0x2f06=2"}));
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "out" / "short.mp"));
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "linked" / "short.mp"));
}

// "-o -" writes to standard output the bytes that "-o FILE" writes to the file.
TEST_F(CliTest, DashWritesStandardOutput) {
    for (const std::string command : {"config", "process", "dictionary"}) {
        SCOPED_TRACE(command);
        const CliRun toFile = Cli(command, map_, {"--dictionary", "--quiet", "-o", Path("out")});
        ASSERT_EQ(toFile.status, kCliDone);
        const CliRun toOut = Cli(command, map_, {"--dictionary", "--quiet", "-o", "-"});
        EXPECT_EQ(toOut.status, kCliDone);
        EXPECT_EQ(toOut.err, "");
        EXPECT_EQ(toOut.out, ReadAll(dir_.path() / "out"));
        EXPECT_FALSE(toOut.out.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "-"));

    // A standard output that takes nothing (a full disk behind a redirection) is a failure.
    std::ostringstream full;
    full.setstate(std::ios::badbit);
    std::ostringstream err;
    EXPECT_EQ(RunCli({"stratex-cli", "config", map_, "--names-dir", names_, "-o", "-"}, full, err), kCliFailure);
    EXPECT_EQ(err.str(), "stratex-cli: Cannot write to standard output.\n");
}

// Every report that cannot be written fails: none is lost with exit status 0.
TEST_F(CliTest, AReportThatCannotBeWrittenFails) {
    const std::vector<std::vector<std::string>> commands = {
        {"scan"}, {"scan", "--json"}, {"check"}, {"check", "--json"}, {"process", "--dry-run", "--summary"}};
    for (const std::vector<std::string>& words : commands) {
        std::vector<std::string> args = {"stratex-cli", words.front(), map_, "--names-dir", names_, "--quiet"};
        args.insert(args.end(), words.begin() + 1, words.end());
        SCOPED_TRACE(args[1] + (words.size() > 1 ? " " + words[1] : ""));
        std::ostringstream full;
        full.setstate(std::ios::badbit);
        std::ostringstream err;
        EXPECT_EQ(RunCli(args, full, err), kCliFailure);
        EXPECT_NE(err.str().find("Cannot write to standard output"), std::string::npos);
    }
}

TEST_F(CliTest, WarningsLeaveTheStatusAloneAndQuietSilencesThem) {
    const std::string noHeader =
        Write("nolevels.mp", Join({"[IMG ID]", "[END-IMG ID]", "[POI]", "Type=0x2f06", "[END]"}));
    const std::string withDictionary = Write(
        "dic.mp", Join({"[IMG ID]", "Levels=1", "Level0=22", "[END-IMG ID]", "[DICTIONARY]", "[END-DICTIONARY]"}));
    const std::string config =
        Write("levels.cfg", Join({"p0x2f06=2", "p0x2F06=3", "", "l22=1", "g0x99=1", "comment", "x0x16=4", "g0x4c=x"}));
    const std::string prefix = "stratex-cli: ";
    struct Case {
        const char* name;
        std::string command;
        std::string map;
        std::vector<std::string> options;
        std::string err;
    };
    const Case cases[] = {
        {"dictionary option without a dictionary",
         "scan",
         map_,
         {"--dictionary"},
         prefix + map_ +
             ": warning: the map has no [DICTIONARY] section, so with --dictionary every type starts at level 0\n"},
        {"dictionary option with a dictionary", "scan", withDictionary, {"--dictionary"}, ""},
        {"levels without a Levels= line",
         "process",
         noHeader,
         {"--levels", "22,20", "-o", Path("out.mp")},
         prefix + noHeader +
             ": warning: the header has no Levels= line, so --levels leaves the level header of the map as it is\n"},
        {"levels with a Levels= line, and types at their top",
         "process",
         map_,
         {"--levels", "22,20", "-o", Path("out.mp")},
         prefix + map_ +
             ":13: warning: 4 objects get an EndLevel at or above the top level, 1, which holds no objects; the "
             "first ends here\n"},
        {"config lines that name no listed type",
         "scan",
         map_,
         {"--config", config},
         prefix + config + ":2: warning: 'p0x2F06' names no type of the lists; did you mean 'p0x2f06'?\n" + prefix +
             config + ":4: warning: 'l22' names no type of the lists; did you mean 'l0x16'?\n" + prefix + config +
             ":6: warning: 'comment' names no type of the lists\n" + prefix + config +
             ":7: warning: 'x0x16' names no type of the lists\n" + prefix + config +
             ":8: warning: the level 'x' is not a valid integer value\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CliRun run = Cli(c.command, c.map, c.options);
        EXPECT_EQ(run.status, kCliDone);
        EXPECT_EQ(run.err, c.err);
        const std::string out = run.out;
        auto quiet = c.options;
        quiet.push_back("--quiet");
        run = Cli(c.command, c.map, quiet);
        EXPECT_EQ(run.status, kCliDone);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, out);
    }
}

TEST_F(CliTest, ConfigAndDictionaryFiles) {
    CliRun run = Cli("config", map_, {"--show-all", "-o", Path("out.cfg")});
    EXPECT_EQ(run.status, kCliDone);
    EXPECT_EQ(ReadAll(dir_.path() / "out.cfg"),
              Join({"p0x0a01=3", "p0x2f06=1", "p0x0001=0", "p0x6401=0", "l0x16=0", "l0x1f=0", "g0x4c=2", "g0x3c=0"}));

    Write("levels.cfg", Join({"l0x16=2"}));
    run = Cli("dictionary", map_, {"--config", Path("levels.cfg"), "-o", Path("out.txt")});
    EXPECT_EQ(run.status, kCliDone);
    const std::string bytes = ReadAll(dir_.path() / "out.txt");
    EXPECT_TRUE(bytes.ends_with("[END-DICTIONARY]\r\n\r\n"));
    const LineList lines = SplitLines(bytes);
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(lines[2], "[DICTIONARY]");
    // Polyline rows are lines 17 to 25; the flag of type k is character 12 + k.
    EXPECT_EQ(lines[16].substr(0, 11), "Level1Rgn40");
    EXPECT_EQ(lines[17][11 + 0x16], '1');
    EXPECT_EQ(lines[18][11 + 0x16], '0');
    // POI 0x2f06 at level 1, 0x0a01 at level 3.
    EXPECT_EQ(lines[5][11 + 0x2f], '1');
    EXPECT_EQ(lines[6][11 + 0x2f], '0');
    EXPECT_EQ(lines[7][11 + 0x0a], '1');
    EXPECT_EQ(lines[8][11 + 0x0a], '0');
}

// A level config file that an editor saved with a UTF-8 byte order mark takes its first line as any other.
TEST_F(CliTest, ConfigByteOrderMarkIsSkipped) {
    Write("bom.cfg", "\xEF\xBB\xBF" + Join({"p0x0a01=0", "l0x16=1"}));
    const CliRun run = Cli("config", map_, {"--config", Path("bom.cfg"), "-o", "-"});
    EXPECT_EQ(run.status, kCliDone);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, Join({"p0x0a01=0", "p0x2f06=1", "l0x16=1", "g0x4c=2"}));
}

// Every map under the real test data: a scan lists only types that objects use, and Process changes no
// line but the level header and EndLevel lines.
std::vector<std::filesystem::path> RealMaps() {
    std::vector<std::filesystem::path> maps;
    const std::filesystem::path root = RealMap("");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && entry.path().extension() == ".mp") maps.push_back(entry.path());
    }
    std::sort(maps.begin(), maps.end());
    return maps;
}

// The lines that Process must leave alone, in order: the header without its lines that begin with "Level"
// or "Zoom" (any case), the objects without their lines that begin with "EndLevel".
LineList UntouchedLines(const LineList& lines) {
    LineList kept;
    bool inHeader = true;
    for (const auto& line : lines) {
        if (inHeader) {
            if (!StartsWithNoCase(line, "level") && !StartsWithNoCase(line, "zoom")) kept.push_back(line);
            if (Contains(line, "[END-IMG ID]")) inHeader = false;
        } else if (!StartsWith(line, "EndLevel")) {
            kept.push_back(line);
        }
    }
    return kept;
}

TEST_F(CliTest, RealMapsKeepEverythingButLevels) {
    STRATEX_SKIP_WITHOUT(RealMap(""));
    const auto maps = RealMaps();
    int processed = 0;
    for (const auto& map : maps) {
        SCOPED_TRACE(map.string());
        const CliRun scan = Cli("scan", PathText(map));
        ASSERT_TRUE(scan.status == kCliDone || scan.status == kCliFailure || scan.status == kCliNotAMap) << scan.status;
        if (scan.status != kCliDone) continue;
        // Without Show All every listed type has an object.
        std::istringstream report(scan.out);
        for (std::string line; std::getline(report, line);) {
            if (std::count(line.begin(), line.end(), '\t') == 5) {
                std::istringstream fields(line);
                std::string field;
                for (int i = 0; i < 4; ++i) std::getline(fields, field, '\t');
                EXPECT_NE(field, "0") << line;
            }
        }
        const auto out = dir_.path() / "real.mp";
        const CliRun process = Cli("process", PathText(map), {"-o", PathText(out)});
        if (process.status != kCliDone) {
            ADD_FAILURE() << process.err;
            continue;
        }
        EXPECT_EQ(UntouchedLines(LoadLineFile(out)), UntouchedLines(LoadLineFile(map)));
        ++processed;
    }
    EXPECT_GT(processed, 0);
}

#ifdef _WIN32
// An argument for cmd.exe: quoted, so that blanks and the shell's characters stay in it.
std::string Quote(const std::string& text) { return '"' + text + '"'; }
#else
std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
#endif

// Runs the built stratex-cli with its output in files of dir.
CliRun RunExecutable(const std::vector<std::string>& args, const TempDir& dir) {
    std::string command = Quote(PathText(std::filesystem::path(STRATEX_CLI_PATH).make_preferred()));
    const auto out = dir.path() / "stdout.txt";
    const auto err = dir.path() / "stderr.txt";
    for (const std::string& word : args) command.append(" ").append(Quote(word));
    command.append(" >").append(Quote(PathText(out))).append(" 2>").append(Quote(PathText(err)));
#ifdef _WIN32
    // cmd.exe /c drops the first and the last quote of a command that starts with one: a pair more keeps
    // the command's own. The command is UTF-8; the wide form takes every file name.
    const int status = _wsystem(PathFromUtf8('"' + command + '"').c_str());
    // Standard error is in text mode there, with CR LF line ends; standard output is binary.
    std::string errText = ReadAll(err);
    std::erase(errText, '\r');
    return {status, ReadAll(out), errText};
#else
    const int raw = std::system(command.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return {status, ReadAll(out), ReadAll(err)};
#endif
}

TEST_F(CliTest, ExecutableGivesWhatTheLibraryGives) {
    TempDir out;
    CliRun run = RunExecutable({"--version"}, out);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string("stratex-cli ") + STRATEX_VERSION + "\n");

    const std::vector<std::string> options = {"--names-dir", names_, "--levels", "22,20,18,16",
                                              "--sort",      "2",    "--quiet"};
    // In place: the map is closed before the new file replaces it, which Windows requires.
    const std::filesystem::path inPlace = out.path() / "exe.mp";
    std::filesystem::copy_file(PathFromUtf8(map_), inPlace);
    auto args = options;
    args.insert(args.begin(), {"process", PathText(inPlace), "-o", PathText(inPlace)});
    run = RunExecutable(args, out);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    args = options;
    args.insert(args.begin(), {"process", map_, "-o", PathText(out.path() / "lib.mp")});
    ASSERT_EQ(RunInProcess(args).status, kCliDone);
    const std::string processed = ReadAll(out.path() / "exe.mp");
    EXPECT_TRUE(Contains(processed, "Levels=4\r\nLevel0=22\r\nLevel1=20\r\nLevel2=18\r\nLevel3=16\r\nZoom0=0\r\n"));
    EXPECT_EQ(processed, ReadAll(out.path() / "lib.mp"));

    // Standard output carries the bytes unchanged.
    args = options;
    args.insert(args.begin(), {"process", map_, "-o", "-"});
    run = RunExecutable(args, out);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, processed);

    run = RunExecutable({"scan", map_, "--names-dir", names_}, out);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, RunInProcess({"scan", map_, "--names-dir", names_}).out);

    // A name that the ANSI code page cannot spell reaches the program, and its messages, as it was given.
    const std::filesystem::path notAMap = dir_.path() / PathFromUtf8("не карта.mp");
    std::ofstream(notAMap, std::ios::binary) << "no map\r\n";
    const std::string text = PathText(notAMap);
    run = RunExecutable({"scan", text, "--names-dir", names_}, out);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "stratex-cli: " + text + ": Этот файл не Polish MAP!!!\nstratex-cli: " + text +
                           ": no line holds [END-IMG ID].\n");
}

}  // namespace
}  // namespace stratex
