#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace stratex {

// Integer reading: leading blanks are skipped, an optional "+" or "-" follows, then decimal digits, or
// hexadecimal digits of either case after "$", "x", "X", "0x" or "0X". Nothing may follow the digits;
// an empty text is no number, and so is a value outside the signed 32-bit range.
std::optional<std::int32_t> TryReadInteger(std::string_view text);

// As TryReadInteger, but a text that is no number throws Error("'<text>' is not a valid integer value"),
// the text converted from Windows-1251 to UTF-8 for the message.
std::int32_t ReadInteger(std::string_view text);

}  // namespace stratex
