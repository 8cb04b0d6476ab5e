#include "text/AtomicFile.h"

#include <atomic>
#include <chrono>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#endif

#include "text/Error.h"
#include "text/LineList.h"

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
    if (_wsopen_s(&fd, path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) {
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) _close(fd);
    return file;
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
    std::error_code ec;
    // A folder in the way can never be replaced by a file.
    if (std::filesystem::is_directory(target_, ec)) Fail();
    // A read-only file is not to be replaced, though a rename could do it.
    const auto status = std::filesystem::status(target_, ec);
    if (!ec && std::filesystem::exists(status)) {
        if ((status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none) Fail();
        oldPerms_ = status.permissions();
    }
    for (int attempt = 0; attempt < 8 && !file_; ++attempt) {
        temp_ = TempPathFor(target_);
        file_ = OpenForWriting(temp_);
    }
    if (!file_) {
        temp_.clear();
        Fail();
    }
}

AtomicFile::~AtomicFile() {
    if (!committed_) Discard();
}

void AtomicFile::Write(std::string_view bytes) {
    if (!file_) Fail();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail();
}

void AtomicFile::Commit() {
    if (!file_) Fail();
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) Fail();
    std::error_code ec;
    // The new file keeps the permissions of the one it replaces.
    if (oldPerms_) std::filesystem::permissions(temp_, *oldPerms_, ec);
    std::filesystem::rename(temp_, target_, ec);
    if (ec) Fail();
    committed_ = true;
}

void AtomicFile::Fail() {
    Discard();
    ThrowCannotCreate(PathToUtf8(target_));
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

}  // namespace stratex
