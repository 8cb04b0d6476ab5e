#include "cli/ConsoleBuffer.h"

#include "bytes/WindowsApi.h"

namespace stratex {

std::size_t WholeUtf8Length(std::string_view bytes) {
    // A character has at most four bytes: its lead byte, if it is unfinished, is among the last three.
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: the lead lies further back
        // Bytes below 0xC2 and above 0xF4 lead no character of more than one byte.
        const std::size_t length = byte < 0xC2 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : byte < 0xF5 ? 4 : 1;
        return length > back ? bytes.size() - back : bytes.size();
    }
    return bytes.size();
}

#ifdef _WIN32
namespace {
constexpr std::size_t kFlushAt = 4096;
}  // namespace

ConsoleBuffer::~ConsoleBuffer() { Flush(true); }

ConsoleBuffer::int_type ConsoleBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_.push_back(traits_type::to_char_type(c));
    if (pending_.size() >= kFlushAt && !Flush(false)) return traits_type::eof();
    return c;
}

std::streamsize ConsoleBuffer::xsputn(const char* bytes, std::streamsize count) {
    pending_.append(bytes, static_cast<std::size_t>(count));
    if (pending_.size() >= kFlushAt && !Flush(false)) return 0;
    return count;
}

int ConsoleBuffer::sync() { return Flush(false) ? 0 : -1; }

bool ConsoleBuffer::Flush(bool all) {
    const std::size_t whole = all ? pending_.size() : WholeUtf8Length(pending_);
    if (whole == 0) return true;
    const int length = MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(whole), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(whole), wide.data(), length);
    pending_.erase(0, whole);
    DWORD written = 0;
    return length == 0 || WriteConsoleW(console_, wide.data(), static_cast<DWORD>(length), &written, nullptr) != 0;
}
#endif

}  // namespace stratex
