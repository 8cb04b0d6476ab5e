#include "bytes/LineList.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "bytes/AtomicFile.h"
#include "bytes/Error.h"

#if defined(__linux__)
#include <sys/mman.h>

#include <cstdint>
#endif

namespace stratex {

// Asks for huge pages for a large buffer before it is first written, where the system gives them on
// request: reading a gigabyte map into small pages costs a quarter of a million page faults, more time
// than the reading itself. Only a hint; nothing changes where it is not honoured.
void AdviseHugePages([[maybe_unused]] std::string& bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    if (bytes.capacity() < 4 * kHugePage) return;
    const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
    const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + bytes.capacity()) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

LineList SplitLines(std::string_view text) {
    if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
        text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
    }
    LineList lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string JoinLinesCrLf(const LineList& lines) {
    std::size_t size = 0;
    for (const auto& line : lines) size += line.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
#ifdef _WIN32
    std::unique_ptr<std::FILE, Closer> file(_wfopen(path.c_str(), L"rb"));
#else
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
#endif
    if (!file) ThrowCannotOpen(PathToUtf8(path), LastSystemError());
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        ThrowCannotOpen(PathToUtf8(path), std::make_error_code(std::errc::is_a_directory));
    }
    // Read until the end rather than trusting the size: the file may change or be a special file.
    // The reserve leaves room for the last chunk, so an unchanged file never reallocates.
    constexpr std::size_t kChunk = 1 << 20;
    std::string bytes;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec) bytes.reserve(static_cast<std::size_t>(size) + kChunk);
    AdviseHugePages(bytes);
    for (;;) {
        const std::size_t old = bytes.size();
        bytes.resize(old + kChunk);
        const std::size_t got = std::fread(bytes.data() + old, 1, kChunk, file.get());
        bytes.resize(old + got);
        if (got < kChunk) break;
    }
    if (std::ferror(file.get())) ThrowCannotOpen(PathToUtf8(path), LastSystemError());
    return bytes;
}

LineList LoadLineFile(const std::filesystem::path& path) { return SplitLines(ReadFileBytes(path)); }

void SaveLineFile(const std::filesystem::path& path, const LineList& lines) {
    WriteFileAtomically(path, JoinLinesCrLf(lines));
}

}  // namespace stratex
