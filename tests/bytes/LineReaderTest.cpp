#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "bytes/LineReader.h"
#include "support/MemorySource.h"

namespace stratex {
namespace {

using namespace std::string_literals;

struct ReadLine {
    std::string text;
    LineEnd end;
    std::uint64_t offset;
    bool operator==(const ReadLine&) const = default;
};

void PrintTo(const ReadLine& line, std::ostream* out) {
    *out << testing::PrintToString(line.text) << "/" << static_cast<int>(line.end) << "@" << line.offset;
}

// Every line that reader gives, reading on until the input ends.
std::vector<ReadLine> ReadAll(LineReader& reader) {
    std::vector<ReadLine> lines;
    LineReader::Line line;
    do {
        while (reader.Next(line)) lines.push_back({std::string(line.text), line.end, line.offset});
    } while (reader.Fill());
    return lines;
}

std::vector<ReadLine> ReadAllLines(std::string_view bytes, std::size_t capacity, std::size_t chunk) {
    MemorySource source(bytes, chunk);
    LineReader reader(source, capacity);
    return ReadAll(reader);
}

std::vector<ReadLine> ReadAllBorrowed(std::string_view bytes, std::size_t chunk) {
    GrowingBlock source(bytes, chunk);
    LineReader reader(source, 1);
    return ReadAll(reader);
}

// The bytes the lines were read from: every line with its line end.
std::string Rejoin(const std::vector<ReadLine>& lines) {
    std::string bytes;
    for (const ReadLine& line : lines) {
        bytes += line.text;
        bytes += line.end == LineEnd::kCrLf ? "\r\n"
                 : line.end == LineEnd::kLf ? "\n"
                 : line.end == LineEnd::kCr ? "\r"
                                            : "";
    }
    return bytes;
}

TEST(LineReader, SplitsAtEveryLineEndAndKeepsNulBytes) {
    constexpr LineEnd kNone = LineEnd::kNone, kLf = LineEnd::kLf, kCr = LineEnd::kCr, kCrLf = LineEnd::kCrLf;
    struct Case {
        std::string bytes;
        std::vector<ReadLine> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {{"a", kNone, 0}}},
        {"a\n", {{"a", kLf, 0}}},
        {"a\r", {{"a", kCr, 0}}},
        {"a\r\n", {{"a", kCrLf, 0}}},
        {"\r\n\r\n", {{"", kCrLf, 0}, {"", kCrLf, 2}}},
        {"a\r\rb", {{"a", kCr, 0}, {"", kCr, 2}, {"b", kNone, 3}}},
        {"a\n\rb", {{"a", kLf, 0}, {"", kCr, 2}, {"b", kNone, 3}}},
        {"x\r\r\n", {{"x", kCr, 0}, {"", kCrLf, 2}}},
        {"a\0b\r\n\0"s, {{"a\0b"s, kCrLf, 0}, {"\0"s, kNone, 5}}},
        {"[POI]\r\nType=0x2f06\r\n[END]", {{"[POI]", kCrLf, 0}, {"Type=0x2f06", kCrLf, 7}, {"[END]", kNone, 20}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(ReadAllLines(c.bytes, LineReader::kDefaultCapacity, c.bytes.size() + 1), c.lines);
    }
}

TEST(LineReader, EveryBufferAndReadSizeGivesTheSameLines) {
    // Boundaries fall inside CR LF pairs, markers, long lines and runs of lone CRs, NUL bytes included.
    std::string map = "[IMG ID]\r\nLevels=2\r\n[END-IMG ID]\r\n\r\n[POI]\r\nType=0x2f06\r\nLabel=";
    map += std::string(300, 'x') + "\0y"s;
    map += "\r\nData0=(1,2)\n[END]\r\r\r\n[POLYLINE]\rType=0x16\n\nEndLevel=3\r\n[END]";
    const std::vector<ReadLine> expected = ReadAllLines(map, LineReader::kDefaultCapacity, map.size());
    ASSERT_EQ(Rejoin(expected), map);
    ASSERT_EQ(expected.size(), 16u);
    for (std::size_t capacity = 1; capacity <= 40; ++capacity) {
        for (const std::size_t chunk : {1, 2, 3, 5, 8, 13, 1000}) {
            SCOPED_TRACE("capacity " + std::to_string(capacity) + ", reads of " + std::to_string(chunk));
            ASSERT_EQ(ReadAllLines(map, capacity, chunk), expected);
        }
    }
    for (const std::size_t chunk : {1, 2, 3, 5, 8, 13, 1000}) {
        SCOPED_TRACE("borrowed, growing by " + std::to_string(chunk));
        ASSERT_EQ(ReadAllBorrowed(map, chunk), expected);
    }
}

TEST(LineReader, KeepsWhatTheCallerStillNeedsAcrossReads) {
    std::string map;
    for (int i = 0; i < 200; ++i) map += (i % 3 ? "Data0=(" + std::to_string(i) + ")" : std::to_string(i)) + "\r\n";
    for (const std::size_t capacity : {1, 4, 16, 64}) {
        SCOPED_TRACE("capacity " + std::to_string(capacity));
        MemorySource source(map, 7);
        LineReader reader(source, capacity);
        // Keeps the last three lines read at every read; what is kept must read as the input did.
        std::vector<std::uint64_t> starts = {0};
        LineReader::Line line;
        do {
            while (reader.Next(line)) {
                starts.push_back(line.offset);
                const std::uint64_t from = starts[starts.size() > 3 ? starts.size() - 3 : 0];
                ASSERT_EQ(reader.Bytes(from, reader.NextOffset()),
                          std::string_view(map).substr(from, reader.NextOffset() - from));
            }
        } while (reader.Fill(starts[starts.size() > 3 ? starts.size() - 3 : 0]));
        EXPECT_EQ(reader.NextOffset(), map.size());
        // The buffer grew only as far as three lines needed.
        EXPECT_LE(reader.capacity(), std::max<std::size_t>(capacity, 128));
    }
}

TEST(LineReader, TakesPlainLinesUpToTheFirstOtherLine) {
    constexpr LineEnd kCrLf = LineEnd::kCrLf;
    std::array<bool, 256> notPlain{};
    notPlain['['] = notPlain['='] = true;
    struct Case {
        std::string bytes;
        std::uint64_t taken;
        bool crLf;
        ReadLine last;               // the last line taken, when any
        std::vector<ReadLine> rest;  // what Next gives then, before the input's end is known
    };
    // The limit is the first "[": a line that reaches it is not taken, nor is one whose first byte is flagged,
    // nor a line whose CR may be the first half of a CR LF not read yet.
    const Case cases[] = {
        {"Label=a\r\nData0=(1)\r\n[END]\r\n", 2, true, {"Data0=(1)", kCrLf, 9}, {{"[END]", kCrLf, 20}}},
        {"Label=a\nData0=(1)\r\n=v\r\n", 2, false, {"Data0=(1)", kCrLf, 8}, {{"=v", kCrLf, 19}}},
        {"a\r\nb\rc\r\n\r\n", 4, false, {"", kCrLf, 8}, {}},
        {"x=[1]\r\ny\r\n", 0, true, {}, {{"x=[1]", kCrLf, 0}, {"y", kCrLf, 7}}},
        {"ab\r\ncd\r", 1, true, {"ab", kCrLf, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        MemorySource source(c.bytes);
        LineReader reader(source, 64);
        reader.Fill();
        LineReader::Run run;
        const std::size_t bracket = c.bytes.find('[');
        reader.TakePlain(notPlain, bracket == std::string::npos ? c.bytes.size() : bracket, run);
        EXPECT_EQ(run.lines, c.taken);
        EXPECT_EQ(run.crLf, c.crLf);
        if (c.taken > 0) {
            EXPECT_EQ((ReadLine{std::string(run.last.text), run.last.end, run.last.offset}), c.last);
        }
        std::vector<ReadLine> rest;
        LineReader::Line line;
        while (reader.Next(line)) rest.push_back({std::string(line.text), line.end, line.offset});
        EXPECT_EQ(rest, c.rest);
    }
}

}  // namespace
}  // namespace stratex
