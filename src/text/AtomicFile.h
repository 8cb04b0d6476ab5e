#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

namespace stratex {

// Writes a file so that a failure never damages what stood there before: the bytes go to a temporary
// file in the target's folder, which Commit() renames over the target. Any failure (the temporary file
// cannot be created, a write or the rename fails) throws Error("Cannot create file <target>") and removes
// the temporary file. An AtomicFile destroyed without Commit() removes its temporary file.
class AtomicFile {
public:
    // Creates the temporary file. Throws as above.
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(std::string_view bytes);
    // Flushes, closes and renames the temporary file over the target.
    void Commit();

private:
    [[noreturn]] void Fail();
    void Discard() noexcept;

    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::optional<std::filesystem::perms> oldPerms_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

// Writes bytes to path through an AtomicFile.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace stratex
