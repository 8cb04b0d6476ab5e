#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "bytes/ByteSource.h"

namespace stratex {

// A file read from start to end as a ByteSource, without mapping it: a file that shrinks while it is read
// cannot fault the reader. The file's size and modification time are taken when it is opened; when the
// input ends, the bytes read must match that size and the file must still have both, or Read throws
// Error("File <path> changed while it was read"). So a map changed, truncated or removed during a pass
// fails the pass instead of giving a damaged result.
class FileSource : public ByteSource {
public:
    // What identifies the file's content between two passes.
    struct Stamp {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type time;
        bool operator==(const Stamp&) const = default;
    };

    // Opens path. Throws Error("Cannot open file <path>").
    explicit FileSource(std::filesystem::path path);
    // Opens path for a later pass over the same file: its stamp must still be expected, or the
    // constructor throws the changed-file Error.
    FileSource(std::filesystem::path path, const Stamp& expected);
    // Opens path for the bytes [from, to) of a file whose stamp must be expected (a part read beside the
    // others): it ends at to, where the file must still be as it was, or Read throws the changed-file Error.
    FileSource(std::filesystem::path path, const Stamp& expected, std::uintmax_t from, std::uintmax_t to);

    std::size_t Read(char* into, std::size_t max) override;

    const Stamp& stamp() const { return stamp_; }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    [[noreturn]] void ThrowChanged() const;
    void CheckUnchanged() const;

    std::filesystem::path path_;
    std::unique_ptr<std::FILE, Closer> file_;
    Stamp stamp_;
    std::uintmax_t read_ = 0;
    std::uintmax_t length_;  // the bytes this source gives: the file's size, or its part's
    bool ended_ = false;
};

}  // namespace stratex
