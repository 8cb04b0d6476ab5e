// Checks the type name files that ship in data/ (Russian) and data/en/ (English): the window and the CLI
// read them as they stand, so a missing name, a malformed key or a stray byte shows up straight in the Type
// lists, and the English window's lists must hold the types the Russian one's do.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <set>
#include <string>
#include <string_view>

#include "bytes/Cp1251.h"
#include "bytes/LineList.h"
#include "grammar/ObjectKind.h"
#include "types/Catalogue.h"
#include "types/TypeNames.h"

namespace stratex {
namespace {

const std::filesystem::path kDataDir = STRATEX_DATA_DIR;
// Every set of type name files that ships, the Russian first.
const std::filesystem::path kNameDirs[] = {kDataDir, kDataDir / "en"};

// The number of hexadecimal digits that the map scan writes after "0x" for the kind's codes.
std::size_t CodeDigits(ObjectKind kind) { return kind == ObjectKind::Poi ? 4 : 2; }

bool IsNormalisedCode(std::string_view key, std::size_t digits) {
    if (key.size() != 2 + digits || key.substr(0, 2) != "0x") return false;
    for (const char c : key.substr(2)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

TEST(TypeNameFiles, NameEveryCatalogueCode) {
    for (const auto& dir : kNameDirs) {
        const auto files = TypeNameFiles::Load(dir);
        for (const auto kind : kAllKinds) {
            const auto& lines = files.Of(kind);
            for (const auto& entry : CatalogueTable(kind)) {
                EXPECT_NE(LookupTypeName(lines, entry.code), "") << dir / TypeNameFileName(kind) << " " << entry.code;
            }
        }
    }
}

// The English files name the codes of the Russian ones, line for line, each in plain ASCII (the same
// bytes in Windows-1251 as in UTF-8), so that Show All adds the same rows in either language.
TEST(TypeNameFiles, EnglishNamesTheCodesOfTheRussian) {
    const auto russian = TypeNameFiles::Load(kDataDir);
    const auto english = TypeNameFiles::Load(kDataDir / "en");
    const auto keyOf = [](const std::string& line) { return line.substr(0, line.find('=')); };
    for (const auto kind : kAllKinds) {
        SCOPED_TRACE(std::string(TypeNameFileName(kind)));
        const auto& ru = russian.Of(kind);
        const auto& en = english.Of(kind);
        for (std::size_t i = 1; i < std::max(ru.size(), en.size()); ++i) {
            const std::string ruKey = i < ru.size() ? keyOf(ru[i]) : "(none)";
            const std::string enKey = i < en.size() ? keyOf(en[i]) : "(none)";
            EXPECT_EQ(ruKey, enKey) << "line " << i + 1;
        }
        for (const auto& line : en) {
            for (const char c : line) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << line;
        }
    }
}

TEST(TypeNameFiles, EveryEntryHasANormalisedKeyAndAName) {
    for (const auto& dir : kNameDirs) {
        const auto files = TypeNameFiles::Load(dir);
        for (const auto kind : kAllKinds) {
            SCOPED_TRACE((dir / TypeNameFileName(kind)).string());
            const auto& lines = files.Of(kind);
            ASSERT_GE(lines.size(), CatalogueTable(kind).size() + 1);
            // The first line is a comment; Show All never turns it into a row.
            EXPECT_TRUE(lines[0].starts_with(";")) << lines[0];

            std::set<std::string> keys;
            std::string previous;
            for (std::size_t i = 1; i < lines.size(); ++i) {
                const std::string& line = lines[i];
                const auto eq = line.find('=');
                ASSERT_NE(eq, std::string::npos) << "line " << i + 1 << ": " << line;
                const std::string key = line.substr(0, eq);
                const std::string name = line.substr(eq + 1);
                EXPECT_TRUE(IsNormalisedCode(key, CodeDigits(kind))) << "line " << i + 1 << ": " << key;
                EXPECT_FALSE(name.empty()) << "line " << i + 1 << ": " << key;
                for (const char c : name) {
                    EXPECT_GE(static_cast<unsigned char>(c), 0x20) << "control byte in the name of " << key;
                }
                EXPECT_TRUE(keys.insert(key).second) << key << " stands twice";
                // Normalised keys of one length sort as text the way their numbers do.
                EXPECT_LT(previous, key) << "out of order at line " << i + 1;
                previous = key;
                // The name the engine finds is the one on this line, not an earlier entry's.
                EXPECT_EQ(LookupTypeName(lines, key), name) << key;
            }
        }
    }
}

TEST(TypeNameFiles, AreWindows1251TextWithCrLfAfterEveryLine) {
    for (const auto& dir : kNameDirs) {
        for (const auto kind : kAllKinds) {
            SCOPED_TRACE((dir / TypeNameFileName(kind)).string());
            const std::string bytes = ReadFileBytes(dir / TypeNameFileName(kind));
            ASSERT_FALSE(bytes.empty());
            EXPECT_TRUE(bytes.ends_with("\r\n"));
            // A NUL would end the text early; 0x98 is the one byte the code page leaves undefined.
            EXPECT_EQ(bytes.find('\0'), std::string::npos);
            EXPECT_EQ(bytes.find('\x98'), std::string::npos);
            EXPECT_EQ(Cp1251ToUtf8(bytes).find("\xEF\xBF\xBD"), std::string::npos);

            std::size_t lineEnds = 0;
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                if (bytes[i] == '\r') {
                    ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at byte " << i;
                    ++lineEnds;
                    ++i;
                } else {
                    ASSERT_NE(bytes[i], '\n') << "bare LF at byte " << i;
                }
            }
            // One CR LF per line, and no empty lines: an empty line names no type.
            const LineList lines = SplitLines(bytes);
            EXPECT_EQ(lines.size(), lineEnds);
            for (std::size_t i = 0; i < lines.size(); ++i) {
                EXPECT_FALSE(lines[i].empty()) << "empty line " << i + 1;
            }
        }
    }
}

}  // namespace
}  // namespace stratex
