// What the Windows console output holds back: the bytes of a UTF-8 character that a later write finishes.
#include <gtest/gtest.h>

#include <string>

#include "cli/ConsoleBuffer.h"

namespace stratex {
namespace {

TEST(ConsoleBuffer, HoldsBackOnlyAnUnfinishedCharacterAtTheEnd) {
    struct Case {
        std::string bytes;
        std::size_t whole;
    };
    const Case cases[] = {
        {"", 0},
        {"map.mp\n", 7},
        {"\xD0\xBD\xD0\xB5", 4},   // "не": whole
        {"\xD0\xBD\xD0", 2},       // the second letter's lead byte alone
        {"a\xE2\x82", 1},          // two bytes of the three of the ruble sign
        {"a\xF0\x9F\x97", 1},      // three of the four of an emoji
        {"a\xF0\x9F\x97\xBA", 5},  // the whole emoji
        {"\xEF\xF0", 1},           // Windows-1251 "пр": the last byte looks like a lead
        {"\xEF\xF0=", 3},          // ... and is taken as it stands once another byte follows
        {"\xC0", 1},               // a byte that no UTF-8 text holds
        {"\x80\x80\x80", 3},       // continuation bytes without a lead
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(WholeUtf8Length(c.bytes), c.whole);
    }
}

}  // namespace
}  // namespace stratex
