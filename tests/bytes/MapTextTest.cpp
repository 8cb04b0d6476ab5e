#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bytes/Error.h"
#include "bytes/LineList.h"
#include "bytes/MapText.h"
#include "bytes/MapTextLoader.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

std::vector<std::string> LinesOf(const MapText& text) {
    std::vector<std::string> lines;
    for (std::uint64_t i = 0; i < text.LineCount(); ++i) lines.emplace_back(text.Line(i));
    return lines;
}

std::vector<std::string> LinesByCursor(const MapText& text, std::uint64_t from = 0) {
    std::vector<std::string> lines;
    for (MapText::Cursor cursor(text, from); !cursor.AtEnd(); cursor.Next()) lines.emplace_back(cursor.Line());
    return lines;
}

TEST(MapText, SplitsAtEveryLineEndAndKeepsNulBytes) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r", {"a"}},
        {"\n", {""}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"x\ry\nz\r\nw", {"x", "y", "z", "w"}},
        {"x\r\r\n", {"x", ""}},
        {"a\0b\nc"s, {"a\0b"s, "c"}},
        {"\0abc\n"s, {"\0abc"s}},
        {"a\r\0\nb"s, {"a", "\0"s, "b"}},
        {"a\nb\0"s, {"a", "b\0"s}},
        {"\xCF\xF0\xE8\xE2\xE5\xF2\r\n", {"\xCF\xF0\xE8\xE2\xE5\xF2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        const MapText text = MapText::FromBytes(c.bytes);
        EXPECT_EQ(text.LineCount(), c.lines.size());
        EXPECT_EQ(LinesOf(text), c.lines);
        EXPECT_EQ(LinesByCursor(text), c.lines);
        std::string normalised;
        for (const auto& line : c.lines) normalised += line + "\n";
        EXPECT_EQ(text.Buffer(), normalised);
    }
}

// Random texts made of the bytes that matter must split exactly as the line list loader splits them, except
// that a map keeps its NUL bytes where the loader stops at the first.
TEST(MapText, AgreesWithTheLineListLoaderOnRandomTexts) {
    std::mt19937 random(20240607);
    const char alphabet[] = {'a', 'b', '\r', '\n', ';'};
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 40, ' ');
        for (char& c : bytes) {
            // NUL only now and then, so that most texts run to their end.
            const auto pick = random() % 100;
            c = pick == 0 ? '\0' : alphabet[pick % 5];
        }
        SCOPED_TRACE(testing::PrintToString(bytes));
        // The loader's lines of the text with each NUL standing in for a byte that the alphabet lacks.
        std::string stand = bytes;
        std::replace(stand.begin(), stand.end(), '\0', '\x01');
        auto expected = SplitLines(stand);
        for (std::string& line : expected) std::replace(line.begin(), line.end(), '\x01', '\0');
        const MapText text = MapText::FromBytes(bytes);
        ASSERT_EQ(LinesOf(text), expected);
        ASSERT_EQ(text.ToCrLf(), JoinLinesCrLf(expected));
    }
}

// A text built part by part, whatever the parts' size (a CR LF split between two parts included), is the
// text built whole, with the same lines and index; and the bytes called ready never change after.
TEST(MapText, BuildsTheSameTextFromPartsOfAnySize) {
    std::mt19937 random(11);
    const char alphabet[] = {'a', 'b', '\r', '\n'};
    for (int round = 0; round < 400; ++round) {
        std::string bytes(random() % 300, ' ');
        for (char& c : bytes) c = alphabet[random() % 4];
        const MapText whole = MapText::FromBytes(bytes);
        for (std::size_t part = 1; part <= 9; ++part) {
            SCOPED_TRACE(testing::PrintToString(bytes) + " in parts of " + std::to_string(part));
            MapText::Builder builder(bytes.size() + 1);
            std::string seen;
            for (std::size_t at = 0; at < bytes.size(); at += part) {
                const std::size_t n = std::min(part, bytes.size() - at);
                std::memcpy(builder.Room(n), bytes.data() + at, n);
                builder.Add(n);
                ASSERT_EQ(std::string_view(builder.data(), seen.size()), seen);
                seen.assign(builder.data(), builder.ready());
            }
            const MapText built = builder.Finish();
            ASSERT_EQ(built.Buffer(), whole.Buffer());
            ASSERT_EQ(built.LineCount(), whole.LineCount());
            ASSERT_EQ(LinesOf(built), LinesOf(whole));
        }
    }
}

TEST(MapText, FindsEveryLineAcrossIndexSteps) {
    std::string bytes;
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        expected.push_back(i % 7 == 0 ? std::string() : "line " + std::to_string(i));
        bytes += expected.back() + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
    }
    const MapText text = MapText::FromBytes(bytes);
    ASSERT_EQ(text.LineCount(), expected.size());
    for (std::uint64_t i = 0; i < expected.size(); ++i) EXPECT_EQ(text.Line(i), expected[i]) << i;
    EXPECT_EQ(text.Line(expected.size()), "");
    for (const std::uint64_t from : {0u, 1u, 63u, 64u, 65u, 128u, 299u}) {
        SCOPED_TRACE(from);
        const auto walked = LinesByCursor(text, from);
        EXPECT_EQ(walked,
                  std::vector<std::string>(expected.begin() + static_cast<std::ptrdiff_t>(from), expected.end()));
        MapText::Cursor cursor(text, from);
        EXPECT_EQ(cursor.index(), from);
    }
    EXPECT_TRUE(MapText::Cursor(text, 300).AtEnd());
    EXPECT_TRUE(MapText::Cursor(text, 1000).AtEnd());
}

TEST(MapText, FindsLinesPackedManyToAWord) {
    // Several line ends in each eight bytes, so that the lines the index keeps start inside them.
    std::string bytes;
    std::vector<std::string> expected;
    for (int i = 0; i < 1000; ++i) {
        expected.push_back(i % 3 == 0 ? "x" : "");
        bytes += expected.back() + "\n";
    }
    const MapText text = MapText::FromBytes(bytes);
    ASSERT_EQ(text.LineCount(), expected.size());
    for (std::uint64_t i = 0; i < expected.size(); ++i) EXPECT_EQ(text.Line(i), expected[i]) << i;
    EXPECT_EQ(LinesByCursor(text, 640).size(), 360u);
}

TEST(MapText, CursorCountsLinesAndStopsAtTheEnd) {
    const MapText text = MapText::FromBytes("a\n\nb");
    MapText::Cursor cursor(text);
    std::vector<std::uint64_t> indices;
    for (; !cursor.AtEnd(); cursor.Next()) indices.push_back(cursor.index());
    EXPECT_EQ(indices, (std::vector<std::uint64_t>{0, 1, 2}));
    EXPECT_EQ(cursor.Line(), "");
    cursor.Next();
    EXPECT_TRUE(cursor.AtEnd());
    EXPECT_EQ(cursor.index(), 3u);
}

TEST(MapText, AdoptsANormalisedBuffer) {
    const MapText text = MapText::FromNormalised("a\n\nc\n");
    EXPECT_EQ(LinesOf(text), (std::vector<std::string>{"a", "", "c"}));
    const MapText unended = MapText::FromNormalised("a\nb");
    EXPECT_EQ(unended.Buffer(), "a\nb\n");
    EXPECT_TRUE(MapText::FromNormalised("").empty());
    EXPECT_TRUE(MapText().empty());
}

TEST(MapText, WritesCrLfAfterEveryLine) {
    EXPECT_EQ(MapText::FromBytes("a\nb").ToCrLf(), "a\r\nb\r\n");
    EXPECT_EQ(MapText::FromBytes("\r\r").ToCrLf(), "\r\n\r\n");
    EXPECT_EQ(MapText::FromBytes("").ToCrLf(), "");
}

TEST(MapText, SavesThroughTheStagingBufferWithoutLosingBytes) {
    // Lines longer than the staging buffer, lines that straddle its end, and many short lines.
    std::string bytes;
    for (int i = 0; i < 40000; ++i) bytes += "Data0=(" + std::to_string(i) + ")\n";
    bytes += std::string(3 << 20, 'x') + "\r\n";
    bytes += std::string((1 << 20) - 2, 'y') + "\r";
    bytes += std::string((1 << 20) - 1, 'z') + "\n";
    bytes += "tail";
    const MapText text = MapText::FromBytes(bytes);
    TempDir dir;
    const auto path = dir.path() / "out.mp";
    std::vector<std::uint64_t> reports;
    text.Save(path, [&](std::uint64_t written) { reports.push_back(written); });
    const std::string saved = ReadAll(path);
    EXPECT_EQ(saved.size(), text.ToCrLf().size());
    EXPECT_TRUE(saved == text.ToCrLf());
    EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"out.mp"});
    // Several writes, told as they grow up to the whole file.
    EXPECT_GT(reports.size(), 1u);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), text.SavedSize());
    EXPECT_EQ(text.SavedSize(), saved.size());

    // A save that its listener ends after the first write leaves the file as it was and nothing beside it.
    EXPECT_THROW(MapText::FromBytes(bytes + "more").Save(path, [](std::uint64_t) { throw Error("Cancelled"); }), Error);
    EXPECT_TRUE(ReadAll(path) == saved);
    EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"out.mp"});

    // Saving again over the file replaces it.
    MapText::FromBytes("new").Save(path);
    EXPECT_EQ(ReadAll(path), "new\r\n");
}

TEST(MapText, SaveAndLoadFailuresNameTheFile) {
    TempDir dir;
    const auto missing = dir.path() / "no-folder" / "out.mp";
    try {
        MapText::FromBytes("a").Save(missing);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + PathToUtf8(missing));
    }
    try {
        MapText::FromFile(missing);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + PathToUtf8(missing));
    }
}

TEST(MapText, LoadsAFileByTheLineRules) {
    TempDir dir;
    const auto path = dir.Write("m.mp", std::string("[IMG ID]\r\nName=x\r[END-IMG ID]\n\0junk\r\n", 37));
    const MapText text = MapText::FromFile(path);
    EXPECT_EQ(LinesOf(text),
              (std::vector<std::string>{"[IMG ID]", "Name=x", "[END-IMG ID]", std::string("\0junk", 5)}));
}

// The loader gives, read by read, the text that FromFile gives (without the "\n" that ends the last line),
// across the parts it reads the file in.
TEST(MapText, LoaderGivesTheTextAsFromFile) {
    TempDir dir;
    std::string bytes;
    for (int k = 0; bytes.size() < 3'500'000; ++k)
        bytes += k % 3 == 0 ? "Data0=(1,2)\r\n" : k % 3 == 1 ? "x\r" : "Label=y\n";
    bytes += "last";
    const auto path = dir.Write("m.mp", bytes);
    const MapText expected = MapText::FromBytes(ReadFileBytes(path));

    MapTextLoader loader(path);
    std::string given;
    char buffer[4099];
    while (const std::size_t got = loader.Read(buffer, sizeof buffer)) given.append(buffer, got);
    EXPECT_TRUE(given + "\n" == expected.Buffer());
    const MapText text = loader.Finish();
    EXPECT_TRUE(text.Buffer() == expected.Buffer());
    ASSERT_EQ(text.LineCount(), expected.LineCount());
    for (const std::uint64_t i : {std::uint64_t{0}, std::uint64_t{64}, std::uint64_t{12345}, text.LineCount() - 1}) {
        EXPECT_EQ(text.Line(i), expected.Line(i));
    }
}

TEST(MapText, KeepsLongLinesWhole) {
    const std::string longLine(3'000'000, 'q');
    const MapText text = MapText::FromBytes("a\r\n" + longLine + "\r\nb");
    ASSERT_EQ(text.LineCount(), 3u);
    EXPECT_EQ(text.Line(1).size(), longLine.size());
    EXPECT_EQ(text.Line(2), "b");
}

}  // namespace
}  // namespace stratex
