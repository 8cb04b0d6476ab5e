#include "bytes/FileSource.h"

#include <system_error>
#include <utility>

#include "bytes/Error.h"
#include "bytes/LineList.h"

namespace stratex {

namespace {

// The stamp of the file at path now; false when it cannot be taken (the file is gone).
bool StampOf(const std::filesystem::path& path, FileSource::Stamp& stamp) {
    std::error_code ec;
    stamp.size = std::filesystem::file_size(path, ec);
    if (ec) return false;
    stamp.time = std::filesystem::last_write_time(path, ec);
    return !ec;
}

}  // namespace

FileSource::FileSource(std::filesystem::path path) : path_(std::move(path)) {
    std::error_code ec;
    if (std::filesystem::is_directory(path_, ec)) {
        ThrowCannotOpen(PathToUtf8(path_), std::make_error_code(std::errc::is_a_directory));
    }
#ifdef _WIN32
    file_.reset(_wfopen(path_.c_str(), L"rb"));
#else
    file_.reset(std::fopen(path_.c_str(), "rb"));
#endif
    if (!file_) ThrowCannotOpen(PathToUtf8(path_), LastSystemError());
    if (!StampOf(path_, stamp_)) ThrowCannotOpen(PathToUtf8(path_));
    length_ = stamp_.size;
    // The reader asks for large blocks; a stream buffer would only add a copy.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
}

FileSource::FileSource(std::filesystem::path path, const Stamp& expected) : FileSource(std::move(path)) {
    if (!(stamp_ == expected)) ThrowChanged();
}

FileSource::FileSource(std::filesystem::path path, const Stamp& expected, std::uintmax_t from, std::uintmax_t to)
    : FileSource(std::move(path), expected) {
    if (from > to || to > stamp_.size) ThrowChanged();
    length_ = to - from;
#ifdef _WIN32
    const bool moved = _fseeki64(file_.get(), static_cast<__int64>(from), SEEK_SET) == 0;
#else
    const bool moved = fseeko(file_.get(), static_cast<off_t>(from), SEEK_SET) == 0;
#endif
    if (!moved) ThrowCannotOpen(PathToUtf8(path_), LastSystemError());
}

std::size_t FileSource::Read(char* into, std::size_t max) {
    if (ended_ || max == 0) return 0;
    // A part ends where it ends, with the file's end still to come: no read past it.
    const std::uintmax_t left = length_ - read_;
    const std::size_t want = left < max ? static_cast<std::size_t>(left) : max;
    const std::size_t got = want == 0 ? 0 : std::fread(into, 1, want, file_.get());
    if (got == 0 && std::ferror(file_.get())) ThrowCannotOpen(PathToUtf8(path_), LastSystemError());
    read_ += got;
    if (read_ > length_) ThrowChanged();
    if (got == 0) {
        ended_ = true;
        CheckUnchanged();
    }
    return got;
}

void FileSource::CheckUnchanged() const {
    Stamp now;
    if (read_ != length_ || !StampOf(path_, now) || !(now == stamp_)) ThrowChanged();
}

void FileSource::ThrowChanged() const { throw Error("File " + PathToUtf8(path_) + " changed while it was read"); }

}  // namespace stratex
