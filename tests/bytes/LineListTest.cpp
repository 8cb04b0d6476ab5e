#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "bytes/AtomicFile.h"
#include "bytes/Error.h"
#include "bytes/LineList.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

TEST(LineList, SplitsByTheFileRules) {
    struct Case {
        std::string text;
        LineList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\n\n", {"a", ""}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"\r\n\r\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {std::string("ab\ncd\0ef\ngh", 11), {"ab", "cd"}},
        {std::string("\0abc", 4), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitLines(c.text), c.lines);
    }
}

TEST(LineList, WritesCrLfAfterEveryLine) {
    EXPECT_EQ(JoinLinesCrLf({}), "");
    EXPECT_EQ(JoinLinesCrLf({""}), "\r\n");
    EXPECT_EQ(JoinLinesCrLf({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

TEST(LineList, MissingFileCannotBeOpened) {
    TempDir dir;
    const auto path = dir.path() / "none.txt";
    try {
        LoadLineFile(path);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + PathToUtf8(path));
    }
}

TEST(AtomicFile, ReplacesTheFileAndLeavesNoTemporary) {
    TempDir dir;
    const auto path = dir.path() / "out.txt";
    dir.Write("out.txt", "old");
    SaveLineFile(path, {"new", "lines"});
    EXPECT_EQ(ReadFileBytes(path), "new\r\nlines\r\n");
    EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"out.txt"});
}

TEST(AtomicFile, FailureKeepsTheOldFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "folder");
    const auto folder = dir.path() / "folder";
    try {
        WriteFileAtomically(folder, "x");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + PathToUtf8(folder));
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    const auto missing = dir.path() / "no-such-folder" / "out.txt";
    EXPECT_THROW(WriteFileAtomically(missing, "x"), Error);
    EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"folder"});
}

TEST(AtomicFile, UncommittedWriteLeavesNothing) {
    TempDir dir;
    dir.Write("keep.txt", "old");
    {
        AtomicFile file(dir.path() / "keep.txt");
        file.Write("partial");
    }
    EXPECT_EQ(ReadFileBytes(dir.path() / "keep.txt"), "old");
    EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"keep.txt"});
}

}  // namespace
}  // namespace stratex
