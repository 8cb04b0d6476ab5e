#pragma once

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

namespace stratex {

// The one failure type of the engine. Its message is the exact text that the user sees (UTF-8), before
// the window's full-stop rule is applied. The window and the CLI catch it at their handler boundary.
//
// Besides the message it may carry where the failure was met (a file and a 1-based line of it) and the
// system's reason for a file that could not be opened or created. Neither is part of the message: the
// window shows the message alone, stratex-cli puts the location in front and the reason behind it.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
    Error(const std::string& message, std::string reason) : std::runtime_error(message), reason_(std::move(reason)) {}

    // The file the failing line belongs to (UTF-8), or empty; line 0 means no line is known.
    const std::string& file() const { return file_; }
    std::uint64_t line() const { return line_; }
    // The system's reason ("No such file or directory"), or empty.
    const std::string& reason() const { return reason_; }

    // Each sets its part only when none is set yet: the innermost catch site knows best.
    void SetLineIfUnset(std::uint64_t line) {
        if (line_ == 0) line_ = line;
    }
    void SetFileIfUnset(const std::string& file) {
        if (file_.empty()) file_ = file;
    }
    // For a failure met in a later part of a file read from that part's start: its line moves on by the
    // lines before the part.
    void MoveLine(std::uint64_t lines) {
        if (line_ != 0) line_ += lines;
    }

private:
    std::string file_;
    std::uint64_t line_ = 0;
    std::string reason_;
};

// The text of a failure as the user sees it: the message with "." appended when its last character comes
// after "." in character-code order (ends in a letter or digit); one ending in "'", "!", ")" or "." is kept.
std::string WithFullStop(std::string message);

// "Cannot open file <path>": a file that cannot be opened or read; the reason is the text of cause, if
// it holds an error.
[[noreturn]] void ThrowCannotOpen(const std::string& pathUtf8, std::error_code cause = {});
// "Cannot create file <path>": a file that cannot be created or written.
[[noreturn]] void ThrowCannotCreate(const std::string& pathUtf8, std::error_code cause = {});

// Only inside a catch handler: rethrows the exception being handled, after giving it, when it is an Error,
// the line (when it has none yet) or the file (when it has a line but no file).
[[noreturn]] void RethrowAtLine(std::uint64_t line);
// Rethrows failure, met in a later part of a file read from that part's start, with its line (when it is an
// Error with one) moved on by the lines before the part.
[[noreturn]] void RethrowMovedBy(std::exception_ptr failure, std::uint64_t lines);
[[noreturn]] void RethrowInFile(const std::string& fileUtf8);

// The error code of the C library's last failure (errno), for the two above.
std::error_code LastSystemError();

}  // namespace stratex
