#pragma once

// The walk of Process and what it works with, shared by Process of the map in memory (Process.cpp) and of
// the map streamed from a file (ProcessStream.cpp). Each of those has its own source of lines and its own
// plan of the result; the walk decides what happens to every line.

#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "levels/Dictionary.h"
#include "levels/LevelsTable.h"
#include "map/MapSyntax.h"
#include "map/Process.h"
#include "map/ProcessSummary.h"
#include "map/Progress.h"
#include "text/Error.h"
#include "text/LineList.h"
#include "text/Strings.h"
#include "types/ObjectKind.h"
#include "types/TypeLists.h"

namespace stratex::processwalk {

inline constexpr std::uint64_t kProgressStep = 65536;
inline constexpr std::size_t kNone = std::string_view::npos;

// A line as a source gives it to the walk.
struct SourceLine {
    std::string_view text;
    bool header;           // the line belongs to the header part
    std::int32_t pending;  // for a generated header line its index among the injected lines, else -1
    std::size_t bracket;   // offset of the first "[" in text, or kNone
    std::uint64_t offset = 0;  // input offset of an input line
    std::uint8_t endLength = 1;  // the length of its line end
    bool crLf = false;           // its line end is CR LF
};

// The generated header lines that stand in front of the rest of the input until the walk has taken them;
// the part that the in-memory and the streamed source share.
class InjectedLines {
public:
    // lines[from..] come next; lines must outlive the pass. Only called while none are waiting.
    void Inject(const std::vector<std::string>& lines, std::size_t from) {
        lines_ = &lines;
        count_ = lines.size();
        next_ = from;
    }

    bool Waiting() const { return next_ < Count(); }
    std::size_t Remaining() const { return Count() - next_; }
    std::string_view Peek() const { return (*lines_)[next_]; }

    // Only while Waiting().
    SourceLine Take() {
        const std::string_view text = (*lines_)[next_];
        return {text, true, static_cast<std::int32_t>(next_++), text.find('[')};
    }

    // Whether a waiting line ends a dictionary section.
    bool HoldsDictionaryEnd() const {
        for (std::size_t i = next_; i < Count(); ++i) {
            if (mapsyntax::EndsDictionaryForRemoval((*lines_)[i])) return true;
        }
        return false;
    }

    // Removes waiting lines of a dictionary section: through the first that ends it when markerAhead, else
    // up to the first beginning with "[". True when the section ended among them.
    bool RemoveDictionaryLines(bool markerAhead) {
        while (Waiting()) {
            const std::string_view line = Peek();
            if (markerAhead && mapsyntax::EndsDictionaryForRemoval(line)) {
                ++next_;
                return true;
            }
            if (!markerAhead && StartsWith(line, "[")) return true;
            ++next_;
        }
        return false;
    }

private:
    std::size_t Count() const { return count_; }

    const std::vector<std::string>* lines_ = nullptr;
    std::size_t count_ = 0;  // of *lines_, asked for every line of the walk
    std::size_t next_ = 0;
};

inline constexpr std::int32_t kNoText = -1;

// The lines that the result holds besides the input's: generated header and dictionary lines (views of
// text that outlives the pass) and one "EndLevel=" line per level value, each written once.
class Texts {
public:
    Texts() { small_.fill(kNoText); }

    // The number that the next text added gets.
    std::int32_t Next() const { return static_cast<std::int32_t>(views_.size()); }

    std::int32_t Add(std::string_view stable) {
        views_.push_back(stable);
        return static_cast<std::int32_t>(views_.size() - 1);
    }

    std::int32_t EndLevel(std::int32_t level) {
        if (level >= 0 && level < static_cast<std::int32_t>(small_.size())) {
            std::int32_t& text = small_[static_cast<std::size_t>(level)];
            if (text == kNoText) text = Own("EndLevel=" + std::to_string(level));
            return text;
        }
        const auto [found, added] = other_.try_emplace(level, kNoText);
        if (added) found->second = Own("EndLevel=" + std::to_string(level));
        return found->second;
    }

    std::string_view operator[](std::int32_t text) const { return views_[static_cast<std::size_t>(text)]; }
    std::size_t Length(std::int32_t text) const { return (*this)[text].size(); }

private:
    std::int32_t Own(std::string line) {
        owned_.push_back(std::move(line));
        return Add(owned_.back());
    }

    std::vector<std::string_view> views_;
    std::deque<std::string> owned_;  // never moves its strings
    std::array<std::int32_t, 256> small_;
    std::unordered_map<std::int32_t, std::int32_t> other_;
};

// Up-to levels of the objects, remembered per kind and type text: maps repeat a handful of types millions
// of times. Only successful lookups are kept, so a failing one fails again at the same object. Where Process
// keeps a summary, the entry also remembers where the summary counts the type.
class LevelCache {
public:
    struct Entry {
        bool used = false;
        std::size_t length = 0;
        char text[mapsyntax::kMaxTypeText] = {};
        std::int32_t level = 0;
        EndLevelCounts* counts = nullptr;  // the summary's counts of the type, once asked for
    };

    explicit LevelCache(const TypeLists& lists) : lists_(lists) {}

    // The entry of the type, its level found. Valid until the next lookup.
    Entry& Find(ObjectKind kind, std::string_view typeText) {
        std::uint32_t hash = 2166136261u;
        for (const char c : typeText) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        Entry& entry = entries_[static_cast<std::size_t>(kind)][hash % kEntries];
        if (entry.used && std::string_view(entry.text, entry.length) == typeText) return entry;
        const std::int32_t level = ObjectEndLevel(lists_, kind, typeText);
        entry.used = true;
        entry.length = typeText.size();
        std::memcpy(entry.text, typeText.data(), typeText.size());
        entry.level = level;
        entry.counts = nullptr;
        return entry;
    }

private:
    static constexpr std::size_t kEntries = 256;
    const TypeLists& lists_;
    Entry entries_[kAllKinds.size()][kEntries];
};

// The level header built from the Levels table: "Levels=" n, a line per row, then Zoom0=0 .. Zoom(n-1).
// A row writes the bits of the value stored under its key (LevelsTable::ValueOfKey), looked up through a
// hash so that a header with very many level lines stays linear.
inline std::vector<std::string> HeaderLines(const LevelsTable& levels) {
    const std::size_t n = levels.size();
    std::unordered_map<std::string, const std::string*> firstValue;
    for (const LevelRow& row : levels.rows()) firstValue.try_emplace(AsciiLowerCopy(row.key), &row.value);
    std::vector<std::string> lines;
    lines.reserve(1 + 2 * n);
    lines.push_back("Levels=" + std::to_string(n));
    for (const LevelRow& row : levels.rows()) {
        lines.push_back(row.key + "=" + LeadingBits(*firstValue.at(AsciiLowerCopy(row.key))));
    }
    for (std::size_t k = 0; k < n; ++k) lines.push_back("Zoom" + std::to_string(k) + "=" + std::to_string(k));
    return lines;
}

// What the pass builds at most once: the level header and the dictionary, with their lines as texts.
struct Generated {
    Generated(const LevelsTable& levelsTable, const TypeLists& typeLists, const DictionaryTables& tablesBefore)
        : levels(levelsTable), lists(typeLists), levelCache(typeLists), tables(tablesBefore) {}

    const LevelsTable& levels;
    const TypeLists& lists;
    LevelCache levelCache;
    Texts texts;
    std::vector<std::string> header;
    std::int32_t firstHeaderText = kNoText;
    DictionaryTables tables;  // the tables as BuildDictionary leaves them
    LineList dicLines;
    bool dictionaryBuilt = false;
    std::int32_t firstDicText = kNoText;
};

// The type text of the last Type line met, which an object without a Type line of its own takes.
struct CarriedType {
    bool met = false;  // a Type line has been met
    std::size_t length = 0;
    char text[mapsyntax::kMaxTypeText] = {};
};

// The progress figures at the start of the walk's last iteration; kept only when the walk reports progress.
struct LastIteration {
    bool iterated = false;
    std::uint64_t maximum = 0;
    std::uint64_t position = 0;
    // The walk of a later part stopped at an object that takes its type from a Type line before the part.
    bool needsEarlierLines = false;
    // The type that an object without a Type line would take where the walk ended.
    CarriedType type;
};

static_assert(mapsyntax::kProcessRules.objectsInHeaderPart && mapsyntax::kProcessRules.openerInsideSection,
              "the walk examines every line for objects and takes the kind from every opener");

// Appends the walk's current line to the plan: the input line as it stands, or the generated text that
// stands in for it. A function of its own: as a lambda over the walk's locals it cost more at every line.
template <typename Plan, typename Line>
inline void AppendLine(Plan& plan, const Line& current, std::size_t length, std::int32_t text) {
    if (text == kNoText) {
        plan.AppendInput(current.offset, length, current.endLength, current.crLf);
    } else {
        plan.AppendText(text);
    }
}

// The walk of Process over the lines of source, planning the result into plan. The same walk serves the
// map in memory (LineSource, Planner) and the map streamed from a file (StreamSource, StreamPlan). A
// laterPart walk starts at an opener past the header part, knowing nothing of the lines before it; it stops
// where that would matter. A walk that starts at an opener past the header part knowing the type that the
// lines before it carry over (carried) goes on as the walk of the whole map would.
template <typename Source, typename Plan>
LastIteration Walk(Source& source, Plan& plan, bool useDictionary, Generated& generated, Progress* progress,
                   ProcessSummary* summary, bool laterPart, const CarriedType& carried = {}) {
    LastIteration last;

    bool headerDone = false;
    bool haveKind = false;
    ObjectKind kind = ObjectKind::Poi;
    char typeText[mapsyntax::kMaxTypeText] = {};
    std::memcpy(typeText, carried.text, sizeof typeText);
    std::size_t typeLength = carried.length;
    bool typeMet = carried.met;  // a Type line has been taken
    // The text of the EndLevel line met in the object, for the summary: a copy where the source's lines move.
    std::string_view endLevelText;
    std::string endLevelCopy;
    std::uint64_t untilReport = kProgressStep;

    while (!source.AtEnd()) {
        if (const std::uint64_t taken = source.TakePlain(plan)) {
            // As if each line had been an iteration: the last one's figures, and a report now and then.
            if (progress) {
                last.iterated = true;
                last.position = plan.lines() - 1;
                last.maximum = plan.lines() + source.RemainingLines();
                if (untilReport <= taken) {
                    untilReport = kProgressStep;
                    progress->SetProgress(last.maximum, last.position);
                } else {
                    untilReport -= taken;
                }
            }
            continue;
        }
        // The index is the number of lines already passed; the list is those plus the lines still ahead.
        if (progress) {
            last.iterated = true;
            last.position = plan.lines();
            last.maximum = last.position + source.RemainingLines();
            if (--untilReport == 0) {
                untilReport = kProgressStep;
                progress->SetProgress(last.maximum, last.position);
            }
        }

        const typename Source::Line current = source.Take();
        if (!current.header) plan.KeepLevelKeys();
        // Built from its parts: copying the view whole would read back as one what was just stored as two.
        std::string_view line(current.text.data(), current.text.size());
        std::size_t bracket = current.bracket;
        std::int32_t text = current.pending < 0 ? kNoText : generated.firstHeaderText + current.pending;
        const auto appendLine = [&] { AppendLine(plan, current, line.size(), text); };

        if (!headerDone && current.header && mapsyntax::IsLevelsLine(line)) {
            plan.DropLevelKeys();
            // The unbroken run of level lines behind it goes as well.
            while (!source.AtEnd() && mapsyntax::ContinuesLevelRun(source.Peek())) source.Take();
            generated.header = HeaderLines(generated.levels);
            generated.firstHeaderText = generated.texts.Next();
            for (const std::string& headerLine : generated.header) generated.texts.Add(headerLine);
            // The new "Levels=" line stands in for this one; the others are examined in the next iterations.
            source.Inject(generated.header, 1);
            headerDone = true;
            line = generated.header.front();
            bracket = line.find('[');
            text = generated.firstHeaderText;
        }

        if (useDictionary && bracket != kNone) {
            if (line == mapsyntax::kHeaderEnd) {
                // Later generations would give the same lines and tables, so one build serves every such line.
                if (!generated.dictionaryBuilt) {
                    generated.dicLines = BuildDictionary(generated.lists, generated.tables);
                    generated.dictionaryBuilt = true;
                    generated.firstDicText = generated.texts.Next();
                    for (const std::string& dicLine : generated.dicLines) generated.texts.Add(dicLine);
                }
                appendLine();
                for (std::size_t d = 0; d < generated.dicLines.size(); ++d) {
                    plan.AppendText(generated.firstDicText + static_cast<std::int32_t>(d));
                }
                continue;  // this exact text opens no section and holds no key that the steps below look for
            }
            if (Contains(line.substr(bracket), mapsyntax::kDictionaryStart)) {
                source.RemoveDictionarySection(line);
                continue;
            }
        }

        // The other level keys of the header part go: those after the rewrite as they come, those before it
        // once it starts. Until then they are kept, since a header without "Levels=" stays as it is.
        if (current.header && text == kNoText && mapsyntax::IsLevelKey(line)) {
            if (headerDone) continue;
            appendLine();
            plan.HoldLevelKey();
            continue;
        }

        const mapsyntax::LineClass lineClass = mapsyntax::ClassifyLine(line);
        if (lineClass.opens) {
            haveKind = true;
            kind = lineClass.kind;
        }
        if (lineClass.type) {
            const std::string_view value = mapsyntax::TypeText(line);
            typeMet = true;
            typeLength = value.size();
            // A "Type" line of five characters or fewer has no type text (and no data pointer to copy).
            if (!value.empty()) std::memcpy(typeText, value.data(), value.size());
        }

        if (!lineClass.end) {
            appendLine();
            if (lineClass.endLevel) {
                plan.MarkEndLevel();
                if (summary) {
                    if constexpr (Source::kLinesStayPut) {
                        endLevelText = line;
                    } else {
                        endLevelText = endLevelCopy.assign(line);
                    }
                }
            }
            continue;
        }

        if (!haveKind) {
            appendLine();
            plan.ForgetEndLevel();
            continue;
        }
        if (laterPart && !typeMet) {
            last.needsEarlierLines = true;
            return last;
        }
        const std::string_view type(typeText, typeLength);
        LevelCache::Entry* entry = nullptr;
        try {
            entry = &generated.levelCache.Find(kind, type);
        } catch (...) {
            RethrowAtLine(source.InputLinesTaken());  // the object's end line, always an input line
        }
        const std::int32_t newLine = generated.texts.EndLevel(entry->level);
        if (summary) {
            if (!entry->counts) entry->counts = &summary->CountsOf(kind, type);
            const std::optional<std::string_view> old =
                plan.HasEndLevel() ? std::optional<std::string_view>(endLevelText) : std::nullopt;
            ProcessSummary::Add(*entry->counts, old, generated.texts[newLine]);
        }
        if (plan.HasEndLevel()) {
            plan.ReplaceEndLevel(newLine);
        } else {
            plan.InsertBeforeLast(newLine);
        }
        appendLine();
        plan.ForgetEndLevel();
        haveKind = mapsyntax::kProcessRules.kindKeptAcrossEnd;
    }
    last.type.met = typeMet;
    last.type.length = typeLength;
    std::memcpy(last.type.text, typeText, sizeof typeText);
    return last;
}

}  // namespace stratex::processwalk
