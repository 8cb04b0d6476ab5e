#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bytes/LineList.h"
#include "bytes/MapText.h"
#include "levels/LevelsTable.h"
#include "passes/FuzzHarness.h"

namespace stratex::fuzz {
namespace {

// Every input kept under tests/data/fuzz/<target>/ (crash inputs the fuzzers found and hand-made edge
// cases) goes through the same harness as in the fuzzers.
class FuzzRegressionTest : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzRegressionTest, KeptInputsKeepEveryRule) {
    const std::filesystem::path folder =
        std::filesystem::path(STRATEX_SOURCE_DIR) / "tests" / "data" / "fuzz" / std::string(TargetName(GetParam()));
    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
    ASSERT_FALSE(inputs.empty()) << "no inputs in " << folder;
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        try {
            RunInput(GetParam(), ReadFileBytes(input));
        } catch (const InvariantFailure& failure) {
            ADD_FAILURE() << failure.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressionTest, ::testing::Values(Target::Map, Target::Config, Target::Names),
                         [](const ::testing::TestParamInfo<Target>& param) {
                             return std::string(TargetName(param.param));
                         });

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// The checks themselves must catch a wrong result, or the fuzzers would find nothing.

TEST(FuzzChecks, TextThatDiffersFromItsLinesIsCaught) {
    struct Case {
        const char* name;
        std::string bytes;
        LineList lines;
        bool holds;
    };
    const Case cases[] = {
        {"same lines", "a\r\nb\rc\n", {"a", "b", "c"}, true}, {"no lines", "", {}, true},
        {"a line missing", "a\nb\n", {"a"}, false},           {"a line differs", "a\nb\n", {"a", "x"}, false},
        {"an extra empty line", "a\n", {"a", ""}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MapText text = MapText::FromBytes(c.bytes);
        if (c.holds) {
            EXPECT_NO_THROW(CheckTextMatchesLines(text, c.lines));
        } else {
            EXPECT_THROW(CheckTextMatchesLines(text, c.lines), InvariantFailure);
        }
    }
}

TEST(FuzzChecks, ProcessOutputThatNoRuleWritesIsCaught) {
    const std::string input =
        "[IMG ID]\nLevels=2\nLevel0=24\nLevel1=21\n[END-IMG ID]\n[POI]\nType=0x2f06\n[END]\n[POLYLINE]\n"
        "Type=0x01\nEndLevel=5\n[END]\n";
    LevelsTable levels;
    levels.Clear();
    levels.AddScannedRow("Level0", "24bit ()");
    levels.AddScannedRow("Level1", "21bit ()");
    const LineList dictionary(38, "; dictionary row");

    struct Case {
        const char* name;
        std::string output;
        bool useDictionary;
        bool holds;
    };
    const Case cases[] = {
        {"unchanged", input, false, true},
        {"header and EndLevel lines written",
         "[IMG ID]\nLevels=2\nLevel0=24\nLevel1=21\nZoom0=0\nZoom1=1\n[END-IMG ID]\n[POI]\nType=0x2f06\n"
         "EndLevel=1\n[END]\n[POLYLINE]\nType=0x01\nEndLevel=-3\n[END]\n",
         false, true},
        {"dictionary lines with the option", input + "; dictionary row\n", true, true},
        {"dictionary lines without the option", input + "; dictionary row\n", false, false},
        {"a line nobody wrote", input + "Label=New\n", false, false},
        {"an EndLevel value that is no number", input + "EndLevel=x\n", false, false},
        {"an EndLevel value with a leading zero", input + "EndLevel=01\n", false, false},
        {"a zoom line of a level that does not exist", input + "Zoom2=2\n", false, false},
        {"more lines than Process can add", input + Repeat("[POI]\n", 60), true, false},
        {"object lines reordered",
         "[IMG ID]\nLevels=2\nLevel0=24\nLevel1=21\n[END-IMG ID]\n[POI]\n[END]\nType=0x2f06\n[POLYLINE]\n"
         "Type=0x01\nEndLevel=5\n[END]\n",
         false, false},
        {"an object line dropped",
         "[IMG ID]\nLevels=2\nLevel0=24\nLevel1=21\n[END-IMG ID]\n[POI]\nType=0x2f06\n[END]\n[POLYLINE]\n"
         "EndLevel=5\n[END]\n",
         false, false},
    };
    const MapText before = MapText::FromBytes(input);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MapText after = MapText::FromBytes(c.output);
        const ProcessOutcome outcome{before, after, levels, dictionary, c.useDictionary};
        if (c.holds) {
            EXPECT_NO_THROW(CheckProcessOutput(outcome));
        } else {
            EXPECT_THROW(CheckProcessOutput(outcome), InvariantFailure);
        }
    }
}

}  // namespace
}  // namespace stratex::fuzz
