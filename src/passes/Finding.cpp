#include "passes/Finding.h"

namespace stratex {

const std::array<FindingCodeInfo, 31> kFindingCodes = {{
    {FindingCode::LevelsMissing, "levels-missing", Severity::Error},
    {FindingCode::LevelsCount, "levels-count", Severity::Error},
    {FindingCode::LevelOrder, "level-order", Severity::Error},
    {FindingCode::LevelBits, "level-bits", Severity::Error},
    {FindingCode::LevelBitsOrder, "level-bits-order", Severity::Error},
    {FindingCode::TooManyLevels, "too-many-levels", Severity::Error},
    {FindingCode::ObjectInHeader, "object-in-header", Severity::Error},
    {FindingCode::SectionNotClosed, "section-not-closed", Severity::Error},
    {FindingCode::NoType, "no-type", Severity::Error},
    {FindingCode::TypeNotNumber, "type-not-number", Severity::Error},
    {FindingCode::EndLevelTop, "endlevel-top", Severity::Warning},
    {FindingCode::DataAboveEndLevel, "data-above-endlevel", Severity::Error},
    {FindingCode::DataWithoutEndLevel, "data-without-endlevel", Severity::Warning},
    {FindingCode::DataTopLevel, "data-top-level", Severity::Warning},
    {FindingCode::MixedEndLevels, "mixed-endlevels", Severity::Warning},
    {FindingCode::DictionaryNotClosed, "dictionary-not-closed", Severity::Error},
    {FindingCode::DictionaryRow, "dictionary-row", Severity::Warning},
    {FindingCode::NotAMap, "not-a-map", Severity::Error},
    {FindingCode::TypeTwice, "type-twice", Severity::Warning},
    {FindingCode::EndLevelTwice, "endlevel-twice", Severity::Warning},
    {FindingCode::BadCoordinates, "bad-coordinates", Severity::Error},
    {FindingCode::ConfigUnknownType, "config-unknown-type", Severity::Warning},
    {FindingCode::ConfigLevel, "config-level", Severity::Warning},
    {FindingCode::LevelsDiffer, "levels-differ", Severity::Warning},
    {FindingCode::TypeLevelDiffers, "type-level-differs", Severity::Warning},
    {FindingCode::DictionaryColumn, "dictionary-column", Severity::Warning},
    {FindingCode::ProcessFails, "process-fails", Severity::Error},
    {FindingCode::EndLevelOtherCase, "endlevel-case", Severity::Warning},
    {FindingCode::MapCut, "map-cut", Severity::Warning},
    {FindingCode::UnderSizeAtLevel, "under-size-at-level", Severity::Warning},
    {FindingCode::HeaderEndRemoved, "header-end-removed", Severity::Error},
}};

std::string_view SeverityName(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

const FindingCodeInfo& InfoOf(FindingCode code) { return kFindingCodes[static_cast<std::size_t>(code)]; }

std::string_view KindName(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Poi:
            return "POI";
        case ObjectKind::Polyline:
            return "polyline";
        case ObjectKind::Polygon:
            return "polygon";
    }
    return "";
}

}  // namespace stratex
