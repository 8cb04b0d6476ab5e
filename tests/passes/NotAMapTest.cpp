#include <gtest/gtest.h>

#include <string>

#include "bytes/ByteSource.h"
#include "passes/NotAMap.h"

namespace stratex {
namespace {

// The reason is told by the bytes: what text is not, and a header that an "[END]" line closes.
TEST(NotAMap, TheBytesTellWhy) {
    using namespace std::string_literals;
    const struct {
        const char* name;
        std::string bytes;
        NotAMapReason reason;
        std::uint64_t line;
    } cases[] = {
        {"empty", "", NotAMapReason::Empty, 0},
        {"UTF-16 with its mark", "\xFF\xFE[\0I\0M\0G\0 \0I\0D\0]\0\r\0\n\0"s, NotAMapReason::Utf16, 0},
        {"UTF-16 big-endian without a mark", "\0[\0I\0M\0G\0]\0\n"s, NotAMapReason::Utf16, 0},
        {"UTF-32 with its mark", "\xFF\xFE\0\0[\0\0\0I\0\0\0D\0\0\0]\0\0\0"s, NotAMapReason::Utf32, 0},
        {"a NUL in text", "[IMG ID]\nName=a\0b\n"s, NotAMapReason::Binary, 0},
        {"control characters", "\x01\x02\x03\x04\x05\x06\x07\x08text", NotAMapReason::Binary, 0},
        {"a mark over single-byte text", "\xFF\xFE This is no map\n", NotAMapReason::NoHeaderEnd, 0},
        {"a header closed by [END]", "; a map\n[IMG ID]\nName=x\n[END]\n[POI]\nType=0x2f06\n[END]\n",
         NotAMapReason::HeaderClosedByEnd, 4},
        {"objects but no header", "[POI]\nType=0x2f06\n[END]\n", NotAMapReason::NoHeaderEnd, 0},
        {"a header that never ends", "[IMG ID]\nName=x\nLevels=2\n", NotAMapReason::NoHeaderEnd, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TextSource source(c.bytes);
        const NotAMap why = WhyNotAMap(source);
        EXPECT_EQ(why.reason, c.reason);
        EXPECT_EQ(why.line, c.line);
    }
}

}  // namespace
}  // namespace stratex
