// The writer behind every save: what it does with links and with files that are not regular files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bytes/AtomicFile.h"
#include "bytes/Error.h"
#include "support/TempDir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace stratex {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
// The names in a folder, sorted.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
#endif

TEST(AtomicFile, WritesThroughSymbolicLinksAndKeepsThem) {
#ifdef _WIN32
    GTEST_SKIP() << "MinGW-w64's std::filesystem neither makes nor sees symbolic links on Windows";
#else
    struct Case {
        const char* name;
        const char* link;                                         // written to, inside the test folder
        std::vector<std::pair<const char*, const char*> > links;  // link -> what it points at
        const char* target;                                       // the file that must hold the bytes
        const char* old;                                          // its bytes before, or nullptr when it does not exist
    };
    const Case cases[] = {
        {"relative link", "link.mp", {{"link.mp", "maps/map.mp"}}, "maps/map.mp", "old"},
        {"link to a missing file", "link.mp", {{"link.mp", "maps/new.mp"}}, "maps/new.mp", nullptr},
        {"chain of links", "a.mp", {{"a.mp", "b.mp"}, {"b.mp", "maps/map.mp"}}, "maps/map.mp", "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        fs::create_directory(dir.path() / "maps");
        if (c.old) dir.Write(c.target, c.old);
        for (const auto& [link, to] : c.links) fs::create_symlink(to, dir.path() / link);

        WriteFileAtomically(dir.path() / c.link, "new");
        EXPECT_EQ(ReadAll(dir.path() / c.target), "new");
        for (const auto& [link, to] : c.links) {
            EXPECT_TRUE(fs::is_symlink(dir.path() / link)) << link;
            EXPECT_EQ(fs::read_symlink(dir.path() / link), to);
        }
        // No temporary file is left beside the link or the target.
        EXPECT_EQ(Names(dir.path() / "maps"), std::vector<std::string>{fs::path(c.target).filename().string()});
        EXPECT_EQ(Names(dir.path()).size(), c.links.size() + 1);
    }
#endif
}

// A file replaced by a user who may give files away (root) keeps its owner and group, as editors keep them.
TEST(AtomicFile, ReplacedFileKeepsItsOwnerAsRoot) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no root that gives files away to other owners";
#else
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file away";
    TempDir dir;
    const fs::path path = dir.Write("owned.mp", "old");
    ASSERT_EQ(chown(path.c_str(), 4242, 4343), 0);
    WriteFileAtomically(path, "new");
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, 4242u);
    EXPECT_EQ(after.st_gid, 4343u);
#endif
}

// A user may not replace a file that the user cannot write, though the folder would let the rename through:
// the write is refused with the system's reason, as for a read-only file, and the user's own file in the
// same folder is replaced.
TEST(AtomicFile, RefusesAFileTheUserMayNotWrite) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no owners that this test could switch between";
#else
    if (geteuid() != 0) GTEST_SKIP() << "needs root to start a child as another user";
    constexpr uid_t kNobody = 65534;
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    const fs::path others = dir.Write("root.mp", "root's");
    fs::permissions(others,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    const fs::path own = dir.Write("own.mp", "own");
    ASSERT_EQ(chown(own.c_str(), kNobody, kNobody), 0);
    EXPECT_EXIT(
        {
            if (setgid(kNobody) != 0 || setuid(kNobody) != 0) std::_Exit(3);
            WriteFileAtomically(own, "new");
            try {
                WriteFileAtomically(others, "new");
            } catch (const Error& e) {
                std::fprintf(stderr, "%s: %s\n", e.what(), e.reason().c_str());
                std::_Exit(1);
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(1), "Cannot create file .*root.mp: Permission denied");
    EXPECT_EQ(ReadAll(others), "root's");
    EXPECT_EQ(ReadAll(own), "new");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"own.mp", "root.mp"}));
#endif
}

TEST(AtomicFile, WritesAFifoDirectly) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs among its files";
#else
    TempDir dir;
    const fs::path fifo = dir.path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A reader that is open already lets the write go into the pipe's buffer without waiting, and reads
    // nothing when the FIFO was never opened for writing.
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    WriteFileAtomically(fifo, "through the pipe\r\n");
    std::string received(64, '\0');
    const auto got = read(reader, received.data(), received.size());
    close(reader);
    received.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    EXPECT_EQ(received, "through the pipe\r\n");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(dir.FileNames(), std::vector<std::string>{"pipe"});
#endif
}

TEST(AtomicFile, FailedWriteToADeviceKeepsTheDevice) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no full device (/dev/full)";
#else
    // Root may replace /dev/full itself, so root writes to a node of the same device made for the test.
    TempDir dir;
    fs::path full = "/dev/full";
    if (geteuid() == 0) {
        full = dir.path() / "full";
        if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) GTEST_SKIP() << "needs mknod as root";
    }
    if (!fs::is_character_file(full)) GTEST_SKIP() << "needs the full device (/dev/full)";
    try {
        WriteFileAtomically(full, "bytes");
        ADD_FAILURE() << "writing to the full device succeeded";
    } catch (const Error& failure) {
        EXPECT_EQ(failure.what(), "Cannot create file " + full.string());
        EXPECT_EQ(failure.reason(), std::error_code(ENOSPC, std::generic_category()).message());
    }
    EXPECT_TRUE(fs::is_character_file(full));
#endif
}

TEST(AtomicFile, SameFileComparesFilesNotSpellings) {
    TempDir dir;
    const fs::path map = dir.Write("map.mp", "map");
    dir.Write("other.mp", "map");
    fs::create_directory(dir.path() / "sub");
    EXPECT_TRUE(IsSameFile(map, dir.path() / "sub" / ".." / "map.mp"));
    EXPECT_FALSE(IsSameFile(map, dir.path() / "other.mp"));
    EXPECT_FALSE(IsSameFile(map, dir.path() / "missing.mp"));
    fs::create_hard_link(map, dir.path() / "hard.mp");
    EXPECT_TRUE(IsSameFile(map, dir.path() / "hard.mp"));
}

}  // namespace
}  // namespace stratex
