#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "bytes/LineList.h"
#include "grammar/ObjectKind.h"

namespace stratex {

// Reads programDir / fileName whole. Throws Error("Cannot open file <full path>").
LineList LoadTypeNames(const std::filesystem::path& programDir, std::string_view fileName);

// The name of the first line whose key (text before its first "=") equals code with ASCII case folded;
// lines without "=" are passed over. "" when no line matches. The name is the rest of the line after
// that "=", unchanged.
std::string LookupTypeName(const LineList& lines, std::string_view code);

// The three type name files of one operation, read together.
struct TypeNameFiles {
    LineList poi;
    LineList polyline;
    LineList polygon;

    // Reads "poi.txt", "polyline.txt", "polygon.txt" in this order; throws on the first that fails.
    static TypeNameFiles Load(const std::filesystem::path& programDir);

    const LineList& Of(ObjectKind kind) const;
};

}  // namespace stratex
