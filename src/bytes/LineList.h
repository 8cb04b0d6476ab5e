#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace stratex {

// A small list of single-byte text lines: type name files, level config files, dictionary lines.
// (The map itself is held as MapText, one buffer with a line index.)
using LineList = std::vector<std::string>;

// Splits text by the file rules: the text ends at its first NUL byte; lines split at CR LF, LF or CR;
// a line end at the very end adds no empty line. The line ends are not part of the lines.
LineList SplitLines(std::string_view text);

// Every line followed by CR LF, the last one included. An empty list gives an empty text.
std::string JoinLinesCrLf(const LineList& lines);

// Reads a whole file. Throws Error("Cannot open file <path>") when it cannot be opened or read.
std::string ReadFileBytes(const std::filesystem::path& path);

// Asks for huge pages for the reserved room of a large buffer before it is first written, where the system
// gives them on request. Only a hint; nothing changes where it is not honoured.
void AdviseHugePages(std::string& bytes);

// ReadFileBytes, then SplitLines.
LineList LoadLineFile(const std::filesystem::path& path);

// Writes the lines with CR LF after each, replacing the file atomically (see AtomicFile).
void SaveLineFile(const std::filesystem::path& path, const LineList& lines);

// The path as UTF-8 text, for messages.
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace stratex
