#pragma once

#include <cstddef>
#include <string_view>

#ifdef _WIN32
#include <streambuf>
#include <string>
#endif

namespace stratex {

// The length of the longest start of bytes that ends with a whole UTF-8 character: bytes less an
// unfinished multi-byte sequence at its end, whose other bytes are still to come. Bytes that are no UTF-8
// count as whole characters, so that nothing waits for bytes that cannot finish it.
std::size_t WholeUtf8Length(std::string_view bytes);

#ifdef _WIN32
// A stream buffer that writes UTF-8 text to a Windows console as UTF-16 (WriteConsoleW), so that every
// character shows whatever the console's code page; bytes that are no UTF-8 show as U+FFFD. A character
// split across two writes waits until it is whole. "console" must be a console handle (GetConsoleMode
// succeeds on it) and outlive the buffer. The bytes go out when the buffer holds 4 KB, on flush and when it
// is destroyed.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(void* console) : console_(console) {}
    ~ConsoleBuffer() override;
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;
    int sync() override;

private:
    // Writes the whole characters held, or with all everything held. False when the console refused.
    bool Flush(bool all);

    void* console_;
    std::string pending_;
};
#endif

}  // namespace stratex
