#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "bytes/TempFiles.h"

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
//
// An existing file that the running user may not write (a read-only file, or on POSIX one that access()
// refuses, such as another user's file in the user's own folder) is refused with the system's reason,
// though a rename could replace it. The temporary file is named in the table of TempFiles.h while it exists,
// so that an interrupted process removes it.
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
    std::size_t tempSlot_ = kNoTempSlot;  // temp_'s slot in the table of TempFiles.h
    std::optional<std::filesystem::perms> oldPerms_;
    std::FILE* file_ = nullptr;
    bool direct_ = false;  // destination_ is written in place (not a regular file)
    bool committed_ = false;
};

// Writes bytes to path through an AtomicFile.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// What tells files apart, links followed: the device and inode, or on Windows the volume and file index.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the file at path, or none when there is none.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

// True when both paths exist and name the same file (the same identity).
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The path that a write to path replaces: path with its symbolic links followed, also where the final
// target is missing. A loop of links stops after a bound.
std::filesystem::path WrittenPath(std::filesystem::path path);

}  // namespace stratex
