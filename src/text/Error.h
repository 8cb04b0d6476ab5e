#pragma once

#include <stdexcept>
#include <string>

namespace stratex {

// The one failure type of the engine. Its message is the exact text that the user sees (UTF-8), before
// the window's full-stop rule is applied. The window and the CLI catch it at their handler boundary.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The text of a failure as the user sees it: the message with "." appended when its last character comes
// after "." in character-code order (ends in a letter or digit); one ending in "'", "!", ")" or "." is kept.
std::string WithFullStop(std::string message);

// "Cannot open file <path>": a file that cannot be opened or read.
[[noreturn]] void ThrowCannotOpen(const std::string& pathUtf8);
// "Cannot create file <path>": a file that cannot be created or written.
[[noreturn]] void ThrowCannotCreate(const std::string& pathUtf8);

}  // namespace stratex
