#include "cli/Report.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
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

FindingWriter::FindingWriter(Form form, std::string file, std::ostream& out,
                             std::function<bool(const Finding&)> reported)
    : form_(form), file_(std::move(file)), out_(out), reported_(std::move(reported)) {}

void FindingWriter::Add(Finding finding) {
    if (reported_ && !reported_(finding)) return;
    ++(finding.severity() == Severity::Error ? errors_ : warnings_);
    if (form_ == Form::Text) {
        WriteLine(finding, nullptr);
        return;
    }
    if (form_ == Form::Json) {
        const FindingCodeInfo& info = InfoOf(finding.code);
        nlohmann::json item = {{"file", finding.file.empty() ? file_ : finding.file},
                               {"line", finding.line},
                               {"severity", SeverityName(info.severity)},
                               {"code", info.name},
                               {"message", finding.message}};
        if (finding.kind) item["kind"] = KindKey(*finding.kind);
        if (!finding.type.empty()) item["type"] = finding.type;
        // Laid out as the array's own dump would lay it out: each line of the item indented once more.
        std::string text = item.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
        for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 3)) {
            text.insert(at + 1, "  ");
        }
        out_ << (written_++ == 0 ? "[\n  " : ",\n  ") << text;
        return;
    }
    constexpr std::size_t kLinesShown = 3;
    const auto key = std::make_tuple(finding.code, finding.kind ? static_cast<int>(*finding.kind) : -1, finding.type,
                                     finding.file);
    const auto [found, added] = groups_.try_emplace(key);
    Group& group = found->second;
    if (added) group.order = groups_.size();
    // The group speaks with its finding at the lowest line, the earliest met of those on one line.
    const std::uint64_t line = finding.line;
    if (group.count++ == 0 || line < group.first.line) group.first = std::move(finding);
    const auto place = std::upper_bound(group.lines.begin(), group.lines.end(), line);
    if (static_cast<std::size_t>(place - group.lines.begin()) < kLinesShown) {
        group.lines.insert(place, line);
        if (group.lines.size() > kLinesShown) group.lines.pop_back();
    }
}

void FindingWriter::Finish() {
    if (form_ == Form::Json) {
        out_ << (written_ == 0 ? "[]\n" : "\n]\n");
        return;
    }
    if (form_ != Form::Grouped) return;
    std::vector<const Group*> order;
    order.reserve(groups_.size());
    for (const auto& [key, group] : groups_) order.push_back(&group);
    std::sort(order.begin(), order.end(), [](const Group* a, const Group* b) {
        return a->first.line != b->first.line ? a->first.line < b->first.line : a->order < b->order;
    });
    for (const Group* group : order) WriteLine(group->first, group);
}

void FindingWriter::WriteLine(const Finding& finding, const Group* group) {
    const FindingCodeInfo& info = InfoOf(finding.code);
    out_ << (finding.file.empty() ? file_ : finding.file) << ':' << finding.line << ": "
         << SeverityName(info.severity) << ": " << finding.message;
    if (group && group->count > 1) {
        out_ << "; " << group->count << " findings, first at lines ";
        for (std::size_t k = 0; k < group->lines.size(); ++k) out_ << (k > 0 ? ", " : "") << group->lines[k];
    }
    out_ << " [" << info.name << "]\n";
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
