#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bytes/Error.h"
#include "bytes/LineList.h"
#include "document/MapDocument.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

namespace fs = std::filesystem;

// A map with a dictionary section, objects with and without EndLevel, one whose EndLevel line stands in a
// long object, a comment and a last line without a line end; joined with end.
std::string Map(const std::string& end) {
    const std::vector<std::string> lines = {"[IMG ID]",
                                            "Levels=2",
                                            "Level0=24",
                                            "Level1=20",
                                            "Zoom0=0",
                                            "Zoom1=1",
                                            "[END-IMG ID]",
                                            ";",
                                            "[DICTIONARY]",
                                            "Level1Rgn10=0000000000000000000000000000000000000000000000001",
                                            "[END-DICTIONARY]",
                                            "[POI]",
                                            "Type=0x2f06",
                                            "EndLevel=1",
                                            "Data0=(1,2)",
                                            "[END]",
                                            "[POLYLINE]",
                                            "Type=0x16",
                                            "EndLevel=3",
                                            "Data0=(1,2)",
                                            "Data1=(1,2)",
                                            "Data2=(3,4)",
                                            "[END]",
                                            "[POLYGON]",
                                            "Type=0x4c",
                                            "Data0=(1,2),(3,4),(5,6)",
                                            "[END]",
                                            "[POI]",
                                            "Type=0x2f01",
                                            "Data0=(5,6)"};
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text + "[END]";
}

// The window's way (the map held in memory) and stratex-cli's (the map streamed) give the same file.
TEST(StreamedDocument, ProcessFileToWritesWhatProcessAndSaveMapWrite) {
    TempDir dir;
    for (const char* file : {"poi.txt", "polyline.txt", "polygon.txt"}) {
        fs::copy_file(fs::path(STRATEX_DATA_DIR) / file, dir.path() / file);
    }
    std::vector<fs::path> maps;
    for (const std::string end : {"\r\n", "\n", "\r"})
        maps.push_back(dir.Write("map" + std::to_string(maps.size()) + ".mp", Map(end)));
    const fs::path real = STRATEX_TESTDATA_DIR "/real/map_podm/mp/n37-075.mp";
    if (fs::exists(real)) maps.push_back(real);
    for (const fs::path& map : maps) {
        for (const bool dictionary : {false, true}) {
            SCOPED_TRACE(map.string() + (dictionary ? " with the dictionary option" : ""));
            MapDocument held(dir.path());
            held.SetUseDictionary(dictionary);
            ASSERT_TRUE(held.OpenMap(map));
            held.Process();
            held.SaveMap(dir.path() / "held.mp");

            MapDocument streamed(dir.path());
            streamed.SetUseDictionary(dictionary);
            ASSERT_TRUE(streamed.ScanMapFile(map));
            EXPECT_FALSE(streamed.hasMap());
            streamed.ProcessFileTo(dir.path() / "streamed.mp");

            EXPECT_EQ(ReadAll(dir.path() / "streamed.mp"), ReadAll(dir.path() / "held.mp"));
            EXPECT_EQ(streamed.levels().rows(), held.levels().rows());
            EXPECT_EQ(streamed.tables(), held.tables());
            EXPECT_EQ(streamed.dicLines(), held.dicLines());
            EXPECT_FALSE(streamed.modified());
        }
    }
}

TEST(StreamedDocument, AMapChangedAfterTheScanIsNotProcessed) {
    TempDir dir;
    for (const char* file : {"poi.txt", "polyline.txt", "polygon.txt"}) {
        fs::copy_file(fs::path(STRATEX_DATA_DIR) / file, dir.path() / file);
    }
    const fs::path map = dir.Write("map.mp", Map("\r\n"));
    const fs::path out = dir.Write("out.mp", "old");
    MapDocument document(dir.path());
    ASSERT_TRUE(document.ScanMapFile(map));
    dir.Write("map.mp", Map("\n"));
    try {
        document.ProcessFileTo(out);
        ADD_FAILURE() << "no failure";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "File " + PathToUtf8(map) + " changed while it was read");
    }
    EXPECT_EQ(ReadAll(out), "old");
    EXPECT_EQ(dir.FileNames(),
              (std::vector<std::string>{"map.mp", "out.mp", "poi.txt", "polygon.txt", "polyline.txt"}));
}

}  // namespace
}  // namespace stratex
