#include <gtest/gtest.h>

#include "bytes/Error.h"

namespace stratex {
namespace {

TEST(FailureText, FullStopOnlyAfterCharactersAboveTheDot) {
    const std::pair<const char*, const char*> cases[] = {
        {"Cannot open file /a/poi.txt", "Cannot open file /a/poi.txt."},
        {"'x' is not a valid integer value", "'x' is not a valid integer value."},
        {"Invalid data type for 'UseDictionary'", "Invalid data type for 'UseDictionary'"},
        {"Done!", "Done!"},
        {"(a)", "(a)"},
        {"End.", "End."},
        {"Level 9", "Level 9."},
        {"", ""},
        {"Файл", "Файл."},
    };
    for (const auto& [message, shown] : cases) {
        EXPECT_EQ(WithFullStop(message), shown);
    }
}

}  // namespace
}  // namespace stratex
