#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace stratex {

// A fresh folder for one test, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    // In base instead of the system's temporary folder.
    explicit TempDir(const std::filesystem::path& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes bytes to name inside the folder and returns the full path.
    std::filesystem::path Write(const std::string& name, std::string_view bytes) const;
    // The names of the entries in the folder, sorted.
    std::vector<std::string> FileNames() const;

private:
    std::filesystem::path path_;
};

// A folder in memory where the system has one (/dev/shm), else the temporary folder: for tests that write
// and replace thousands of files, whose every replacement waits for the disk.
std::filesystem::path MemoryFolder();

// Reads a whole file for a test (empty when missing).
std::string ReadAll(const std::filesystem::path& path);

}  // namespace stratex
