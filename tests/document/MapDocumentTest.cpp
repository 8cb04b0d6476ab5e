#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bytes/Cp1251.h"
#include "bytes/Error.h"
#include "bytes/LineList.h"
#include "document/MapDocument.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

// The rows of a list as "level|code|name" (names in UTF-8).
std::vector<std::string> Rows(const TypeList& list) {
    std::vector<std::string> rows;
    for (const auto& row : list.rows()) rows.push_back(row.level + "|" + row.code + "|" + Cp1251ToUtf8(row.name));
    return rows;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

// A map with a header of three levels, two POI types (code order differs from level order), one polyline
// type met twice and one polygon type.
const std::vector<std::string> kMapLines = {
    "[IMG ID]",  "Name=Test",  "Levels=3",    "Level0=24",   "Level1=21",
    "Level2=18", "Zoom0=0",    "Zoom1=1",     "Zoom2=2",     "[END-IMG ID]",
    "",          "[POI]",      "Type=0x2F06", "EndLevel=1",  "Data0=(1,2)",
    "[END]",     "[POI]",      "Type=0x0a01", "EndLevel=3",  "Data0=(1,2)",
    "[END]",     "[POLYLINE]", "Type=0x16",   "Label=Trail", "Data0=(1,2),(3,4)",
    "[END]",     "[POLYLINE]", "Type=0x16",   "EndLevel=4",  "Data0=(1,2),(3,4)",
    "[END]",     "[POLYGON]",  "Type=0x4c",   "EndLevel=2",  "Data0=(1,2),(3,4),(5,6)",
    "[END]",
};

// A type name file set and a few maps in a temporary folder, which is also the program folder.
class MapDocumentTest : public ::testing::Test {
protected:
    MapDocumentTest() {
        dir_.Write("poi.txt",
                   Join({"0x0001=Aaa", Utf8ToCp1251("0x2f06=Банк"), Utf8ToCp1251("0x0a01=Еда"), "0x6401=Bridge"}));
        dir_.Write("polyline.txt", Join({"0x01=Motorway", "0x16=Trail", "0x1f=River"}));
        dir_.Write("polygon.txt", Join({"0x4c=Lake", "0x3c=Sea"}));
        map_ = dir_.Write("map.mp", Join(kMapLines));
    }

    std::filesystem::path Path(const std::string& name) const { return dir_.path() / name; }

    TempDir dir_;
    std::filesystem::path map_;
};

// The message of the Error that action throws ("" when it throws none).
std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

TEST_F(MapDocumentTest, StartsAsTheWindowDoes) {
    MapDocument document(dir_.path());
    EXPECT_FALSE(document.hasMap());
    EXPECT_TRUE(document.map().empty());
    EXPECT_EQ(document.levels().rows(), (std::vector<LevelRow>{{"", "", false}}));
    for (const ObjectKind kind : kAllKinds) EXPECT_TRUE(document.lists().Of(kind).empty());
    EXPECT_EQ(document.tables(), DictionaryTables{});
    EXPECT_TRUE(document.dicLines().empty());
    EXPECT_TRUE(document.cfgLines().empty());
    EXPECT_EQ(document.buttons(), ButtonStates{});
    EXPECT_FALSE(document.modified());
    EXPECT_FALSE(document.showAll());
    EXPECT_FALSE(document.useDictionary());
    EXPECT_EQ(document.sortColumn(), 1);
    EXPECT_EQ(document.programDir(), dir_.path());
}

TEST_F(MapDocumentTest, OpenMapFillsLevelsAndSortedLists) {
    MapDocument document(dir_.path());
    EXPECT_TRUE(document.OpenMap(map_));
    EXPECT_TRUE(document.hasMap());
    EXPECT_EQ(document.map().LineCount(), kMapLines.size());
    ASSERT_EQ(document.levels().size(), 3u);
    EXPECT_EQ(document.levels().rows()[1], (LevelRow{"Level1", Utf8ToCp1251("21bit (<=1,2км)"), true}));
    EXPECT_EQ(Rows(document.lists().poi), (std::vector<std::string>{"3|0x0a01|Еда", "1|0x2f06|Банк"}));
    EXPECT_EQ(Rows(document.lists().polyline), (std::vector<std::string>{"0|0x16|Trail"}));
    EXPECT_EQ(Rows(document.lists().polygon), (std::vector<std::string>{"2|0x4c|Lake"}));
}

enum class Step { Open, Process, Save, ShowAllOn, ShowAllOff, OpenCfg, DicOn, DicOff };

TEST_F(MapDocumentTest, ButtonsFollowTheOperations) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
        ButtonStates buttons;  // process, saveMap, openCfg, saveCfg, saveDic
        bool modified;
    };
    using enum Step;
    const Case cases[] = {
        {"nothing done", {}, {false, false, false, false, false}, false},
        {"open", {Open}, {true, false, true, true, false}, false},
        {"open with the dictionary option", {DicOn, Open}, {true, false, true, true, true}, false},
        {"process", {Open, Process}, {true, true, true, true, false}, true},
        {"process then save", {Open, Process, Save}, {true, true, true, true, false}, false},
        {"show all on disables nothing", {Open, Process, ShowAllOn}, {true, true, true, true, false}, true},
        {"show all off", {Open, Process, ShowAllOn, ShowAllOff}, {false, false, false, false, false}, true},
        {"show all off with the option",
         {DicOn, Open, ShowAllOn, ShowAllOff},
         {false, false, false, false, false},
         false},
        {"save dic is disabled only while the option is on",
         {DicOn, Open, DicOff, ShowAllOn, ShowAllOff},
         {false, false, false, false, true},
         false},
        {"show all without a map", {ShowAllOn}, {false, false, false, true, false}, false},
        {"show all without a map, option on", {DicOn, ShowAllOn}, {false, false, false, true, true}, false},
        {"open switches show all off first", {Open, Process, ShowAllOn, Open}, {true, false, true, true, false}, true},
        {"open keeps save map and modified", {Open, Process, Open}, {true, true, true, true, false}, true},
        {"open cfg enables save cfg only",
         {Open, ShowAllOn, ShowAllOff, OpenCfg},
         {false, false, false, true, false},
         false},
        {"option ticked after open changes no button", {Open, DicOn}, {true, false, true, true, false}, false},
        {"open cfg with the option", {Open, DicOn, OpenCfg}, {true, false, true, true, true}, false},
        {"show all off while off changes nothing", {Open, ShowAllOff}, {true, false, true, true, false}, false},
    };
    const auto cfg = dir_.Write("levels.cfg", "p0x2f06=5\r\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MapDocument document(dir_.path());
        for (const Step step : c.steps) {
            switch (step) {
                case Open:
                    document.OpenMap(map_);
                    break;
                case Process:
                    document.Process();
                    break;
                case Save:
                    document.SaveMap(Path("out.mp"));
                    break;
                case ShowAllOn:
                    document.SetShowAll(true);
                    break;
                case ShowAllOff:
                    document.SetShowAll(false);
                    break;
                case OpenCfg:
                    document.OpenConfig(cfg);
                    break;
                case DicOn:
                    document.SetUseDictionary(true);
                    break;
                case DicOff:
                    document.SetUseDictionary(false);
                    break;
            }
        }
        EXPECT_EQ(document.buttons(), c.buttons);
        EXPECT_EQ(document.modified(), c.modified);
    }
}

// Everything a failed Open MAP must leave as it was.
struct Snapshot {
    std::string buffer;
    std::vector<LevelRow> levels;
    std::vector<std::vector<std::string>> lists;
    DictionaryTables tables;
    LineList dicLines;
    ButtonStates buttons;
    bool modified;
    bool hasMap;

    explicit Snapshot(const MapDocument& d)
        : buffer(d.map().Buffer()),
          levels(d.levels().rows()),
          lists{Rows(d.lists().poi), Rows(d.lists().polyline), Rows(d.lists().polygon)},
          tables(d.tables()),
          dicLines(d.dicLines()),
          buttons(d.buttons()),
          modified(d.modified()),
          hasMap(d.hasMap()) {}
    bool operator==(const Snapshot&) const = default;
};

// A dictionary section giving polyline 0x16 the level topLevel, for maps that carry one.
std::vector<std::string> DictionaryLines(int topLevel) {
    std::vector<std::string> lines = {"[DICTIONARY]"};
    for (int level = 1; level <= topLevel; ++level) {
        std::string flags(255, '0');
        flags[0x16 - 1] = '1';
        lines.push_back("Level" + std::to_string(level) + "Rgn40=" + flags);
    }
    lines.push_back("[END-DICTIONARY]");
    return lines;
}

TEST_F(MapDocumentTest, FailedOpenLeavesTheOpenMap) {
    struct Case {
        const char* name;
        std::function<std::filesystem::path()> prepare;  // returns the map to open
        std::function<std::string()> message;
    };
    const auto withBadLine = [this](const std::string& file, std::size_t at, const std::string& line) {
        std::vector<std::string> lines = kMapLines;
        lines[at] = line;
        // A dictionary with another level comes first, so that a scan which stopped later would already
        // have read it.
        const auto dictionary = DictionaryLines(2);
        lines.insert(lines.begin() + 10, dictionary.begin(), dictionary.end());
        return dir_.Write(file, Join(lines));
    };
    const Case cases[] = {
        {"missing map", [this] { return Path("missing.mp"); },
         [this] { return "Cannot open file " + PathToUtf8(Path("missing.mp")); }},
        {"missing type name file",
         [this] {
             std::filesystem::remove(Path("polygon.txt"));
             return map_;
         },
         [this] { return "Cannot open file " + PathToUtf8(Path("polygon.txt")); }},
        {"level that is no number", [&] { return withBadLine("level.mp", 4, "Level1=abc"); },
         [] { return std::string("'abc' is not a valid integer value"); }},
        {"type that is no number", [&] { return withBadLine("type.mp", 32, "Type=zz"); },
         [] { return std::string("'zz' is not a valid integer value"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MapDocument document(dir_.path());
        document.SetUseDictionary(true);
        // An open, processed map whose dictionary tables are not all 0.
        auto lines = kMapLines;
        const auto dictionary = DictionaryLines(3);
        lines.insert(lines.begin() + 10, dictionary.begin(), dictionary.end());
        ASSERT_TRUE(document.OpenMap(dir_.Write("first.mp", Join(lines))));
        document.Process();
        ASSERT_EQ(document.tables().dic40[0x16], 3);
        const Snapshot before(document);

        const auto path = c.prepare();
        EXPECT_EQ(ErrorOf([&] { document.OpenMap(path); }), c.message());
        EXPECT_TRUE(Snapshot(document) == before);
        dir_.Write("polygon.txt", Join({"0x4c=Lake", "0x3c=Sea"}));
    }
}

TEST_F(MapDocumentTest, FailedOpenStillSwitchesShowAllOff) {
    MapDocument document(dir_.path());
    document.OpenMap(map_);
    document.SetShowAll(true);
    ASSERT_EQ(document.lists().poi.size(), 4u);
    EXPECT_THROW(document.OpenMap(Path("missing.mp")), Error);
    EXPECT_FALSE(document.showAll());
    EXPECT_EQ(Rows(document.lists().poi), (std::vector<std::string>{"3|0x0a01|Еда", "1|0x2f06|Банк"}));
    EXPECT_EQ(document.buttons(), ButtonStates{});
}

TEST_F(MapDocumentTest, NoPolishMapIsStillLoaded) {
    MapDocument document(dir_.path());
    document.OpenMap(map_);
    EXPECT_FALSE(
        document.OpenMap(dir_.Write("text.mp", Join({"hello", "Level0=22", "[POI]", "Type=0x2f06", "[END]"}))));
    EXPECT_TRUE(document.hasMap());
    EXPECT_EQ(document.map().LineCount(), 5u);
    EXPECT_EQ(document.levels().rows(), (std::vector<LevelRow>{{"Level0", Utf8ToCp1251("22bit (<=500м)"), true}}));
    for (const ObjectKind kind : kAllKinds) EXPECT_TRUE(document.lists().Of(kind).empty());
    EXPECT_EQ(document.buttons(), (ButtonStates{true, false, true, true, false}));
}

TEST_F(MapDocumentTest, ProcessAppliesTheDocumentsChoices) {
    MapDocument document(dir_.path());
    document.OpenMap(map_);
    document.SetLevels({22, 8});
    document.SetLevelOfRows(ObjectKind::Polyline, {0}, 2);
    document.Process();
    const std::string text = document.map().Buffer();
    EXPECT_NE(text.find("Levels=2\nLevel0=22\nLevel1=8\nZoom0=0\nZoom1=1\n[END-IMG ID]\n"), std::string::npos);
    // Both polylines get the level: the first by an inserted line, the second by its replaced line.
    EXPECT_NE(text.find("Label=Trail\nEndLevel=2\nData0=(1,2),(3,4)\n[END]"), std::string::npos);
    EXPECT_NE(text.find("Type=0x16\nEndLevel=2\nData0"), std::string::npos);
    EXPECT_EQ(text.find("EndLevel=4"), std::string::npos);
}

TEST_F(MapDocumentTest, FailedProcessChangesNothing) {
    for (const bool useDictionary : {false, true}) {
        SCOPED_TRACE(useDictionary ? "dictionary option on" : "dictionary option off");
        MapDocument document(dir_.path());
        document.SetUseDictionary(useDictionary);
        document.OpenMap(map_);
        document.Process();  // a first Process that succeeds: Modified set, Save MAP enabled
        document.SetLevelText(ObjectKind::Polyline, 0, "x");
        const Snapshot before(document);
        EXPECT_EQ(ErrorOf([&] { document.Process(); }), "'x' is not a valid integer value");
        EXPECT_TRUE(Snapshot(document) == before);

        MapDocument fresh(dir_.path());
        fresh.SetUseDictionary(useDictionary);
        fresh.OpenMap(map_);
        fresh.SetLevelText(ObjectKind::Polyline, 0, "x");
        const Snapshot freshBefore(fresh);
        EXPECT_THROW(fresh.Process(), Error);
        EXPECT_TRUE(Snapshot(fresh) == freshBefore);
        EXPECT_FALSE(fresh.modified());
        EXPECT_FALSE(fresh.buttons().saveMap);

        // A progress that stops the pass at its first report, as the window's Cancel does.
        struct Stopping : Progress {
            void SetState(PassState) override {}
            void SetProgress(std::uint64_t, std::uint64_t) override { throw Error("Cancelled"); }
        } stopping;
        fresh.SetLevelText(ObjectKind::Polyline, 0, "3");
        const Snapshot cancelBefore(fresh);
        EXPECT_THROW(fresh.Process(&stopping), Error);
        EXPECT_TRUE(Snapshot(fresh) == cancelBefore);
        EXPECT_FALSE(fresh.modified());
    }
}

TEST_F(MapDocumentTest, ProcessWithoutAMapProcessesAnEmptyText) {
    MapDocument document(dir_.path());
    document.SetUseDictionary(true);
    document.Process();
    EXPECT_TRUE(document.map().empty());
    EXPECT_TRUE(document.modified());
    EXPECT_TRUE(document.buttons().saveMap);
    dir_.Write("out.mp", "old");
    document.SaveMap(Path("out.mp"));
    EXPECT_EQ(ReadAll(Path("out.mp")), "");
    EXPECT_FALSE(document.modified());
}

TEST_F(MapDocumentTest, SaveMapWritesCrLfAndReplacesTheFile) {
    MapDocument document(dir_.path());
    dir_.Write("lf.mp", "[END-IMG ID]\n[POI]\nType=0x2f06\nData0=(1,2)\n[END]");
    document.OpenMap(Path("lf.mp"));
    document.Process();
    dir_.Write("out.mp", "old content");
    document.SaveMap(Path("out.mp"));
    EXPECT_EQ(ReadAll(Path("out.mp")),
              "[END-IMG ID]\r\n[POI]\r\nType=0x2f06\r\nEndLevel=0\r\nData0=(1,2)\r\n[END]\r\n");
    EXPECT_FALSE(document.modified());
    EXPECT_EQ(dir_.FileNames(),
              (std::vector<std::string>{"lf.mp", "map.mp", "out.mp", "poi.txt", "polygon.txt", "polyline.txt"}));
}

// The three saves, each as its button's handler calls it.
struct SaveCase {
    const char* name;
    void (*save)(MapDocument&, const std::filesystem::path&);
};
const SaveCase kSaves[] = {
    {"map", [](MapDocument& d, const std::filesystem::path& p) { d.SaveMap(p); }},
    {"config", [](MapDocument& d, const std::filesystem::path& p) { d.SaveConfig(p); }},
    {"dictionary", [](MapDocument& d, const std::filesystem::path& p) { d.SaveDictionary(p); }},
};

TEST_F(MapDocumentTest, FailedWritesKeepTheOldFile) {
    for (const SaveCase& c : kSaves) {
        SCOPED_TRACE(c.name);
        TempDir out;
        MapDocument document(dir_.path());
        document.OpenMap(map_);
        document.Process();
        // A folder in the target's place cannot be replaced by a file.
        const auto target = out.path() / "target";
        std::filesystem::create_directory(target);
        const auto kept = target / "kept.txt";
        { std::ofstream(kept) << "kept"; }
        EXPECT_EQ(ErrorOf([&] { c.save(document, target); }), "Cannot create file " + PathToUtf8(target));
        EXPECT_EQ(ReadAll(kept), "kept");
        EXPECT_EQ(out.FileNames(), std::vector<std::string>{"target"});
        EXPECT_TRUE(document.modified());

        const auto missingFolder = out.path() / "no-such-folder" / "file";
        EXPECT_EQ(ErrorOf([&] { c.save(document, missingFolder); }), "Cannot create file " + PathToUtf8(missingFolder));
        EXPECT_EQ(out.FileNames(), std::vector<std::string>{"target"});
    }
}

// Save MAP, Save CFG and Save DIC replace the target of a symbolic link with what they would write to a
// plain file, and keep the link.
TEST_F(MapDocumentTest, EverySaveWritesThroughALink) {
#ifdef _WIN32
    GTEST_SKIP() << "MinGW-w64's std::filesystem neither makes nor sees symbolic links on Windows";
#else
    for (const SaveCase& c : kSaves) {
        SCOPED_TRACE(c.name);
        TempDir out;
        MapDocument document(dir_.path());
        document.OpenMap(map_);
        document.Process();
        c.save(document, out.path() / "plain");
        out.Write("target", "old");
        std::filesystem::create_symlink("target", out.path() / "link");
        c.save(document, out.path() / "link");
        EXPECT_TRUE(std::filesystem::is_symlink(out.path() / "link"));
        EXPECT_EQ(ReadAll(out.path() / "target"), ReadAll(out.path() / "plain"));
        EXPECT_EQ(out.FileNames(), (std::vector<std::string>{"link", "plain", "target"}));
    }
#endif
}

TEST_F(MapDocumentTest, ConfigRoundTrip) {
    MapDocument document(dir_.path());
    document.OpenMap(map_);
    document.SetLevelOfRows(ObjectKind::Poi, {1}, 5);
    const auto cfg = Path("levels.cfg");
    dir_.Write("levels.cfg", "old");
    document.SaveConfig(cfg);
    const LineList expected = {"p0x0a01=3", "p0x2f06=5", "l0x16=0", "g0x4c=2"};
    EXPECT_EQ(document.cfgLines(), expected);
    EXPECT_EQ(ReadAll(cfg), Join(expected));

    document.SetLevelOfRows(ObjectKind::Poi, {0, 1}, 7);
    document.SetLevelText(ObjectKind::Polygon, 0, "9");
    document.OpenConfig(cfg);
    EXPECT_EQ(Rows(document.lists().poi), (std::vector<std::string>{"3|0x0a01|Еда", "5|0x2f06|Банк"}));
    EXPECT_EQ(Rows(document.lists().polygon), (std::vector<std::string>{"2|0x4c|Lake"}));
    EXPECT_EQ(document.cfgLines(), expected);
}

TEST_F(MapDocumentTest, OpenConfigThatCannotBeReadChangesNothing) {
    MapDocument document(dir_.path());
    document.OpenMap(map_);
    document.SaveConfig(Path("saved.cfg"));
    document.SetShowAll(true);
    document.SetShowAll(false);  // Save CFG disabled
    const Snapshot before(document);
    EXPECT_EQ(ErrorOf([&] { document.OpenConfig(Path("none.cfg")); }),
              "Cannot open file " + PathToUtf8(Path("none.cfg")));
    EXPECT_TRUE(Snapshot(document) == before);
    EXPECT_EQ(document.cfgLines().size(), 4u);
}

TEST_F(MapDocumentTest, DictionaryRoundTripThroughTheMap) {
    MapDocument document(dir_.path());
    document.SetUseDictionary(true);
    document.OpenMap(map_);
    // With the option on and no dictionary in the map, every row takes its level from the tables: 0.
    EXPECT_EQ(Rows(document.lists().poi), (std::vector<std::string>{"0|0x0a01|Еда", "0|0x2f06|Банк"}));
    document.SetLevelOfRows(ObjectKind::Polyline, {0}, 2);
    document.SetLevelOfRows(ObjectKind::Poi, {1}, 1);
    const auto dic = Path("dic.txt");
    document.SaveDictionary(dic);
    ASSERT_EQ(document.dicLines().size(), 38u);
    EXPECT_EQ(ReadAll(dic), Join(document.dicLines()));
    EXPECT_EQ(document.tables().dic40[0x16], 2);
    EXPECT_EQ(document.tables().dic10[0x2f], 1);
    // Polyline rows are lines 17 to 25; type 0x16's flag is character 12 + 0x16.
    EXPECT_EQ(document.dicLines()[17][11 + 0x16], '1');  // level 2
    EXPECT_EQ(document.dicLines()[18][11 + 0x16], '0');  // level 3

    document.Process();
    document.SaveMap(Path("out.mp"));
    MapDocument reopened(dir_.path());
    reopened.SetUseDictionary(true);
    reopened.OpenMap(Path("out.mp"));
    EXPECT_EQ(reopened.tables(), document.tables());
    // The rows take their levels from the dictionary that Process put into the map.
    EXPECT_EQ(Rows(reopened.lists().polyline), (std::vector<std::string>{"2|0x16|Trail"}));
    EXPECT_EQ(Rows(reopened.lists().poi), (std::vector<std::string>{"0|0x0a01|Еда", "1|0x2f06|Банк"}));
}

TEST_F(MapDocumentTest, FailedDictionaryKeepsTablesAndFile) {
    MapDocument document(dir_.path());
    document.SetUseDictionary(true);
    document.OpenMap(map_);
    document.SaveDictionary(Path("dic.txt"));
    const std::string written = ReadAll(Path("dic.txt"));
    document.SetLevelText(ObjectKind::Poi, 0, "x");
    const Snapshot before(document);
    EXPECT_EQ(ErrorOf([&] { document.SaveDictionary(Path("dic.txt")); }), "'x' is not a valid integer value");
    EXPECT_TRUE(Snapshot(document) == before);
    EXPECT_EQ(ReadAll(Path("dic.txt")), written);
}

TEST_F(MapDocumentTest, ShowAllOffRemovesOnlyItsRowsAfterASort) {
    MapDocument document(dir_.path());
    document.OpenMap(map_);
    document.SetShowAll(true);
    EXPECT_EQ(Rows(document.lists().poi),
              (std::vector<std::string>{"3|0x0a01|Еда", "1|0x2f06|Банк", "0|0x0001|Aaa", "0|0x6401|Bridge"}));
    // The first line of polyline.txt never gives a row.
    EXPECT_EQ(Rows(document.lists().polyline), (std::vector<std::string>{"0|0x16|Trail", "0|0x1f|River"}));
    EXPECT_EQ(Rows(document.lists().polygon), (std::vector<std::string>{"2|0x4c|Lake", "0|0x3c|Sea"}));

    // By level the added rows move in front of the found ones.
    document.SortList(ObjectKind::Poi, 0);
    document.SortList(ObjectKind::Polygon, 0);
    document.SetShowAll(false);
    EXPECT_EQ(Rows(document.lists().poi), (std::vector<std::string>{"1|0x2f06|Банк", "3|0x0a01|Еда"}));
    EXPECT_EQ(Rows(document.lists().polyline), (std::vector<std::string>{"0|0x16|Trail"}));
    EXPECT_EQ(Rows(document.lists().polygon), (std::vector<std::string>{"2|0x4c|Lake"}));
}

TEST_F(MapDocumentTest, ShowAllThatCannotReadNamesStaysOn) {
    MapDocument document(dir_.path());
    document.SetUseDictionary(true);
    document.OpenMap(map_);
    document.SetShowAll(true);
    document.SetShowAll(false);
    std::filesystem::remove(Path("polyline.txt"));
    EXPECT_EQ(ErrorOf([&] { document.SetShowAll(true); }), "Cannot open file " + PathToUtf8(Path("polyline.txt")));
    EXPECT_TRUE(document.showAll());
    EXPECT_EQ(document.buttons(), (ButtonStates{false, false, false, true, true}));
    EXPECT_EQ(document.lists().poi.size(), 2u);
}

// The window's other language: the listed types take the names of its files, Show All reads them from then
// on, and a folder without them changes nothing.
TEST_F(MapDocumentTest, NamesOfAnotherFolderRenameTheListedTypes) {
    std::filesystem::create_directory(Path("en"));
    dir_.Write("en/poi.txt", Join({"0x0001=Zulu", "0x2f06=Bank", "0x0a01=Food"}));
    dir_.Write("en/polyline.txt", Join({";names", "0x16=Footpath"}));
    dir_.Write("en/polygon.txt", Join({"0x4c=Lake"}));
    MapDocument document(dir_.path());
    document.OpenMap(map_);
    document.SetShowAll(true);
    document.SortList(ObjectKind::Poi, 2);
    EXPECT_EQ(Rows(document.lists().poi),
              (std::vector<std::string>{"0|0x0001|Aaa", "0|0x6401|Bridge", "1|0x2f06|Банк", "3|0x0a01|Еда"}));

    document.UseNamesDir(Path("en"));
    // Sorted by name again; a code the files lack has no name.
    EXPECT_EQ(Rows(document.lists().poi),
              (std::vector<std::string>{"0|0x6401|", "1|0x2f06|Bank", "3|0x0a01|Food", "0|0x0001|Zulu"}));
    EXPECT_EQ(Rows(document.lists().polyline), (std::vector<std::string>{"0|0x1f|", "0|0x16|Footpath"}));

    EXPECT_EQ(ErrorOf([&] { document.UseNamesDir(Path("none")); }),
              "Cannot open file " + PathToUtf8(Path("none") / "poi.txt"));
    EXPECT_EQ(document.programDir(), Path("en"));
    document.SetShowAll(false);
    EXPECT_EQ(Rows(document.lists().poi), (std::vector<std::string>{"1|0x2f06|Bank", "3|0x0a01|Food"}));
    document.SetShowAll(true);
    EXPECT_EQ(Rows(document.lists().poi).back(), "0|0x0001|Zulu");
}

TEST_F(MapDocumentTest, SortColumnIsSharedAndUsedByTheNextScan) {
    MapDocument document(dir_.path());
    document.OpenMap(map_);
    document.SortList(ObjectKind::Polyline, 0);
    EXPECT_EQ(document.sortColumn(), 0);
    EXPECT_EQ(Rows(document.lists().poi), (std::vector<std::string>{"3|0x0a01|Еда", "1|0x2f06|Банк"}));
    document.OpenMap(map_);
    EXPECT_EQ(Rows(document.lists().poi), (std::vector<std::string>{"1|0x2f06|Банк", "3|0x0a01|Еда"}));
    document.SortList(ObjectKind::Poi, 1);
    EXPECT_EQ(Rows(document.lists().poi), (std::vector<std::string>{"3|0x0a01|Еда", "1|0x2f06|Банк"}));
    document.SortList(ObjectKind::Poi, 2);
    EXPECT_EQ(Rows(document.lists().poi), (std::vector<std::string>{"1|0x2f06|Банк", "3|0x0a01|Еда"}));
    EXPECT_EQ(document.sortColumn(), 2);
}

TEST_F(MapDocumentTest, LevelsTableEdits) {
    MapDocument document(dir_.path());
    const std::string v24 = Utf8ToCp1251("24bit (<=120м)");
    document.AddLevelAfter(std::nullopt);
    EXPECT_EQ(document.levels().rows(), (std::vector<LevelRow>{{"Level0", v24, true}}));
    document.SetLevels({24, 8, 17});
    EXPECT_EQ(document.levels().rows(), (std::vector<LevelRow>{{"Level0", v24, true},
                                                               {"Level1", "8bit ()", true},
                                                               {"Level2", Utf8ToCp1251("17bit (<=12км)"), true}}));
    document.SetLevelValue(1, v24);
    document.SetLevelValue(7, "ignored");
    document.RemoveLevel(0);
    EXPECT_EQ(document.levels().rows(),
              (std::vector<LevelRow>{{"Level0", v24, true}, {"Level1", Utf8ToCp1251("17bit (<=12км)"), true}}));
    document.SetLevelText(ObjectKind::Poi, 3, "ignored");  // no such row
    EXPECT_TRUE(document.lists().poi.empty());
}

// Four levels of 24, 22, 20 and 18 bits; at Level1 a shape needs 32 units at full resolution (0.00069°),
// at Level2 128 units (0.0027°). Lake: 0.005° (233 units); trail: 0.001° long (47 units); sea: 0.0001°.
std::string AdviceMapText(const std::string& trailEnd) {
    return "[IMG ID]\nLevels=4\nLevel0=24\nLevel1=22\nLevel2=20\nLevel3=18\n[END-IMG ID]\n"
           "[POI]\nType=0x2f06\nEndLevel=0\nData0=(50.0,30.0)\n[END]\n"
           "[POLYLINE]\nType=0x16\nEndLevel=3\nData0=(50.0,30.0)," +
           trailEnd +
           "\n[END]\n"
           "[POLYGON]\nType=0x4c\nEndLevel=1\nData0=(50.0,30.0),(50.005,30.0),(50.005,30.005)\n[END]\n"
           "[POLYGON]\nType=0x3c\nEndLevel=2\nData0=(50.0,30.0),(50.0001,30.0),(50.0001,30.0001)\n[END]\n";
}

TEST_F(MapDocumentTest, AdviseMeasuresTheMapOrTheSetAndApplyTakesTheGivenRows) {
    MapDocument document(dir_.path());
    document.OpenMap(dir_.Write("advise.mp", AdviceMapText("(50.001,30.0)")));
    const MapDocument::AdviceMap advice = document.MeasureAdvice();
    EXPECT_EQ(document.AdviceOf(ObjectKind::Polygon, "0x4c"), nullptr);  // measuring keeps nothing
    document.SetAdvice(advice);
    const struct {
        ObjectKind kind;
        std::string code;
        int level;
    } kExpected[] = {{ObjectKind::Poi, "0x2f06", 2},
                     {ObjectKind::Polyline, "0x16", 1},
                     {ObjectKind::Polygon, "0x4c", 2},
                     {ObjectKind::Polygon, "0x3c", 0}};
    for (const auto& expected : kExpected) {
        const LevelAdvice* one = document.AdviceOf(expected.kind, expected.code);
        ASSERT_NE(one, nullptr) << expected.code;
        EXPECT_EQ(one->level, expected.level) << expected.code;
    }
    EXPECT_EQ(document.AdviceOf(ObjectKind::Polygon, "0x3c")->reason,
              "at Level0 (24 bits) 100 % of the 1 polygons are under 8 units; Level0 is the lowest");

    // Only the given rows take their proposal; a row out of range is passed over.
    const std::vector<std::string> polygonsBefore = Rows(document.lists().polygon);
    document.ApplyAdvice(ObjectKind::Polyline, {0, 5});
    document.ApplyAdvice(ObjectKind::Poi, {});
    EXPECT_EQ(document.lists().polyline[0].level, "1");
    EXPECT_EQ(document.lists().poi[0].level, "0");
    EXPECT_EQ(Rows(document.lists().polygon), polygonsBefore);

    // A set is measured from its files into one measure: the trail of the second map is long enough for
    // Level2, so half of the set's trails are.
    const std::filesystem::path second = dir_.Write("advise2.mp", AdviceMapText("(50.01,30.0)"));
    document.OpenMapSet({dir_.path() / "advise.mp", second});
    EXPECT_EQ(document.AdviceOf(ObjectKind::Polyline, "0x16"), nullptr);  // a new map forgets the proposals
    document.SetAdvice(document.MeasureAdvice());
    EXPECT_EQ(document.AdviceOf(ObjectKind::Polyline, "0x16")->level, 2);
    EXPECT_EQ(document.AdviceOf(ObjectKind::Polyline, "0x16")->objects, 2u);

    document.SetLevelValue(1, "auto");
    EXPECT_EQ(ErrorOf([&] { document.MeasureAdvice(); }), "The level Level1 gives no bit count from 1 to 24");
}

}  // namespace
}  // namespace stratex
