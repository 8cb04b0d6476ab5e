#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "bytes/Error.h"
#include "passes/NotAMap.h"

namespace stratex {

constexpr std::string_view kProgramName = "stratex-cli";

// "stratex-cli: [FILE[:LINE]: ]" in front of a message or warning, as compilers print them.
std::string MessagePrefix(const std::string& file = {}, std::uint64_t line = 0);

// A failure as stratex-cli prints it: where it was met, the message and the system's reason.
std::string FailureText(const Error& failure);

// Why the file is no Polish map, in a sentence: "the file is empty", "no line holds [END-IMG ID]", ...
std::string NotAMapText(const NotAMap& why);

// The two lines for a file that is no Polish map: the window's message, then why.
void WriteNotAPolishMap(const std::string& mapUtf8, const NotAMap& why, std::ostream& err);

}  // namespace stratex
