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

namespace stratex {

namespace {

// Follows symbolic links to the path that a write really replaces; a link to a missing file gives that
// file's path. A loop of links stops after a bound, and the create then fails.
std::filesystem::path FollowLinks(std::filesystem::path path) {
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

std::FILE* OpenExisting(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)), destination_(FollowLinks(target_)) {
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
        // A read-only file is not to be replaced, though a rename could do it.
        if ((status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none) {
            Fail(std::make_error_code(std::errc::permission_denied));
        }
        oldPerms_ = status.permissions();
    }
    std::error_code cause;
    for (int attempt = 0; attempt < 8 && !file_; ++attempt) {
        temp_ = TempPathFor(destination_);
        file_ = OpenForWriting(temp_);
        if (!file_) cause = LastSystemError();
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
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    AtomicFile file(path);
    file.Write(bytes);
    file.Commit();
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
#ifdef _WIN32
    // Compares the volumes and file indices, so that hard links are one file, as inodes are below.
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
#else
    struct stat statA {};
    struct stat statB {};
    if (::stat(a.c_str(), &statA) != 0 || ::stat(b.c_str(), &statB) != 0) return false;
    return statA.st_dev == statB.st_dev && statA.st_ino == statB.st_ino;
#endif
}

}  // namespace stratex
