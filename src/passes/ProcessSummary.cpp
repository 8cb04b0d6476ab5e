#include "passes/ProcessSummary.h"

#include "bytes/Integer.h"
#include "types/TypeList.h"

namespace stratex {

EndLevelCounts& ProcessSummary::CountsOf(ObjectKind kind, std::string_view typeText) {
    return types_[{kind, TryReadInteger(typeText).value_or(0)}];
}

void ProcessSummary::Add(const ProcessSummary& other) {
    for (const auto& [key, counts] : other.types_) types_[key] += counts;
}

EndLevelCounts ProcessSummary::Total() const {
    EndLevelCounts total;
    for (const auto& [key, counts] : types_) total += counts;
    return total;
}

std::string CountsText(const EndLevelCounts& counts) {
    return std::to_string(counts.inserted) + " inserted, " + std::to_string(counts.replaced) + " replaced, " +
           std::to_string(counts.unchanged) + " unchanged";
}

std::string ProcessSummary::ToText() const {
    static constexpr std::string_view kKindNames[] = {"POI", "Polyline", "Polygon"};
    std::string text;
    for (const auto& [key, counts] : types_) {
        text += kKindNames[static_cast<std::size_t>(key.first)];
        text += ' ' + NormalisedTypeCode(key.first, key.second) + ": " + CountsText(counts) + '\n';
    }
    text += "Total: " + CountsText(Total()) + '\n';
    return text;
}

}  // namespace stratex
