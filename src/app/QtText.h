#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace stratex {

// Windows-1251 bytes (type names, levels, codes) as text for display.
QString DecodeCp1251(std::string_view bytes);

// Text typed by the user as Windows-1251 bytes; a character that the code page lacks becomes "?".
std::string EncodeCp1251(const QString& text);

// A path chosen in a dialog as the engine takes it (UTF-8 on Windows, the file system's bytes elsewhere).
std::filesystem::path ToFsPath(const QString& path);

// An engine path as the window shows it (native separators).
QString ToQString(const std::filesystem::path& path);

// A proposed file name: the name cut before its first "." (the first dot of the whole path, folder part
// included); a name without "." is kept.
QString CutBeforeFirstDot(const QString& fileName);

// The folder part of a full path, with native separators and without a trailing separator.
QString FolderOf(const QString& path);

}  // namespace stratex
