#include <gtest/gtest.h>

#include "bytes/Error.h"
#include "bytes/Integer.h"

namespace stratex {
namespace {

struct IntegerCase {
    const char* text;
    std::optional<std::int32_t> value;
};

TEST(IntegerReading, FollowsTheNumberRules) {
    const IntegerCase cases[] = {
        {"0", 0},
        {"16", 16},
        {"0x16", 22},
        {"0X16", 22},
        {"0x2f06", 12038},
        {"0x2F06", 12038},
        {"$ff", 255},
        {"x10", 16},
        {"X10", 16},
        {"  42", 42},
        {"+7", 7},
        {"-7", -7},
        {"-0x10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"12 ", std::nullopt},
        {"1 2", std::nullopt},
        {"0x1g", std::nullopt},
        {"=Typic", std::nullopt},
        {"8b", std::nullopt},
        {"ab", std::nullopt},
        {"0b1", std::nullopt},
        {"\t1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TryReadInteger(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(IntegerReading, FailureNamesTheTextInUtf8) {
    try {
        ReadInteger("\xEA\xEC");  // "км" in Windows-1251
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'км' is not a valid integer value");
    }
    try {
        ReadInteger("");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
}

}  // namespace
}  // namespace stratex
