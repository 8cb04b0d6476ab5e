#pragma once

#include <string>
#include <string_view>

namespace stratex {

// Windows-1251 bytes to UTF-8, for messages and reports. Bytes that the code page leaves undefined (0x98)
// become U+FFFD.
std::string Cp1251ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1251; a character that the code page lacks becomes "?".
std::string Utf8ToCp1251(std::string_view utf8);

}  // namespace stratex
