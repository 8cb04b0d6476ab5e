#include "cli/Report.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <tuple>
#include <utility>

#include "bytes/Cp1251.h"
#include "bytes/Integer.h"
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
        out << (finding.file.empty() ? file : finding.file) << ':' << finding.line << ": "
            << SeverityName(info.severity) << ": " << finding.message << " [" << info.name << "]\n";
    }
}

void WriteGroupedFindingsText(const std::string& file, const std::vector<Finding>& findings, std::ostream& out) {
    constexpr std::size_t kLinesShown = 3;
    // The groups in the order of their first finding; each holds the findings' indexes.
    std::vector<std::vector<std::size_t>> groups;
    std::map<std::tuple<FindingCode, int, std::string, std::string>, std::size_t> groupOf;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        const auto key = std::make_tuple(f.code, f.kind ? static_cast<int>(*f.kind) : -1, f.type, f.file);
        const auto [found, added] = groupOf.try_emplace(key, groups.size());
        if (added) groups.emplace_back();
        groups[found->second].push_back(i);
    }
    for (const std::vector<std::size_t>& group : groups) {
        const Finding& first = findings[group.front()];
        const FindingCodeInfo& info = InfoOf(first.code);
        out << (first.file.empty() ? file : first.file) << ':' << first.line << ": " << SeverityName(info.severity)
            << ": " << first.message;
        if (group.size() > 1) {
            out << "; " << group.size() << " findings, first at lines ";
            for (std::size_t k = 0; k < group.size() && k < kLinesShown; ++k) {
                out << (k > 0 ? ", " : "") << findings[group[k]].line;
            }
        }
        out << " [" << info.name << "]\n";
    }
}

void WriteFindingsJson(const std::string& file, const std::vector<Finding>& findings, std::ostream& out) {
    nlohmann::json list = nlohmann::json::array();
    for (const Finding& finding : findings) {
        const FindingCodeInfo& info = InfoOf(finding.code);
        nlohmann::json item = {{"file", finding.file.empty() ? file : finding.file},
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

const TypeFigures& FiguresOf(const MapFigures& figures, ObjectKind kind, const std::string& code) {
    static const TypeFigures kNone;
    const auto& found = figures.Of(kind);
    const auto it = found.find(code);
    return it == found.end() ? kNone : it->second;
}

// "1-3", "2" or "-": the lowest and highest of the EndLevels that read as numbers.
std::string EndLevelRange(const TypeFigures& figures) {
    std::optional<std::int32_t> low;
    std::optional<std::int32_t> high;
    for (const auto& [text, objects] : figures.endLevels) {
        if (const auto level = TryReadInteger(text)) {
            low = std::min(low.value_or(*level), *level);
            high = std::max(high.value_or(*level), *level);
        }
    }
    if (!low) return "-";
    return *low == *high ? std::to_string(*low) : std::to_string(*low) + "-" + std::to_string(*high);
}

}  // namespace

void WriteScanReport(const MapDocument& document, std::ostream& out) {
    const MapFigures& figures = document.figures();
    const auto& levels = document.levels().rows();
    out << "Levels: " << levels.size() << '\n';
    for (const auto& row : levels) out << Cp1251ToUtf8(row.key) << '\t' << Cp1251ToUtf8(row.value) << '\n';
    for (const ObjectKind kind : kAllKinds) {
        const TypeList& list = document.lists().Of(kind);
        out << KindHeading(kind) << ": " << list.size() << '\n';
        for (const TypeRow& row : list.rows()) {
            const TypeFigures& type = FiguresOf(figures, kind, row.code);
            out << Cp1251ToUtf8(row.level) << '\t' << Cp1251ToUtf8(row.code) << '\t' << Cp1251ToUtf8(row.name) << '\t'
                << type.objects << '\t' << EndLevelRange(type) << '\t' << type.withoutEndLevel << '\n';
        }
    }
}

void WriteScanJson(const MapDocument& document, std::ostream& out) {
    const MapFigures& figures = document.figures();
    nlohmann::json report;
    report["levels"] = nlohmann::json::array();
    for (const auto& row : document.levels().rows()) {
        // The bit count: the value's leading digits, as a number.
        std::size_t digits = 0;
        while (digits < row.value.size() && digits < 3 && row.value[digits] >= '0' && row.value[digits] <= '9')
            ++digits;
        const nlohmann::json bits =
            digits > 0 ? nlohmann::json(std::stoi(row.value.substr(0, digits))) : nlohmann::json(nullptr);
        report["levels"].push_back(
            {{"key", Cp1251ToUtf8(row.key)}, {"value", Cp1251ToUtf8(row.value)}, {"bits", bits}});
    }
    for (const ObjectKind kind : kAllKinds) {
        nlohmann::json rows = nlohmann::json::array();
        for (const TypeRow& row : document.lists().Of(kind).rows()) {
            const TypeFigures& type = FiguresOf(figures, kind, row.code);
            nlohmann::json endLevels = nlohmann::json::object();
            for (const auto& [text, objects] : type.endLevels) endLevels[Cp1251ToUtf8(text)] = objects;
            // A level as a number; a caption that is no number (typed into the list) as it stands.
            const std::optional<std::int32_t> level = TryReadInteger(row.level);
            rows.push_back({{"level", level ? nlohmann::json(*level) : nlohmann::json(Cp1251ToUtf8(row.level))},
                            {"code", Cp1251ToUtf8(row.code)},
                            {"name", Cp1251ToUtf8(row.name)},
                            {"objects", type.objects},
                            {"endLevels", std::move(endLevels)},
                            {"without", type.withoutEndLevel}});
        }
        report[KindKey(kind)] = std::move(rows);
    }
    out << report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace stratex
