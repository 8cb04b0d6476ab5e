#include "bytes/AtomicFile.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

#include "bytes/Error.h"
#include "bytes/LineList.h"
#include "bytes/WindowsApi.h"

namespace stratex {

namespace {

std::filesystem::path TempPathFor(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    auto name = target.filename();
    name += ".stratex-" + std::to_string(stamp % 1000000007) + "-" + std::to_string(counter++) + ".tmp";
    return target.parent_path() / name;
}

// Creates path for writing; fails when it exists already, so two saves never share a temporary file.
std::FILE* OpenForWriting(const std::filesystem::path& path) {
#ifdef _WIN32
    // The older C runtimes do not know fopen's "x" flag: create exclusively, then wrap the descriptor.
    int fd = -1;
    if (_wsopen_s(&fd, path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE) !=
        0) {
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) _close(fd);
    return file;
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

// Gives temp the owner and group of target, where target exists and they differ; a user who may not give a
// file away keeps the new file as the system makes it. Windows files keep their owner on their own terms.
void KeepOwner([[maybe_unused]] const std::filesystem::path& target,
               [[maybe_unused]] const std::filesystem::path& temp) {
#ifndef _WIN32
    struct stat old {};
    struct stat made {};
    if (::stat(target.c_str(), &old) != 0 || ::stat(temp.c_str(), &made) != 0) return;
    if (old.st_uid == made.st_uid && old.st_gid == made.st_gid) return;
    if (::chown(temp.c_str(), old.st_uid, old.st_gid) != 0) return;
#endif
}

// Why the running user may not replace the existing regular file at path, or nothing. A file without its
// owner's write permission (on Windows, with the read-only attribute) is refused even to root.
std::error_code WhyNotWritable(const std::filesystem::path& path, std::filesystem::perms perms) {
    if ((perms & std::filesystem::perms::owner_write) == std::filesystem::perms::none) {
        return std::make_error_code(std::errc::permission_denied);
    }
#ifndef _WIN32
    // The folder's permissions would let the rename through; the file's own decide.
    if (::access(path.c_str(), W_OK) != 0) return LastSystemError();
#else
    (void)path;
#endif
    return {};
}

std::FILE* OpenExisting(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)), destination_(WrittenPath(target_)) {
    std::error_code ec;
    const auto status = std::filesystem::status(destination_, ec);
    if (!ec && std::filesystem::exists(status)) {
        // A folder in the way can never be replaced by a file.
        if (std::filesystem::is_directory(status)) Fail(std::make_error_code(std::errc::is_a_directory));
        if (!std::filesystem::is_regular_file(status)) {
            direct_ = true;
            file_ = OpenExisting(destination_);
            if (!file_) Fail(LastSystemError());
            return;
        }
        if (const std::error_code refused = WhyNotWritable(destination_, status.permissions())) Fail(refused);
        oldPerms_ = status.permissions();
    }
    std::error_code cause;
    for (int attempt = 0; attempt < 8 && !file_; ++attempt) {
        temp_ = TempPathFor(destination_);
        tempSlot_ = AddTempFile(temp_);
        file_ = OpenForWriting(temp_);
        if (!file_) cause = LastSystemError();
        TempFileCreated();
        if (!file_) {
            DropTempFile(tempSlot_);
            tempSlot_ = kNoTempSlot;
        }
    }
    if (!file_) {
        temp_.clear();
        Fail(cause);
    }
}

AtomicFile::~AtomicFile() {
    if (!committed_) Discard();
}

void AtomicFile::Write(std::string_view bytes) {
    if (!file_) Fail({});
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail(LastSystemError());
}

void AtomicFile::Commit() {
    if (!file_) Fail({});
    errno = 0;
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const std::error_code flushCause = LastSystemError();
    const bool closed = std::fclose(file_) == 0;
    const std::error_code closeCause = LastSystemError();
    file_ = nullptr;
    if (!flushed) Fail(flushCause);
    if (!closed) Fail(closeCause);
    if (direct_) {
        committed_ = true;
        return;
    }
    std::error_code ec;
    // The new file keeps the permissions of the one it replaces, and where the program may give it away (as
    // root), its owner and group too.
    if (oldPerms_) std::filesystem::permissions(temp_, *oldPerms_, ec);
    KeepOwner(destination_, temp_);
    ec.clear();
    std::filesystem::rename(temp_, destination_, ec);
    if (ec) Fail(ec);
    DropTempFile(tempSlot_);
    tempSlot_ = kNoTempSlot;
    committed_ = true;
}

void AtomicFile::Fail(std::error_code cause) {
    Discard();
    ThrowCannotCreate(PathToUtf8(target_), cause);
}

void AtomicFile::Discard() noexcept {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        temp_.clear();
    }
    DropTempFile(tempSlot_);
    tempSlot_ = kNoTempSlot;
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    AtomicFile file(path);
    file.Write(bytes);
    file.Commit();
}

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
#ifdef _WIN32
    // The volume and file index, so that hard links are one file, as inodes are below. Opening for no
    // access at all needs no sharing from whoever holds the file; the flag lets a folder open too.
    HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
#else
    struct stat found {};
    if (::stat(path.c_str(), &found) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(found.st_dev), static_cast<std::uint64_t>(found.st_ino)};
#endif
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    const std::optional<FileIdentity> identity = IdentityOf(a);
    return identity && identity == IdentityOf(b);
}

std::filesystem::path WrittenPath(std::filesystem::path path) {
    constexpr int kMaxLinks = 40;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(path, ec)) break;
        const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

}  // namespace stratex
