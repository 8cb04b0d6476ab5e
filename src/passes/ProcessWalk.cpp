#include "passes/ProcessWalk.h"

#include <algorithm>
#include <optional>

#include "bytes/Error.h"
#include "bytes/Strings.h"

namespace stratex::processwalk {
namespace {

// One walk: its parts, and the state that lives from one line to the next.
class Walker {
public:
    Walker(StreamSource& source, StreamPlan& plan, ProcessTracker& tracker, Generated& generated,
           const WalkOptions& options)
        : source_(source),
          plan_(plan),
          tracker_(tracker),
          generated_(generated),
          options_(options),
          top_(static_cast<std::int32_t>(generated.levels.size()) - 1) {
        source_.WatchCoordinates(options_.warnings != nullptr);
    }

    bool Run() {
        while (!source_.AtEnd()) {
            if (!tracker_.inHeader() && source_.TakePlain(plan_)) continue;
            if (!Line(source_.Take())) return false;
        }
        if (options_.warnings && openLine_ != 0) options_.warnings->endsInsideObject.Count(openLine_);
        return true;
    }

    // Coordinate lines read since the last object end wait for the next object.
    bool CoordinatesWaiting() const { return coordinates_.lowest != CoordinateLevels::kNone; }

private:
    // The line that the walk examines and what the result holds in its place: the input line as it stands
    // (text kNoText) or a generated text.
    struct Current {
        const SourceLine& taken;
        std::string_view line;
        std::size_t bracket;
        std::int32_t text;
    };

    bool Line(const SourceLine& taken) {
        const bool header = tracker_.inHeader();
        if (!header) plan_.KeepLevelKeys();
        // Built from its parts: copying the view whole would read back as one what was just stored as two.
        Current current{taken, std::string_view(taken.text.data(), taken.text.size()), taken.bracket,
                        taken.pending < 0 ? kNoText : generated_.firstHeaderText + taken.pending};
        // The line may go or be replaced before the tracker reads it, yet it ends the header part all the same.
        if (header && current.bracket != kNone) tracker_.SkipLines(current.line);

        if (!headerDone_ && header && mapsyntax::IsLevelsLine(current.line)) RewriteHeader(current);
        if (options_.useDictionary && current.bracket != kNone && DictionaryLine(current)) return true;

        // The other level keys of the header part go: those after the rewrite as they come, those before it
        // once it starts. Until then they are kept, since a header without "Levels=" stays as it is.
        if (header && current.text == kNoText && mapsyntax::IsLevelKey(current.line)) {
            if (headerDone_) {
                WarnIfEndsHeader(current.line);
                return true;
            }
            Append(current);
            plan_.HoldLevelKey();
            return true;
        }

        const TrackedLine tracked = tracker_.Line(current.line, current.bracket);
        if (options_.warnings) {
            Watch(current, tracked);
            // The EndLevel line that Process sets is the object's last; an earlier one stays as it is.
            if (tracked.lineClass.endLevel && plan_.HasEndLevel()) {
                options_.warnings->endLevelTwice.Count(source_.InputLinesTaken());
            }
        }
        if (tracked.endsObject) return EndObject(current);
        Append(current);
        if (tracked.strayEnd) plan_.ForgetEndLevel();
        if (tracked.lineClass.endLevel) {
            plan_.MarkEndLevel();
            if (options_.summary) endLevelText_.assign(current.line);
        }
        return true;
    }

    // A level line that the header rewrite removes takes the marker that ends the header part with it, where
    // it holds one ("Zoom5=[END-IMG ID]"): the map written has none.
    void WarnIfEndsHeader(std::string_view removed) {
        if (options_.warnings && mapsyntax::EndsHeaderPart(removed)) {
            options_.warnings->headerEndRemoved.Count(source_.InputLinesTaken());
        }
    }

    // What the warnings need of a line that the walk reads itself.
    void Watch(const Current& current, const TrackedLine& tracked) {
        if (!current.line.empty() && mapsyntax::kCoordinateFirst[static_cast<unsigned char>(current.line.front())]) {
            coordinates_.Watched(current.line);
        }
        if (tracked.lineClass.endLevelOtherCase) options_.warnings->endLevelOtherCase.Count(source_.InputLinesTaken());
        // Only the last line of the map lacks a line end.
        if (current.text == kNoText && current.taken.endLength == 0 && current.bracket == 0 &&
            mapsyntax::IsCutOpener(current.line)) {
            options_.warnings->endsInsideOpener.Count(source_.InputLinesTaken());
        }
        if (tracked.opens) openLine_ = source_.InputLinesTaken();
        if (tracked.strayEnd) coordinates_.lowest = CoordinateLevels::kNone;
    }

    void Append(const Current& current) {
        if (current.text == kNoText) {
            plan_.AppendInput(current.taken.offset, current.line.size(), current.taken.endLength, current.taken.crLf);
        } else {
            plan_.AppendText(current.text);
        }
    }

    // The first "Levels=" line of the header part, with the unbroken run of level lines behind it, gives way
    // to the header built from the Levels table; the new "Levels=" line stands in for it, and the others are
    // examined as the next lines.
    void RewriteHeader(Current& current) {
        WarnIfEndsHeader(current.line);
        plan_.DropLevelKeys();
        if (options_.summary) options_.summary->HeaderRewritten(ValueOf(current.line), generated_.levels.size());
        while (!source_.AtEnd() && mapsyntax::ContinuesLevelRun(source_.Peek())) WarnIfEndsHeader(source_.Take().text);
        generated_.header = HeaderLines(generated_.levels);
        generated_.firstHeaderText = generated_.texts.Next();
        for (const std::string& headerLine : generated_.header) generated_.texts.Add(headerLine);
        source_.Inject(generated_.header, 1);
        headerDone_ = true;
        current.line = generated_.header.front();
        current.bracket = kNone;
        current.text = generated_.firstHeaderText;
    }

    // With the dictionary option: the generated dictionary goes behind its place, and dictionary sections
    // go. True when the line has been dealt with.
    bool DictionaryLine(const Current& current) {
        if (mapsyntax::IsDictionaryPlace(current.line)) {
            // Later generations would give the same lines and tables, so one build serves every such line.
            if (!generated_.dictionaryBuilt) {
                generated_.dicLines = BuildDictionary(generated_.lists, generated_.tables);
                generated_.dictionaryBuilt = true;
                generated_.firstDicText = generated_.texts.Next();
                for (const std::string& dicLine : generated_.dicLines) generated_.texts.Add(dicLine);
            }
            Append(current);
            if (options_.summary) options_.summary->DictionaryInserted();
            for (std::size_t d = 0; d < generated_.dicLines.size(); ++d) {
                plan_.AppendText(generated_.firstDicText + static_cast<std::int32_t>(d));
            }
            return true;  // the place opens no section and holds no key that the walk looks for
        }
        if (mapsyntax::BeginsDictionary(current.line, current.bracket)) {
            const std::uint64_t start = source_.InputLinesTaken();
            // The opening line goes too, with whatever stands on it before the marker.
            if (current.text == kNoText) WarnIfEndsHeader(current.line);
            const bool onlyDictionary = mapsyntax::Begins(current.line, mapsyntax::kDictionaryStart);
            if ((!source_.RemoveDictionarySection(current.line, tracker_) || !onlyDictionary) && options_.warnings) {
                options_.warnings->dictionaryTakesMore.Count(start);
            }
            if (options_.summary) options_.summary->DictionaryRemoved();
            return true;
        }
        return false;
    }

    // The object's EndLevel line becomes the one its type's level gives; an object without one gets it in
    // front of the line above its end.
    bool EndObject(const Current& current) {
        if (options_.laterPart && !tracker_.carried().met) return false;
        const ObjectKind kind = tracker_.kind();
        const std::string_view type = tracker_.typeText();
        LevelCache::Entry* entry = nullptr;
        try {
            entry = &generated_.levelCache.Find(kind, type);
        } catch (const Error& failure) {
            if (!options_.failures) RethrowAtLine(source_.InputLinesTaken());  // the end line, an input line
            const std::size_t index = options_.failures->Add(failure.what(), source_.InputLinesTaken());
            if (options_.written) {
                options_.written->Add(source_.InputLinesTaken(),
                                      WrittenLevels::kFailed - static_cast<std::int32_t>(index));
            }
            Append(current);
            plan_.ForgetEndLevel();
            return true;
        } catch (...) {
            RethrowAtLine(source_.InputLinesTaken());
        }
        const std::int32_t newLine = generated_.texts.EndLevel(entry->level);
        if (options_.warnings) WarnAbout(entry->level);
        if (options_.written) options_.written->Add(source_.InputLinesTaken(), entry->level);
        if (options_.summary) {
            if (!entry->counts) entry->counts = &options_.summary->CountsOf(kind, type);
            entry->counts->level = entry->level;
            const std::optional<std::string_view> old =
                plan_.HasEndLevel() ? std::optional<std::string_view>(endLevelText_) : std::nullopt;
            ProcessSummary::Add(*entry->counts, old, generated_.texts[newLine]);
        }
        if (plan_.HasEndLevel()) {
            plan_.ReplaceEndLevel(newLine);
        } else {
            plan_.InsertBeforeLast(newLine);
        }
        Append(current);
        plan_.ForgetEndLevel();
        return true;
    }

    // The warnings of the object that ends at the current line, which gets level.
    void WarnAbout(std::int32_t level) {
        const std::uint64_t line = source_.InputLinesTaken();
        if (coordinates_.lowest != CoordinateLevels::kNone && coordinates_.lowest > level) {
            options_.warnings->dataAboveEndLevel.Count(line);
        }
        if (top_ >= 0 && level >= top_) options_.warnings->endLevelAtTop.Count(line);
        coordinates_.lowest = CoordinateLevels::kNone;
        openLine_ = 0;
    }

    StreamSource& source_;
    StreamPlan& plan_;
    ProcessTracker& tracker_;
    Generated& generated_;
    const WalkOptions& options_;
    std::int32_t top_;  // the map's top level, which holds no objects; -1 without levels
    CoordinateLevels& coordinates_ = source_.coordinates();
    std::uint64_t openLine_ = 0;  // the opener of an object not ended yet
    bool headerDone_ = false;
    std::string endLevelText_;  // the object's EndLevel line, for the summary
};

}  // namespace

bool Walk(StreamSource& source, StreamPlan& plan, ProcessTracker& tracker, Generated& generated,
          const WalkOptions& options, bool* carriesCoordinates) {
    Walker walker(source, plan, tracker, generated, options);
    const bool whole = walker.Run();
    if (carriesCoordinates) *carriesCoordinates = walker.CoordinatesWaiting();
    return whole;
}

}  // namespace stratex::processwalk
