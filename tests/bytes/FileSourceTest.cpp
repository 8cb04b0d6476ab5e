#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "bytes/Error.h"
#include "bytes/FileSource.h"
#include "bytes/LineList.h"
#include "support/TempDir.h"

namespace stratex {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// Reads the whole source in reads of chunk bytes.
std::string Drain(FileSource& source, std::size_t chunk) {
    std::string bytes;
    std::string buffer(chunk, '\0');
    while (const std::size_t got = source.Read(buffer.data(), chunk)) bytes.append(buffer, 0, got);
    return bytes;
}

TEST(FileSource, ReadsTheFileAsItIs) {
    TempDir dir;
    const std::string bytes = "[IMG ID]\r\n\0x\ry\n"s;
    const fs::path path = dir.Write("map.mp", bytes);
    FileSource source(path);
    EXPECT_EQ(Drain(source, 3), bytes);
    EXPECT_EQ(source.Read(nullptr, 0), 0u);
}

// Reads a file, changes it with change after the first bytes, and expects the read to fail.
void ExpectChangedWhileRead(const std::function<void(const fs::path&)>& change) {
    TempDir dir;
    const fs::path path = dir.Write("map.mp", std::string(4000, 'm'));
    FileSource source(path);
    char buffer[100];
    ASSERT_EQ(source.Read(buffer, sizeof buffer), sizeof buffer);
    change(path);
    try {
        while (source.Read(buffer, sizeof buffer) > 0) {
        }
        ADD_FAILURE() << "no failure";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "File " + PathToUtf8(path) + " changed while it was read");
    }
}

TEST(FileSource, AFileChangedWhileItIsReadFailsThePass) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> change;
    };
    const Case cases[] = {
        {"truncated", [](const fs::path& path) { fs::resize_file(path, 10); }},
        {"grown", [](const fs::path& path) { fs::resize_file(path, 5000); }},
        {"rewritten",
         [](const fs::path& path) { fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectChangedWhileRead(c.change);
    }
}

TEST(FileSource, AFileRemovedWhileItIsReadFailsThePass) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows refuses to remove a file that is open";
#else
    ExpectChangedWhileRead([](const fs::path& path) { fs::remove(path); });
#endif
}

TEST(FileSource, ALaterPassFailsWhenTheFileChangedBetweenPasses) {
    TempDir dir;
    const fs::path path = dir.Write("map.mp", "[END-IMG ID]\r\n");
    const FileSource::Stamp first = FileSource(path).stamp();
    EXPECT_NO_THROW(FileSource(path, first));
    dir.Write("map.mp", "[END-IMG ID]\r\n[POI]\r\n");
    EXPECT_THROW(FileSource(path, first), Error);
}

}  // namespace
}  // namespace stratex
