#include "types/TypeNames.h"

#include <system_error>

#include "bytes/Strings.h"

namespace stratex {

LineList LoadTypeNames(const std::filesystem::path& programDir, std::string_view fileName) {
    auto path = programDir / std::filesystem::path(fileName);
    // Messages name the file by its full path even when the folder was given relative.
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    if (!ec) path = std::move(absolute);
    return LoadLineFile(path);
}

std::string LookupTypeName(const LineList& lines, std::string_view code) {
    for (const auto& line : lines) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (EqualsNoCase(std::string_view(line).substr(0, eq), code)) return line.substr(eq + 1);
    }
    return {};
}

TypeNameFiles TypeNameFiles::Load(const std::filesystem::path& programDir) {
    TypeNameFiles files;
    files.poi = LoadTypeNames(programDir, TypeNameFileName(ObjectKind::Poi));
    files.polyline = LoadTypeNames(programDir, TypeNameFileName(ObjectKind::Polyline));
    files.polygon = LoadTypeNames(programDir, TypeNameFileName(ObjectKind::Polygon));
    return files;
}

const LineList& TypeNameFiles::Of(ObjectKind kind) const {
    switch (kind) {
        case ObjectKind::Polyline:
            return polyline;
        case ObjectKind::Polygon:
            return polygon;
        case ObjectKind::Poi:
            break;
    }
    return poi;
}

}  // namespace stratex
