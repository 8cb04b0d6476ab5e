#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "bytes/Error.h"
#include "support/TempDir.h"
#include "types/TypeNames.h"

namespace stratex {
namespace {

TEST(TypeNames, LookupTakesTheFirstKeyEqualIgnoringCase) {
    struct Case {
        LineList lines;
        const char* code;
        std::string name;
    };
    const Case cases[] = {
        {{"0x2f06=A", "0X2F06=B"}, "0x2f06", "A"},
        {{"0X2F06=B", "0x2f06=A"}, "0x2f06", "B"},
        {{"0x2f06=A"}, "0x2F06", "A"},
        {{"0x16=A = B"}, "0x16", "A = B"},
        {{"0x16= padded "}, "0x16", " padded "},
        {{"0x16="}, "0x16", ""},
        {{"0x16=a=b="}, "0x16", "a=b="},
        {{"0x16"}, "0x16", ""},
        {{"0x16", "0x16=N"}, "0x16", "N"},
        {{";0x16=C", "0x16=N"}, "0x16", "N"},
        {{"0x16 =X", "0x16=N"}, "0x16", "N"},
        {{"0x160=X"}, "0x16", ""},
        {{"0x16=X"}, "0x160", ""},
        {{"0x15=X", "0x17=Y"}, "0x16", ""},
        {{}, "0x16", ""},
        {{"0x16=\xCB\xE5\xF1"}, "0x16", "\xCB\xE5\xF1"},
        {{"0x16", "=first", "=second"}, "", "first"},
        {{"0x16=X"}, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(LookupTypeName(c.lines, c.code), c.name);
    }
}

TEST(TypeNames, LoadsTheFileByTheLineRules) {
    TempDir dir;
    dir.Write("poi.txt", "0x2f06=A\r\n;note\n\r0x2f07=B");
    EXPECT_EQ(LoadTypeNames(dir.path(), "poi.txt"), (LineList{"0x2f06=A", ";note", "", "0x2f07=B"}));
}

TEST(TypeNames, MissingFileIsNamedByItsFullPath) {
    struct Case {
        std::filesystem::path dir;
    };
    TempDir dir;
    const Case cases[] = {{dir.path()}, {"no-such-folder-for-names"}};
    for (const auto& c : cases) {
        const auto expected = std::filesystem::absolute(c.dir / "polygon.txt");
        try {
            LoadTypeNames(c.dir, "polygon.txt");
            ADD_FAILURE() << "no error for " << c.dir;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + PathToUtf8(expected));
        }
    }
}

TEST(TypeNames, LoadReadsTheThreeFilesIntoTheirKinds) {
    TempDir dir;
    dir.Write("poi.txt", "0x2f06=P\r\n");
    dir.Write("polyline.txt", "head\r\n0x16=L\r\n");
    dir.Write("polygon.txt", "0x4c=G\r\n");
    const auto files = TypeNameFiles::Load(dir.path());
    EXPECT_EQ(files.Of(ObjectKind::Poi), LineList{"0x2f06=P"});
    EXPECT_EQ(files.Of(ObjectKind::Polyline), (LineList{"head", "0x16=L"}));
    EXPECT_EQ(files.Of(ObjectKind::Polygon), LineList{"0x4c=G"});
    EXPECT_EQ(&files.Of(ObjectKind::Poi), &files.poi);
    EXPECT_EQ(&files.Of(ObjectKind::Polyline), &files.polyline);
    EXPECT_EQ(&files.Of(ObjectKind::Polygon), &files.polygon);
}

TEST(TypeNames, LoadFailsOnTheFirstMissingFileInOrder) {
    struct Case {
        bool poi;
        bool polyline;
        bool polygon;
        const char* named;
    };
    const Case cases[] = {
        {false, false, false, "poi.txt"},
        {true, false, false, "polyline.txt"},
        {true, true, false, "polygon.txt"},
        {false, true, true, "poi.txt"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        if (c.poi) dir.Write("poi.txt", "0x2f06=P");
        if (c.polyline) dir.Write("polyline.txt", "0x16=L");
        if (c.polygon) dir.Write("polygon.txt", "0x4c=G");
        try {
            TypeNameFiles::Load(dir.path());
            ADD_FAILURE() << "no error, expected " << c.named;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + PathToUtf8(dir.path() / c.named));
        }
    }
}

}  // namespace
}  // namespace stratex
