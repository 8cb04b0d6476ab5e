#include "passes/MapChecker.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "bytes/ByteScan.h"
#include "bytes/Cp1251.h"
#include "bytes/Error.h"
#include "bytes/Integer.h"
#include "bytes/LineReader.h"
#include "bytes/Strings.h"
#include "grammar/DictionaryRow.h"
#include "grammar/MapSyntax.h"
#include "grammar/ObjectTracker.h"
#include "levels/Dictionary.h"
#include "passes/MapGeometry.h"
#include "passes/MapScan.h"
#include "passes/Parts.h"
#include "passes/Process.h"
#include "passes/ProcessWalk.h"

namespace stratex {
namespace {

constexpr std::size_t kMaxLevels = 10;
constexpr std::int32_t kMinBits = 1;
constexpr std::int32_t kMaxBits = 24;

// A Level line of the header: its line number, the number after "Level" and its value text.
struct LevelLine {
    std::uint64_t line;
    std::int32_t number;
    std::string value;
};

// What one type's objects carry, for the type findings.
struct TypeStats {
    ObjectKind kind;
    std::int32_t value;
    std::uint64_t firstLine;
    std::map<std::int32_t, std::uint64_t> endLevels;  // EndLevel value -> objects
    std::uint64_t without = 0;                        // objects without EndLevel
    std::uint64_t measured = 0;                       // polygons and polylines measured at their EndLevel
    std::vector<std::uint64_t> underLines;            // the openers of those under the size limit there
    std::uint64_t under = 0;
};

// What Process would make of the map: its own walk, run without writing, with the choices of context, and
// what context lacks from the scan of the map (as Process after Open MAP alone would use). Where the walk
// fails otherwise than at an object, the levels end there and the failure is kept.
struct ProcessedMap {
    ProcessVerdict verdict;
    std::optional<LevelsTable> levels;  // the Levels table Process writes from; none where the scan failed
    std::optional<Error> failure;       // where Process's walk stopped
};

void WalkProcess(const PartInput& input, const CheckContext& context, ProcessedMap& processed) {
    const TypeLists* lists = context.lists;
    const StreamFacts* facts = context.facts;
    ScanResult scan;
    StreamFacts scannedFacts;
    if (!lists || !context.resultingLevels || (context.dictionary && !facts)) {
        // A map that cannot be scanned cannot be processed either; its findings say why.
        try {
            DictionaryTables tables;
            const std::unique_ptr<ByteSource> scanned = input.Open(0, input.size());
            scan = ScanMapStream(*scanned, TypeNameFiles(), context.dictionary, tables, 1, scannedFacts);
        } catch (const Error&) {
            return;
        }
        if (!lists) lists = &scan.lists;
        if (!facts) facts = &scannedFacts;
    }
    processed.levels = context.resultingLevels ? *context.resultingLevels : scan.levels;
    try {
        const std::unique_ptr<ByteSource> source = input.Open(0, input.size());
        ProcessDry(*source, facts ? *facts : StreamFacts{}, *processed.levels, *lists, context.dictionary,
                   processed.verdict);
    } catch (const Error& failure) {
        processed.failure = failure;
    }
}

class MapChecker {
public:
    // written: what Process writes on each object, in line order.
    // text: the map checked, which Process's walk reads where a finding needs what Process would write.
    MapChecker(const PartInput& input, const CheckContext& context, FindingSink& sink)
        : context_(context), sink_(sink) {
        // The map as Process would write it: each object's EndLevel from Process's own walk.
        WalkProcess(input, context, processed_);
    }

    // Examines line number (1-based); bracket is the offset of its first "[" or npos.
    void Line(std::string_view line, std::uint64_t number, std::size_t bracket) {
        if (inDictionary_) {
            DictionaryLine(line, number);
        } else if (mapsyntax::BeginsDictionary(line, bracket)) {
            inDictionary_ = true;
            dictionaryLine_ = number;
            DictionaryLine(line, number);
        }
        const TrackedLine tracked = tracker_.Line(line, bracket);
        if (tracked.header) {
            HeaderLine(line, number, tracked);
            return;
        }
        if (tracked.opensInOpenSection) {
            Add(object_.opener, FindingCode::SectionNotClosed,
                "the " + std::string(KindName(tracker_.kind())) + " section is not closed before line " +
                    std::to_string(number));
            // As in the scan, the lines after the second opener count for the open object; its Type and
            // EndLevel lines are not told again as second ones.
            object_.type = object_.endLevel = 0;
        } else if (tracked.opens) {
            object_ = ObjectLines{number};
            endLevel_.reset();
            extent_.Reset();
        }
        if (!tracked.counts) return;
        if (tracked.lineClass.type) {
            if (object_.type != 0) Twice(FindingCode::TypeTwice, "Type", object_.type, number);
            object_.type = number;
        } else if (tracked.lineClass.endLevel) {
            if (object_.endLevel != 0) Twice(FindingCode::EndLevelTwice, "EndLevel", object_.endLevel, number);
            object_.endLevel = number;
            endLevel_ = TryReadInteger(ValueOf(line));
        } else if (tracked.dataLevel >= 0) {
            DataLine(line, number, tracked.dataLevel);
        } else if (tracked.lineClass.endLevelOtherCase) {
            Add(number, FindingCode::EndLevelOtherCase,
                "'" + Cp1251ToUtf8(line.substr(0, 8)) +
                    "' is not EndLevel in its letter case; Process keeps the line and gives the object an EndLevel "
                    "line beside it",
                tracker_.kind());
        }
        if (tracked.endsObject) FinishObject(number);
    }

private:
    // The lines of the object being read that findings point at; 0 where it has none.
    struct ObjectLines {
        std::uint64_t opener = 0;
        std::uint64_t type = 0;
        std::uint64_t endLevel = 0;
        std::uint64_t highestData = 0;  // the first coordinate line of the highest level
    };

    void Twice(FindingCode code, std::string_view key, std::uint64_t first, std::uint64_t number) {
        Add(number, code,
            "the " + std::string(KindName(tracker_.kind())) + " object has a second " + std::string(key) +
                " line; the first is at line " + std::to_string(first),
            tracker_.kind());
    }

    void DataLine(std::string_view line, std::uint64_t number, int level) {
        if (object_.highestData == 0 || level > highestLevel_) {
            object_.highestData = number;
            highestLevel_ = level;
        }
        points_.clear();
        if (const std::optional<std::string> reason = ReadCoordinates(ValueOf(line), points_); !reason) {
            extent_.Line(level, points_);
        } else {
            Add(number, FindingCode::BadCoordinates,
                "the coordinates of the " + std::string(KindName(tracker_.kind())) + " object cannot be read, " +
                    *reason,
                tracker_.kind());
        }
    }

public:
    CheckResult Finish() {
        if (tracker_.inHeader()) {
            result_.isPolishMap = false;
            return std::move(result_);  // what the header part held is no map's
        }
        result_.isPolishMap = true;
        if (tracker_.inSection()) {
            Add(object_.opener, FindingCode::SectionNotClosed,
                "the " + std::string(KindName(tracker_.kind())) + " section is never closed");
        }
        // With the dictionary option Process takes the section out up to the next one and writes its own.
        if (inDictionary_ && !context_.dictionary) {
            Add(dictionaryLine_, FindingCode::DictionaryNotClosed,
                "the [DICTIONARY] section has no [END-DICTIONARY] line; with the dictionary option Process would "
                "remove the lines after it up to the next section");
        }
        TypeFindings();
        UnderSizeFindings();
        if (context_.dictionary && context_.lists) DictionaryColumnFindings(*context_.lists);
        ProcessFindings();
        for (const LevelLine& level : levelLines_) result_.levelLines.push_back(level.line);
        for (const auto& [key, stats] : types_) {
            result_.typeLines[static_cast<std::size_t>(stats.kind)][NormalisedTypeCode(stats.kind, stats.value)] =
                stats.firstLine;
        }
        return std::move(result_);
    }

private:
    void Add(std::uint64_t line, FindingCode code, std::string message, std::optional<ObjectKind> kind = {},
             std::string type = {}) {
        emitted_[static_cast<std::size_t>(code)] = true;
        Finding finding{line, code, std::move(message), kind, std::move(type), {}};
        // Until the header part ends, the file may yet be no map.
        if (tracker_.inHeader()) {
            inHeader_.push_back(std::move(finding));
        } else {
            sink_.Add(std::move(finding));
        }
    }

    void HeaderLine(std::string_view line, std::uint64_t number, const TrackedLine& tracked) {
        if (mapsyntax::IsLevelsLine(line)) {
            if (!levelsLine_) {
                levelsLine_ = number;
                levelsValue_ = std::string(ValueOf(line));
            }
        } else if (mapsyntax::IsLevelLine(line)) {
            std::int32_t n = 0;
            for (std::size_t i = 5; i < line.size() && i < 11 && line[i] >= '0' && line[i] <= '9'; ++i) {
                n = n * 10 + (line[i] - '0');
            }
            levelLines_.push_back({number, n, std::string(ValueOf(line))});
        }
        if (tracked.lineClass.opens) {
            Add(number, FindingCode::ObjectInHeader,
                "a " + std::string(KindName(tracked.lineClass.kind)) +
                    " object stands in the header, before [END-IMG ID]",
                tracked.lineClass.kind);
        }
        if (tracked.endsHeader) {
            for (Finding& finding : inHeader_) sink_.Add(std::move(finding));
            inHeader_ = {};
            HeaderFindings(number);
        }
    }

    // The header Process would write in place of the map's: from the Levels table, beginning at the
    // "Levels=" line, each row's bit count as Process writes it (the value's first two characters).
    void ProcessedHeader() {
        const std::vector<std::string> header = processwalk::HeaderLines(*processed_.levels);
        levelsValue_ = std::string(ValueOf(header.front()));
        levelLines_.clear();
        for (std::size_t k = 1; k <= processed_.levels->size(); ++k) {
            const std::string_view line = header[k];
            std::int32_t number = 0;
            for (std::size_t i = 5; i < line.size() && i < 11 && line[i] >= '0' && line[i] <= '9'; ++i) {
                number = number * 10 + (line[i] - '0');
            }
            levelLines_.push_back({*levelsLine_ + k, number, std::string(ValueOf(line))});
        }
    }

    void HeaderFindings(std::uint64_t headerEnd) {
        if (levelsLine_ && processed_.levels) ProcessedHeader();
        const std::size_t count = levelLines_.size();
        const std::uint64_t at = levelsLine_ ? *levelsLine_ : headerEnd;
        std::optional<std::int32_t> declared;
        if (!levelsLine_) {
            Add(headerEnd, FindingCode::LevelsMissing, "the header has no Levels= line");
        } else {
            declared = TryReadInteger(levelsValue_);
            if (!declared || *declared != static_cast<std::int32_t>(count)) {
                Add(at, FindingCode::LevelsCount,
                    "Levels=" + Cp1251ToUtf8(levelsValue_) + " but the header has " + std::to_string(count) +
                        " Level lines");
            }
        }
        const std::size_t most = std::max<std::size_t>(count, declared && *declared > 0 ? *declared : 0);
        if (most > kMaxLevels) {
            Add(at, FindingCode::TooManyLevels,
                std::to_string(most) + " levels; a map holds at most " + std::to_string(kMaxLevels));
        }

        std::int32_t next = 0;
        const LevelLine* previous = nullptr;
        for (const LevelLine& level : levelLines_) {
            const std::string name = "Level" + std::to_string(level.number);
            if (level.number > next) {
                Add(level.line, FindingCode::LevelOrder, "Level" + std::to_string(next) + " is missing before " + name);
            } else if (level.number < next) {
                Add(level.line, FindingCode::LevelOrder,
                    name + " is out of order: it comes after Level" + std::to_string(next - 1));
            }
            next = std::max(next, level.number + 1);

            const auto bits = TryReadInteger(level.value);
            if (!bits || *bits < kMinBits || *bits > kMaxBits) {
                Add(level.line, FindingCode::LevelBits,
                    name + "=" + Cp1251ToUtf8(level.value) + ": the bit count must be a number from 1 to 24");
                continue;
            }
            if (previous) {
                const auto before = TryReadInteger(previous->value);
                if (before && *bits >= *before) {
                    Add(level.line, FindingCode::LevelBitsOrder,
                        name + "=" + std::to_string(*bits) + " is not below Level" + std::to_string(previous->number) +
                            "=" + std::to_string(*before));
                }
            }
            previous = &level;
        }
        // Objects are held against the levels the header has: its Level lines, or failing those its count.
        for (const LevelLine& level : levelLines_) levelBits_.push_back(TryReadInteger(level.value).value_or(0));
        if (count > 0) {
            lastLevel_ = static_cast<std::int32_t>(count) - 1;
        } else if (declared && *declared > 0) {
            lastLevel_ = *declared - 1;
        }
    }

    void DictionaryLine(std::string_view line, std::uint64_t number) {
        if (IsDictionaryRowLine(line)) {
            const std::size_t flags = ValueOf(line).size();
            if (flags != kDictionaryFlags) {
                Add(number, FindingCode::DictionaryRow,
                    "the dictionary row has " + std::to_string(flags) + " flags, not 255");
            }
        }
        // The end that Process looks for: a section it cannot close loses the lines behind it.
        if (mapsyntax::EndsDictionaryForRemoval(line)) inDictionary_ = false;
    }

    void FinishObject(std::uint64_t number) {
        kind_ = tracker_.kind();
        const std::string_view typeText = tracker_.typeText();
        const int minData = tracker_.minData();
        const int maxData = tracker_.maxData();
        // What Process gives the object: nothing where its walk reads the object otherwise.
        const std::optional<std::int32_t> processed = nextProcessed_.At(number);
        if (processed && *processed < 0) ++failuresTold_;
        if (!tracker_.typeInObject()) {
            Add(object_.opener, FindingCode::NoType,
                "the " + std::string(KindName(kind_)) +
                    " object has no Type line; Process would give it the type of the object before it",
                kind_);
            return;
        }
        const auto value = TryReadInteger(typeText);
        if (!value) {
            Add(object_.type, FindingCode::TypeNotNumber,
                "the type '" + Cp1251ToUtf8(typeText) + "' is no number; Process would stop at line " +
                    std::to_string(number),
                kind_);
            return;
        }
        TypeStats& stats = StatsOf(*value);
        if (endLevel_) {
            ++stats.endLevels[*endLevel_];
        } else {
            ++stats.without;
        }
        const bool hasData = maxData >= 0;
        // Without EndLevel an object is drawn up to its highest data level; Process gives it the type's level.
        if (hasData && !object_.endLevel && maxData > 0) {
            std::string message = "no EndLevel while its data lies at level";
            message += maxData > minData ? "s " + std::to_string(minData) + "-" + std::to_string(maxData)
                                         : " " + std::to_string(minData);
            if (processed && *processed >= 0) message += "; Process would set EndLevel=" + std::to_string(*processed);
            AddForType(object_.highestData, FindingCode::DataWithoutEndLevel, std::move(message), stats);
        }
        if (!processed) return;
        if (*processed < 0) {
            AddForType(number, FindingCode::ProcessFails,
                       "Process would stop here: " + FailureOf(*processed).message, stats);
            return;
        }
        // The object as Process writes it: the EndLevel on its EndLevel line or the line Process puts one in
        // front of.
        const std::int32_t level = *processed;
        const std::uint64_t endLevelLine = object_.endLevel != 0 ? object_.endLevel : number;
        MeasureAtEndLevel(level, stats);
        if (lastLevel_ && level >= *lastLevel_) {
            AddForType(endLevelLine, FindingCode::EndLevelTop,
                       "EndLevel=" + std::to_string(level) + " is at or above the last level, " +
                           std::to_string(*lastLevel_) + ", which holds no objects",
                       stats);
        }
        if (lastLevel_ && hasData && maxData >= *lastLevel_) {
            AddForType(
                object_.highestData, FindingCode::DataTopLevel,
                "Data" + std::to_string(maxData) + " is at or above the last level, " + std::to_string(*lastLevel_),
                stats);
        }
        if (hasData && minData > level) {
            AddForType(endLevelLine, FindingCode::DataAboveEndLevel,
                       "the data starts at level " + std::to_string(minData) +
                           ", above EndLevel=" + std::to_string(level),
                       stats);
        }
    }

    const ProcessFailures::Failure& FailureOf(std::int32_t written) const {
        return processed_.verdict.failures.list[static_cast<std::size_t>(WrittenLevels::kFailed - written)];
    }

    TypeStats& StatsOf(std::int32_t value) {
        const std::uint64_t key = (static_cast<std::uint64_t>(kind_) << 32) | static_cast<std::uint32_t>(value);
        return types_.try_emplace(key, TypeStats{kind_, value, object_.opener, {}, 0, 0, {}, 0}).first->second;
    }

    // Where Process would stop or warn and no finding of the map says so yet (its walk reads some lines
    // otherwise than the checker): a finding at the first line Process names.
    void ProcessFindings() {
        const auto has = [&](FindingCode code) { return emitted_[static_cast<std::size_t>(code)]; };
        if (processed_.failure) {
            const Error& failure = *processed_.failure;
            Add(failure.line(), FindingCode::ProcessFails, std::string("Process would stop here: ") + failure.what());
        }
        const std::uint64_t failed = std::accumulate(
            processed_.verdict.failures.list.begin(), processed_.verdict.failures.list.end(), std::uint64_t{0},
            [](std::uint64_t sum, const ProcessFailures::Failure& failure) { return sum + failure.count; });
        if (failuresTold_ < failed) {
            for (const ProcessFailures::Failure& failure : processed_.verdict.failures.list) {
                Add(failure.firstLine, FindingCode::ProcessFails, "Process would stop here: " + failure.message);
            }
        }
        const ProcessWarnings& made = processed_.verdict.warnings;
        const struct {
            const ProcessWarnings::Problem& problem;
            FindingCode code;
            const char* message;
        } kWarned[] = {
            {made.dataAboveEndLevel, FindingCode::DataAboveEndLevel,
             "Process would give the object an EndLevel below the lowest level of its coordinates"},
            {made.endLevelAtTop, FindingCode::EndLevelTop,
             "Process would give the object an EndLevel at or above the top level, which holds no objects"},
            {made.endsInsideObject, FindingCode::SectionNotClosed, "the map ends inside the object that opens here"},
            {made.endLevelTwice, FindingCode::EndLevelTwice,
             "a second EndLevel line in an object; Process sets only the last one and keeps the other"},
            {made.endLevelOtherCase, FindingCode::EndLevelOtherCase,
             "'EndLevel' in another letter case; Process keeps it and gives the object an EndLevel line beside it"},
            {made.endsInsideOpener, FindingCode::MapCut, "the map ends inside an opener line, which opens nothing"},
            {made.headerEndRemoved, FindingCode::HeaderEndRemoved,
             "the level header that Process writes takes the place of this line, which ends the header: the map it "
             "writes has no [END-IMG ID]"},
            {made.dictionaryTakesMore, FindingCode::DictionaryNotClosed,
             "with the dictionary option Process removes this dictionary section together with lines that are "
             "not the dictionary's (coordinates, other keys, text before its end marker)"},
        };
        for (const auto& warned : kWarned) {
            if (warned.problem.count > 0 && !has(warned.code)) Add(warned.problem.firstLine, warned.code, warned.message);
        }
    }

    void AddForType(std::uint64_t line, FindingCode code, std::string message, const TypeStats& stats) {
        std::string type = NormalisedTypeCode(stats.kind, stats.value);
        std::string full = "the " + std::string(KindName(stats.kind)) + " " + type + " object: " + message;
        Add(line, code, std::move(full), stats.kind, std::move(type));
    }

    void TypeFindings() {
        for (const auto& [key, stats] : types_) {
            const std::string type = NormalisedTypeCode(stats.kind, stats.value);
            const std::string name = "the " + std::string(KindName(stats.kind)) + " type " + type;
            // Objects without EndLevel count as one more level: Process gives them the type's level too.
            if (stats.endLevels.size() + (stats.without > 0 ? 1 : 0) > 1) {
                std::string levels;
                for (const auto& [level, objects] : stats.endLevels) {
                    if (!levels.empty()) levels += ", ";
                    levels += std::to_string(level) + " (" + std::to_string(objects) + ")";
                }
                if (stats.without > 0) levels += ", none (" + std::to_string(stats.without) + ")";
                Add(stats.firstLine, FindingCode::MixedEndLevels,
                    name + " has objects at EndLevel " + levels + "; Process gives them all one level", stats.kind,
                    type);
            }
        }
    }

    // The object's extent against the size limit at the level its EndLevel keeps it at.
    void MeasureAtEndLevel(std::int32_t level, TypeStats& stats) {
        if (kind_ == ObjectKind::Poi || !extent_.Measurable(kind_) || static_cast<std::size_t>(level) >= levelBits_.size()) return;
        const int bits = levelBits_[static_cast<std::size_t>(level)];
        if (bits <= 0) return;
        ++stats.measured;
        if (extent_.Size(kind_) >= std::ldexp(static_cast<double>(context_.limits.minSize), 24 - bits)) return;
        if (++stats.under <= 3) stats.underLines.push_back(object_.opener);
    }

    void UnderSizeFindings() {
        const AdviceLimits& limits = context_.limits;
        for (const auto& [key, stats] : types_) {
            if (stats.under * 100 <= static_cast<std::uint64_t>(100 - limits.keepPercent) * stats.measured) continue;
            std::string lines;
            for (const std::uint64_t line : stats.underLines) lines += (lines.empty() ? "" : ", ") + std::to_string(line);
            std::string message = "the " + std::string(KindName(stats.kind)) + " type " +
                                  NormalisedTypeCode(stats.kind, stats.value) + ": " + std::to_string(stats.under) +
                                  " of its " + std::to_string(stats.measured) + " objects (" +
                                  std::to_string(stats.under * 100 / stats.measured) + " %) are under " +
                                  std::to_string(limits.minSize) +
                                  " units at the level their EndLevel keeps them; the first at line" +
                                  (stats.underLines.size() > 1 ? "s " : " ") + lines;
            Add(stats.underLines.front(), FindingCode::UnderSizeAtLevel, std::move(message), stats.kind,
                NormalisedTypeCode(stats.kind, stats.value));
        }
    }

    // The rows that a dictionary column holds with another level than the column's first row: the column
    // can give only one of them its level.
    void DictionaryColumnFindings(const TypeLists& lists) {
        for (const ObjectKind kind : kAllKinds) {
            std::map<int, const TypeRow*> firstOf;
            for (const TypeRow& row : lists.Of(kind).rows()) {
                const int column = DictionaryColumn(row.code);
                if (column < 0) continue;
                const auto [first, added] = firstOf.try_emplace(column, &row);
                if (added || first->second->level == row.level) continue;
                std::uint64_t line = 1;
                for (const auto& [key, stats] : types_) {
                    if (stats.kind == kind && NormalisedTypeCode(kind, stats.value) == row.code) line = stats.firstLine;
                }
                const TypeRow& earlier = *first->second;
                Add(line, FindingCode::DictionaryColumn,
                    "the " + std::string(KindName(kind)) + " types " + Cp1251ToUtf8(earlier.code) + " (level " +
                        Cp1251ToUtf8(earlier.level) + ") and " + Cp1251ToUtf8(row.code) + " (level " +
                        Cp1251ToUtf8(row.level) + ") share a dictionary column; the dictionary gives both level " +
                        Cp1251ToUtf8(earlier.level),
                    kind, row.code);
            }
        }
    }

    const CheckContext& context_;
    FindingSink& sink_;
    std::vector<Finding> inHeader_;  // met in the header part, handed on once it ends
    std::array<bool, kFindingCodes.size()> emitted_{};
    ProcessedMap processed_;
    WrittenLevels::Cursor nextProcessed_{processed_.verdict.written};
    std::uint64_t failuresTold_ = 0;  // objects at which a finding says that Process would stop
    CheckResult result_;

    ObjectTracker<kCheckReading> tracker_;
    std::optional<std::uint64_t> levelsLine_;
    std::string levelsValue_;
    std::vector<LevelLine> levelLines_;
    std::vector<int> levelBits_;  // of the header Process writes, Level0 first (0: no bit count)
    std::optional<std::int32_t> lastLevel_;

    bool inDictionary_ = false;
    std::uint64_t dictionaryLine_ = 0;

    ObjectKind kind_ = ObjectKind::Poi;  // of the object being finished
    ObjectLines object_;
    int highestLevel_ = 0;
    std::vector<GeoPoint> points_;  // a coordinate line's points, while it is read
    ObjectExtent extent_;           // of the object being read
    std::optional<std::int32_t> endLevel_;

    std::unordered_map<std::uint64_t, TypeStats> types_;
};

}  // namespace

CheckResult CheckMap(const PartInput& input, const CheckContext& context, FindingSink& sink) {
    MapChecker checker(input, context, sink);
    const std::unique_ptr<ByteSource> source = input.Open(0, input.size());
    LineReader reader(*source);
    // Most lines hold no "[", and every marker needs one: the next "[" is searched for once per stretch.
    LineReader::Finder brackets('[');
    LineReader::Line line;
    std::uint64_t number = 0;
    do {
        while (reader.Next(line)) checker.Line(line.text, ++number, brackets.In(reader, line));
    } while (reader.Fill());
    return checker.Finish();
}

CheckResult CheckMap(const PartInput& input, const CheckContext& context) {
    struct Collected : FindingSink {
        std::vector<Finding> findings;
        void Add(Finding finding) override { findings.push_back(std::move(finding)); }
    } collected;
    CheckResult result = CheckMap(input, context, collected);
    result.findings = std::move(collected.findings);
    std::stable_sort(result.findings.begin(), result.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return result;
}

CheckResult CheckMap(const MapText& text, const CheckContext& context) {
    return CheckMap(TextParts(text.Buffer()), context);
}

std::vector<std::string> LevelHeaderErrors(const std::vector<int>& bits) {
    std::string header = "Levels=" + std::to_string(bits.size()) + "\n";
    for (std::size_t k = 0; k < bits.size(); ++k)
        header += "Level" + std::to_string(k) + "=" + std::to_string(bits[k]) + "\n";
    header += std::string(mapsyntax::kHeaderEnd) + "\n";
    std::vector<std::string> errors;
    for (const Finding& finding : CheckMap(MapText::FromNormalised(std::move(header))).findings) {
        if (InfoOf(finding.code).severity == Severity::Error) errors.push_back(finding.message);
    }
    return errors;
}

}  // namespace stratex
