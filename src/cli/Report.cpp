#include "cli/Report.h"

#include <array>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "text/Cp1251.h"
#include "text/Integer.h"
#include "text/Strings.h"
#include "types/TypeList.h"

namespace stratex {

std::string KindKey(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Poi:
            return "poi";
        case ObjectKind::Polyline:
            return "polyline";
        case ObjectKind::Polygon:
            return "polygon";
    }
    return "";
}

void WriteFindingsText(const std::string& file, const std::vector<Finding>& findings, std::ostream& out) {
    for (const Finding& finding : findings) {
        const FindingCodeInfo& info = InfoOf(finding.code);
        out << file << ':' << finding.line << ": " << SeverityName(info.severity) << ": " << finding.message << " ["
            << info.name << "]\n";
    }
}

void WriteFindingsJson(const std::string& file, const std::vector<Finding>& findings, std::ostream& out) {
    nlohmann::json list = nlohmann::json::array();
    for (const Finding& finding : findings) {
        const FindingCodeInfo& info = InfoOf(finding.code);
        nlohmann::json item = {{"file", file},
                               {"line", finding.line},
                               {"severity", SeverityName(info.severity)},
                               {"code", info.name},
                               {"message", finding.message}};
        if (finding.kind) item["kind"] = KindKey(*finding.kind);
        if (!finding.type.empty()) item["type"] = finding.type;
        list.push_back(std::move(item));
    }
    out << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

namespace {

// What the objects of one type carry.
struct TypeFigures {
    std::uint64_t objects = 0;
    std::map<std::int32_t, std::uint64_t> endLevels;  // EndLevel value -> objects
    std::uint64_t without = 0;
};

// Per kind, the figures of each normalised type code.
using Figures = std::array<std::unordered_map<std::string, TypeFigures>, 3>;

// One pass over the map with the recognition rules of the scan: the object part begins after the first
// line containing "[END-IMG ID]"; comment lines (";" first) are passed over there; outside an object a
// line containing "[POI]", "[POLYLINE]" or "[POLYGON]" opens one (the last of them decides); inside it a
// line beginning with "Type" gives the type text (characters 6 to 11, kept from one object to the next),
// one beginning with "EndLevel" its level, and a line containing "[END]" ends it. Only runs after a
// successful scan, which has read every type text at an object end as a number.
Figures CountObjects(const MapText& text) {
    std::array<std::unordered_map<std::int32_t, TypeFigures>, 3> byValue;
    bool inHeader = true;
    bool inSection = false;
    ObjectKind kind = ObjectKind::Poi;
    std::string_view typeText;  // a view into the map's buffer, which does not change here
    // An optional here draws a false maybe-uninitialized warning from GCC 12.
    bool hasEndLevel = false;
    std::int32_t endLevel = 0;
    for (MapText::Cursor cursor(text); !cursor.AtEnd(); cursor.Next()) {
        const std::string_view line = cursor.Line();
        if (inHeader) {
            if (Contains(line, "[END-IMG ID]")) inHeader = false;
            continue;
        }
        if (!line.empty() && line.front() == ';') continue;
        if (!inSection) {
            if (line.find('[') == std::string_view::npos) continue;
            if (Contains(line, "[POI]")) {
                kind = ObjectKind::Poi;
                inSection = true;
            }
            if (Contains(line, "[POLYLINE]")) {
                kind = ObjectKind::Polyline;
                inSection = true;
            }
            if (Contains(line, "[POLYGON]")) {
                kind = ObjectKind::Polygon;
                inSection = true;
            }
            if (!inSection) continue;
            hasEndLevel = false;
        }
        if (StartsWith(line, "Type")) typeText = Mid(line, 6, 11);
        if (StartsWith(line, "EndLevel")) {
            const auto value = TryReadInteger(ValueOf(line));
            hasEndLevel = value.has_value();
            endLevel = value.value_or(0);
        }
        if (Contains(line, "[END]")) {
            inSection = false;
            if (const auto value = TryReadInteger(typeText)) {
                TypeFigures& figures = byValue[static_cast<int>(kind)][*value];
                ++figures.objects;
                if (hasEndLevel) {
                    ++figures.endLevels[endLevel];
                } else {
                    ++figures.without;
                }
            }
        }
    }
    Figures figures;
    for (const ObjectKind k : kAllKinds) {
        const auto i = static_cast<std::size_t>(k);
        for (auto& [value, counted] : byValue[i]) figures[i][NormalisedTypeCode(k, value)] = std::move(counted);
    }
    return figures;
}

std::string_view KindHeading(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Poi:
            return "POI";
        case ObjectKind::Polyline:
            return "Polylines";
        case ObjectKind::Polygon:
            return "Polygons";
    }
    return "";
}

const TypeFigures& FiguresOf(const Figures& figures, ObjectKind kind, const std::string& code) {
    static const TypeFigures kNone;
    const auto& found = figures[static_cast<std::size_t>(kind)];
    const auto it = found.find(code);
    return it == found.end() ? kNone : it->second;
}

// "1-3", "2" or "-".
std::string EndLevelRange(const TypeFigures& figures) {
    if (figures.endLevels.empty()) return "-";
    const std::int32_t low = figures.endLevels.begin()->first;
    const std::int32_t high = figures.endLevels.rbegin()->first;
    return low == high ? std::to_string(low) : std::to_string(low) + "-" + std::to_string(high);
}

}  // namespace

void WriteScanReport(const MapDocument& document, std::ostream& out) {
    const Figures figures = CountObjects(document.map());
    const auto& levels = document.levels().rows();
    out << "Levels: " << levels.size() << '\n';
    for (const auto& row : levels) out << Cp1251ToUtf8(row.key) << '\t' << Cp1251ToUtf8(row.value) << '\n';
    for (const ObjectKind kind : kAllKinds) {
        const TypeList& list = document.lists().Of(kind);
        out << KindHeading(kind) << ": " << list.size() << '\n';
        for (const TypeRow& row : list.rows()) {
            const TypeFigures& type = FiguresOf(figures, kind, row.code);
            out << Cp1251ToUtf8(row.level) << '\t' << Cp1251ToUtf8(row.code) << '\t' << Cp1251ToUtf8(row.name) << '\t'
                << type.objects << '\t' << EndLevelRange(type) << '\t' << type.without << '\n';
        }
    }
}

void WriteScanJson(const MapDocument& document, std::ostream& out) {
    const Figures figures = CountObjects(document.map());
    nlohmann::json report;
    report["levels"] = nlohmann::json::array();
    for (const auto& row : document.levels().rows()) {
        report["levels"].push_back({{"key", Cp1251ToUtf8(row.key)}, {"value", Cp1251ToUtf8(row.value)}});
    }
    for (const ObjectKind kind : kAllKinds) {
        nlohmann::json rows = nlohmann::json::array();
        for (const TypeRow& row : document.lists().Of(kind).rows()) {
            const TypeFigures& type = FiguresOf(figures, kind, row.code);
            nlohmann::json endLevels = nlohmann::json::object();
            for (const auto& [level, objects] : type.endLevels) endLevels[std::to_string(level)] = objects;
            rows.push_back({{"level", Cp1251ToUtf8(row.level)},
                            {"code", Cp1251ToUtf8(row.code)},
                            {"name", Cp1251ToUtf8(row.name)},
                            {"objects", type.objects},
                            {"endLevels", std::move(endLevels)},
                            {"without", type.without}});
        }
        report[KindKey(kind)] = std::move(rows);
    }
    out << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace stratex
