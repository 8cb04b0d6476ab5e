#pragma once

#include <string>
#include <string_view>

namespace stratex {

// Byte-wise text tests. Map text is single-byte (Windows-1251) and never decoded; "NoCase" variants fold
// the ASCII letters only, which is all that keys and type codes need.

inline bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string AsciiLowerCopy(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool ContainsNoCase(std::string_view text, std::string_view part);

// Compares two texts byte by byte with a..z taken as A..Z; the shorter of two texts where one begins the
// other comes first. Negative, zero or positive.
int CompareNoCase(std::string_view a, std::string_view b);

// The characters at 1-based positions first..last of text, fewer when text is shorter (empty when it
// ends before first).
std::string_view Mid(std::string_view text, std::size_t first, std::size_t last);

// Key lookup: a line's key is its text before the first "="; a line without "=" has no key.
// KeyOf gives "" for such a line; HasKey tells the two apart.
inline bool HasKey(std::string_view line) { return line.find('=') != std::string_view::npos; }
std::string_view KeyOf(std::string_view line);
// The text after the first "=", or "" when there is none.
std::string_view ValueOf(std::string_view line);

}  // namespace stratex
