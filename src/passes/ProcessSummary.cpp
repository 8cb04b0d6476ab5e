#include "passes/ProcessSummary.h"

#include <algorithm>

#include "bytes/Integer.h"
#include "types/TypeList.h"

namespace stratex {

EndLevelCounts& ProcessSummary::CountsOf(ObjectKind kind, std::string_view typeText) {
    return types_[{kind, TryReadInteger(typeText).value_or(0)}];
}

void ProcessSummary::Count(ObjectKind kind, std::string_view typeText, std::optional<std::string_view> oldLine,
                           std::string_view newLine) {
    EndLevelCounts& counts = CountsOf(kind, typeText);
    Add(counts, oldLine, newLine);
    constexpr std::string_view kKey = "EndLevel=";
    counts.level = TryReadInteger(newLine.substr(std::min(kKey.size(), newLine.size()))).value_or(0);
}

void ProcessSummary::Add(const ProcessSummary& other) {
    for (const auto& [key, counts] : other.types_) types_[key] += counts;
    if (other.header_) header_ = other.header_;
    dictionaryInserted_ = dictionaryInserted_ || other.dictionaryInserted_;
    dictionariesRemoved_ += other.dictionariesRemoved_;
}

void ProcessWarnings::Add(const ProcessWarnings& later, std::uint64_t linesBefore) {
    const auto add = [linesBefore](Problem& mine, const Problem& theirs) {
        if (theirs.count == 0) return;
        if (mine.count == 0) mine.firstLine = theirs.firstLine + linesBefore;
        mine.count += theirs.count;
    };
    add(dataAboveEndLevel, later.dataAboveEndLevel);
    add(endLevelAtTop, later.endLevelAtTop);
    add(endLevelTwice, later.endLevelTwice);
    add(endLevelOtherCase, later.endLevelOtherCase);
    add(headerEndRemoved, later.headerEndRemoved);
    add(dictionaryTakesMore, later.dictionaryTakesMore);
    endsInsideObject = later.endsInsideObject;
    if (endsInsideObject.count > 0) endsInsideObject.firstLine += linesBefore;
    endsInsideOpener = later.endsInsideOpener;
    if (endsInsideOpener.count > 0) endsInsideOpener.firstLine += linesBefore;
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

bool ProcessSummary::LevelCountChanged() const {
    return header_ &&
           TryReadInteger(header_->before) != std::optional<std::int32_t>(static_cast<std::int32_t>(header_->levels));
}

std::string ProcessSummary::ToText(bool all) const {
    static constexpr std::string_view kKindNames[] = {"POI", "Polyline", "Polygon"};
    std::string text;
    for (const auto& [key, counts] : types_) {
        if (!all && counts.inserted + counts.replaced == 0) continue;
        text += kKindNames[static_cast<std::size_t>(key.first)];
        text += ' ' + NormalisedTypeCode(key.first, key.second) + ": level " + std::to_string(counts.level) + "; " +
                CountsText(counts) + '\n';
    }
    if (LevelCountChanged()) text += "Levels: " + header_->before + " -> " + std::to_string(header_->levels) + '\n';
    if (dictionaryInserted_ || dictionariesRemoved_ > 0) {
        text += std::string("Dictionary: ") +
                (!dictionaryInserted_       ? "removed"
                 : dictionariesRemoved_ > 0 ? "replaced"
                                            : "inserted") +
                '\n';
    }
    text += "Total: " + CountsText(Total()) + '\n';
    return text;
}

}  // namespace stratex
