#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace stratex {

// Writes a file so that a failure never damages what stood there before: the bytes go to a temporary
// file in the target's folder, which Commit() renames over the target. Any failure (the temporary file
// cannot be created, a write or the rename fails) throws Error("Cannot create file <target>") with the
// system's reason and removes the temporary file. An AtomicFile destroyed without Commit() removes its
// temporary file.
//
// A symbolic link is written through: the new file replaces the link's final target, beside it, and the
// link stays. What is neither a regular file nor a folder (a device, a FIFO) is never renamed over: it is
// opened and written directly, so a failure there may leave part of the bytes written.
class AtomicFile {
public:
    // Creates the temporary file (or opens the device). Throws as above.
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(std::string_view bytes);
    // Flushes, closes and renames the temporary file over the target.
    void Commit();

private:
    [[noreturn]] void Fail(std::error_code cause);
    void Discard() noexcept;

    std::filesystem::path target_;       // as given, for messages
    std::filesystem::path destination_;  // target_ with its links followed
    std::filesystem::path temp_;
    std::optional<std::filesystem::perms> oldPerms_;
    std::FILE* file_ = nullptr;
    bool direct_ = false;  // destination_ is written in place (not a regular file)
    bool committed_ = false;
};

// Writes bytes to path through an AtomicFile.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// True when both paths exist and name the same file, links followed: the same device and inode, or on
// Windows the same volume and file index.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace stratex
