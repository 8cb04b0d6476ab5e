// The benchmark compares the engine's Process with the plain vector-of-lines rewrite; the comparison is
// only honest when both give the same result. These tests hold them to the same bytes on the generated
// benchmark maps and on the real maps.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "BaselineProcess.h"
#include "MapGenerator.h"
#include "bytes/Error.h"
#include "bytes/LineList.h"
#include "bytes/MapText.h"
#include "passes/MapScan.h"
#include "passes/Process.h"
#include "types/TypeNames.h"

namespace stratex::bench {
namespace {

namespace fs = std::filesystem;

const TypeNameFiles& Names() {
    static const TypeNameFiles names = TypeNameFiles::Load(STRATEX_DATA_DIR);
    return names;
}

std::string JoinLf(const LineList& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

struct Outcome {
    std::optional<std::string> failure;
    std::string map;  // every line followed by "\n"
    LineList dicLines;
    DictionaryTables tables;
    std::vector<std::string> indexed;  // the engine's lines as its line index finds them
};

// Scans bytes as Open MAP does, lets the user's choices differ from the map's (other levels, changed type
// levels), then runs both rewrites on the same input.
struct Comparison {
    Outcome engine;
    Outcome baseline;
};

Comparison Compare(const std::string& bytes, bool useDictionary) {
    const MapText original = MapText::FromBytes(bytes);
    DictionaryTables tables;
    ScanResult scan = ScanMap(original, Names(), useDictionary, tables, 1);
    if (scan.levels.size() > 0) scan.levels.SetValue(0, "21bit (<=1,2\xEA\xEC)");
    for (const ObjectKind kind : kAllKinds) {
        TypeList& list = scan.lists.Of(kind);
        for (std::size_t row = 0; row < list.size(); row += 2) list.SetLevelOfRows({row}, static_cast<int>(row % 7));
    }
    const LineList dicBefore = {"earlier"};

    Comparison result;
    MapText text = original;
    result.engine.tables = tables;
    result.engine.dicLines = dicBefore;
    try {
        ProcessMap(text, scan.levels, scan.lists, useDictionary, result.engine.tables, result.engine.dicLines);
    } catch (const Error& e) {
        result.engine.failure = e.what();
    }
    result.engine.map = text.Buffer();
    for (std::uint64_t i = 0; i < text.LineCount(); ++i) result.engine.indexed.emplace_back(text.Line(i));

    LineList lines = SplitLines(bytes);
    result.baseline.tables = tables;
    result.baseline.dicLines = dicBefore;
    try {
        BaselineProcess(lines, scan.levels, scan.lists, useDictionary, result.baseline.tables,
                        result.baseline.dicLines);
    } catch (const Error& e) {
        result.baseline.failure = e.what();
    }
    result.baseline.map = JoinLf(lines);
    result.baseline.indexed = std::move(lines);
    return result;
}

void ExpectSame(const Comparison& c) {
    ASSERT_EQ(c.engine.failure, c.baseline.failure);
    // Compared as a flag first: a failing comparison of two megabyte texts would print both.
    ASSERT_TRUE(c.engine.map == c.baseline.map) << "the maps differ";
    // The rewrite builds the line index as it goes: every line must be found where it stands.
    ASSERT_TRUE(c.engine.indexed == c.baseline.indexed) << "the line index does not fit the rewritten map";
    EXPECT_EQ(c.engine.dicLines, c.baseline.dicLines);
    EXPECT_EQ(c.engine.tables, c.baseline.tables);
}

struct GeneratedCase {
    const char* name;
    std::uint32_t seed;
    double withoutEndLevel;
    bool dictionarySection;
    bool crlf;
    bool useDictionary;
};

void PrintTo(const GeneratedCase& c, std::ostream* out) { *out << c.name; }

class GeneratedMap : public testing::TestWithParam<GeneratedCase> {};

TEST_P(GeneratedMap, BaselineGivesTheEngineResult) {
    const GeneratedCase& c = GetParam();
    MapShape shape;
    shape.targetBytes = 1u << 20;
    shape.seed = c.seed;
    shape.withoutEndLevel = c.withoutEndLevel;
    shape.dictionary = c.dictionarySection;
    shape.crlf = c.crlf;
    const std::string bytes = GenerateMapText(shape);
    const Comparison result = Compare(bytes, c.useDictionary);
    ExpectSame(result);
    // The rewrite must have had work to do, or equal results would prove little.
    EXPECT_NE(result.engine.map, MapText::FromBytes(bytes).Buffer());
}

const GeneratedCase kGeneratedCases[] = {
    {"ThirdWithoutEndLevel", 1, 1.0 / 3, true, true, false},
    {"ThirdWithoutEndLevelDictionaryOption", 2, 1.0 / 3, true, true, true},
    {"AllWithEndLevel", 3, 0.0, true, false, false},
    {"NoneWithEndLevelNoSection", 4, 1.0, false, true, true},
    {"LineFeedsOnly", 5, 0.5, false, false, false},
};

INSTANTIATE_TEST_SUITE_P(Bench, GeneratedMap, testing::ValuesIn(kGeneratedCases),
                         [](const testing::TestParamInfo<GeneratedCase>& param) { return param.param.name; });

// The engine rewrites the map in place, its result running ahead of the input still to be read by as much
// as the map grows. Growth and shrinking at many places, with lines of every length around them, must
// still give the plain rewrite's lines, and the line index must fit them.
TEST(GrowingAndShrinkingMap, BaselineGivesTheEngineResult) {
    std::mt19937 random(3);
    for (int round = 0; round < 30; ++round) {
        std::string bytes = "[IMG ID]\nLevels=2\nLevel0=24\nLevel1=18\nZoom0=0\nZoom1=1\n[END-IMG ID]\n";
        if (round % 3 == 0) bytes += "[DICTIONARY]\nLevel1Rgn10=0101\n[END-DICTIONARY]\n";
        const char* const endLevels[] = {"", "EndLevel=", "EndLevel=1", "EndLevel=0000001234", "EndLevel=3"};
        const char* const openers[] = {"[POI]\nType=0x2f06\n", "[POLYLINE]\nType=0x16\n", "[POLYGON]\nType=0x4c\n",
                                       "[POLYLINE]\nType=0x99\n"};
        const int objects = 50 + static_cast<int>(random() % 400);
        for (int o = 0; o < objects; ++o) {
            bytes += openers[random() % std::size(openers)];
            // Growth early and shrinking late in some rounds, mixed in others.
            const std::size_t pick =
                round % 2 ? random() % std::size(endLevels) : (o < objects / 2 ? random() % 2 : 3 + random() % 2);
            if (*endLevels[pick]) bytes += std::string(endLevels[pick]) + "\n";
            for (int d = static_cast<int>(random() % 4); d >= 0; --d) {
                bytes += "Data0=" + std::string(random() % 90, '1') + "\n";
            }
            bytes += "[END]\n";
            if (random() % 5 == 0 && round % 3 == 1) bytes += "[DICTIONARY]\nLevel2Rgn40=1\n[END DICTIONARY]\n";
        }
        SCOPED_TRACE(round);
        ExpectSame(Compare(bytes, round % 2 == 0));
    }
}

TEST(RealMaps, BaselineGivesTheEngineResult) {
    const fs::path root = fs::path(STRATEX_TESTDATA_DIR) / "real";
    if (!fs::exists(root))
        GTEST_SKIP() << "needs ../shared/testdata beside the project (the shared real maps): " << root;
    int maps = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".mp") continue;
        const std::string bytes = ReadFileBytes(entry.path());
        for (const bool useDictionary : {false, true}) {
            SCOPED_TRACE(entry.path().string() + (useDictionary ? " with the dictionary option" : ""));
            std::optional<Comparison> result;
            try {
                result = Compare(bytes, useDictionary);
            } catch (const Error&) {
                continue;  // the scan refuses the map: there is nothing to process
            }
            ExpectSame(*result);
        }
        ++maps;
    }
    EXPECT_GT(maps, 10);
}

TEST(Failure, BothStopAtATypeThatIsNoNumberAndKeepTheInput) {
    const std::string bytes =
        "[IMG ID]\r\nLevels=2\r\nLevel0=24\r\nLevel1=18\r\n[END-IMG ID]\r\n"
        "[POI]\r\nType=0x2f06\r\nData0=(1,2)\r\n[END]\r\n"
        "[POLYLINE]\r\nType=0x1 ; road\r\nData0=(1,2),(3,4)\r\n[END]\r\n";
    // The scan stops at the same type; Process must fail on its own, so its input comes from a clean map.
    const std::string clean =
        "[IMG ID]\r\nLevels=2\r\nLevel0=24\r\nLevel1=18\r\n[END-IMG "
        "ID]\r\n[POI]\r\nType=0x2f06\r\nData0=(1,2)\r\n[END]\r\n";
    const MapText scanned = MapText::FromBytes(clean);
    DictionaryTables tables;
    const ScanResult scan = ScanMap(scanned, Names(), false, tables, 1);

    MapText text = MapText::FromBytes(bytes);
    LineList engineDic = {"earlier"};
    std::optional<std::string> engineFailure;
    try {
        ProcessMap(text, scan.levels, scan.lists, true, tables, engineDic);
    } catch (const Error& e) {
        engineFailure = e.what();
    }
    LineList lines = SplitLines(bytes);
    const LineList linesBefore = lines;
    LineList baselineDic = {"earlier"};
    std::optional<std::string> baselineFailure;
    try {
        BaselineProcess(lines, scan.levels, scan.lists, true, tables, baselineDic);
    } catch (const Error& e) {
        baselineFailure = e.what();
    }
    ASSERT_TRUE(baselineFailure.has_value());
    EXPECT_EQ(*baselineFailure, "'0x1 ; ' is not a valid integer value");
    EXPECT_EQ(engineFailure, baselineFailure);
    EXPECT_EQ(lines, linesBefore);
    EXPECT_EQ(baselineDic, LineList{"earlier"});
    EXPECT_EQ(tables, DictionaryTables{});
}

// Loading turns CR LF and lone CR into line ends and indexes the lines in one pass over the words of the
// text; long random texts put every kind of line end at every place within a word and across index steps.
TEST(Load, LongTextsSplitAsTheLineListLoaderSplitsThem) {
    std::mt19937 random(77);
    const char* const ends[] = {"\r\n", "\n", "\r", "\r\r\n", "\n\r"};
    for (int round = 0; round < 40; ++round) {
        std::string bytes;
        while (bytes.size() < 20000) {
            bytes.append(random() % (round % 2 ? 12 : 40), static_cast<char>('a' + random() % 26));
            // CR LF only, any end, or long stretches of LF with an occasional CR.
            const std::size_t end = round < 15           ? 0
                                    : round < 30         ? random() % std::size(ends)
                                    : random() % 40 == 0 ? 0
                                                         : 1;
            bytes += ends[end];
        }
        if (round % 4 == 3) bytes.pop_back();
        SCOPED_TRACE(round);
        const LineList expected = SplitLines(bytes);
        const MapText text = MapText::FromBytes(bytes);
        ASSERT_EQ(text.LineCount(), expected.size());
        ASSERT_EQ(text.Buffer(), JoinLf(expected));
        for (std::size_t i = 0; i < expected.size(); i += 1 + random() % 50) ASSERT_EQ(text.Line(i), expected[i]) << i;
    }
}

}  // namespace
}  // namespace stratex::bench
