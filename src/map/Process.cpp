#include "map/Process.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "map/ByteScan.h"
#include "text/Integer.h"
#include "text/Strings.h"
#include "types/ObjectKind.h"

namespace stratex {
namespace {

constexpr std::string_view kWaitStatus = "Изменение конечного уровня объектов. Пожалуйста подождите...";
constexpr std::string_view kDoneStatus = "Изменение OK";
constexpr std::string_view kHeaderEnd = "[END-IMG ID]";
constexpr std::string_view kDictionaryStart = "[DICTIONARY]";
constexpr std::pair<std::string_view, ObjectKind> kOpeners[] = {
    {"[POI]", ObjectKind::Poi}, {"[POLYLINE]", ObjectKind::Polyline}, {"[POLYGON]", ObjectKind::Polygon}};
constexpr std::uint64_t kProgressStep = 65536;
constexpr std::size_t kNone = std::string_view::npos;

bool ContainsEndMarker(std::string_view line) {
    return ContainsNoCase(line, "[END-DICTIONARY]") || ContainsNoCase(line, "[END DICTIONARY]");
}

bool BeginsLevelRun(std::string_view line) {
    return StartsWithNoCase(line, "Level") || StartsWithNoCase(line, "Zoom");
}

// StartsWith for the constant keys of the loop: a fixed-size comparison that compiles to a few instructions.
bool Begins(std::string_view line, std::string_view key) {
    return line.size() >= key.size() && std::memcmp(line.data(), key.data(), key.size()) == 0;
}

// The lines that the pass has not examined yet, in list order: the generated header lines still waiting
// to be examined, then the rest of the input text (lines each followed by "\n"). Taking and removing
// lines both consume from here, so the pass never moves text that lies ahead of it.
class LineSource {
public:
    struct Line {
        std::string_view text;
        bool header;          // the line belongs to the header part
        bool input;           // the line is the input's (not a generated header line)
        std::size_t bracket;  // offset of the first "[" in text, or kNone
    };

    LineSource(std::string_view input, std::uint64_t inputLines)
        : input_(input), inputLines_(inputLines), nextBracket_(FindInput(0, '[')) {}

    bool AtEnd() const { return next_ == pendingCount() && pos_ >= input_.size(); }
    std::uint64_t RemainingLines() const { return (pendingCount() - next_) + (inputLines_ - takenInput_); }

    // Offset in the input of the first byte that the pass may still read: the start of the last line taken
    // when that came from the input, else the start of the next input line.
    std::size_t Floor() const { return floor_; }

    Line Take() {
        if (next_ < pendingCount()) {
            floor_ = pos_;
            const std::string_view text = (*pending_)[next_++];
            return {text, true, false, text.find('[')};
        }
        const std::size_t start = pos_;
        const std::size_t end = FindInput(start, '\n');
        // The next "[" is searched for only once the walk has passed the previous one.
        if (nextBracket_ < start) nextBracket_ = FindInput(start, '[');
        const std::string_view text = input_.substr(start, end - start);
        const std::size_t bracket = nextBracket_ < end ? nextBracket_ - start : kNone;
        const bool header = inHeader_;
        if (inHeader_ && bracket != kNone && Contains(text.substr(bracket), kHeaderEnd)) inHeader_ = false;
        floor_ = start;
        pos_ = end + 1;
        ++takenInput_;
        return {text, header, true, bracket};
    }

    // Lines (*lines)[from..] stand in front of the remaining input and are examined next. Only called while
    // none are waiting; lines must outlive the pass.
    void Inject(const std::vector<std::string>& lines, std::size_t from) {
        pending_ = &lines;
        next_ = from;
    }

    // Removes the lines that follow for as long as they begin with "Level" or "Zoom".
    void RemoveLevelRun() {
        while (!AtEnd() && BeginsLevelRun(Peek())) Take();
    }

    // Removes the rest of a dictionary section whose opening line (already taken) is current: through the
    // first line, current included, that holds an end marker; with no marker anywhere ahead, up to the next
    // line beginning with "[" (object sections never go with it) or to the end.
    void RemoveDictionarySection(std::string_view current) {
        if (ContainsEndMarker(current)) return;
        bool markerAhead = false;
        for (std::size_t i = next_; i < pendingCount() && !markerAhead; ++i) {
            markerAhead = ContainsEndMarker((*pending_)[i]);
        }
        const std::size_t inputMarkerEnd = NextInputMarkerEnd();
        markerAhead = markerAhead || inputMarkerEnd != kNone;

        while (next_ < pendingCount()) {
            const std::string_view line = (*pending_)[next_];
            if (markerAhead && ContainsEndMarker(line)) {
                ++next_;
                return;
            }
            if (!markerAhead && StartsWith(line, "[")) return;
            ++next_;
        }
        if (markerAhead) {
            SkipInputTo(inputMarkerEnd);
        } else if (pos_ < input_.size() && input_[pos_] != '[') {
            const std::size_t bracketLine = input_.find("\n[", pos_);
            SkipInputTo(bracketLine == kNone ? input_.size() : bracketLine + 1);
        }
    }

private:
    std::size_t pendingCount() const { return pending_ ? pending_->size() : 0; }

    // Offset of the first c at or after from in the input, or the input's size.
    std::size_t FindInput(std::size_t from, char c) const {
        const char* data = input_.data();
        return static_cast<std::size_t>(bytescan::Find(data + from, data + input_.size(), c) - data);
    }

    std::string_view Peek() const {
        if (next_ < pendingCount()) return (*pending_)[next_];
        return input_.substr(pos_, FindInput(pos_, '\n') - pos_);
    }

    void SkipInputTo(std::size_t end) {
        const std::string_view skipped = input_.substr(pos_, end - pos_);
        if (inHeader_ && Contains(skipped, kHeaderEnd)) inHeader_ = false;
        takenInput_ += static_cast<std::uint64_t>(std::count(skipped.begin(), skipped.end(), '\n'));
        pos_ = end;
    }

    // Offset just past the first input line at or after the current position that holds an end marker, or
    // kNone. The answer is kept: the position only moves forward, so the input is searched once overall.
    // (The search may look back from a marker into text that the rewrite in place has overwritten; whatever
    // it finds there stands before the current position and counts as the current position.)
    std::size_t NextInputMarkerEnd() {
        if (markerSearched_ && (markerEnd_ == kNone || markerStart_ >= pos_)) return markerEnd_;
        markerSearched_ = true;
        markerStart_ = markerEnd_ = kNone;
        std::size_t at = pos_;
        while (at < input_.size()) {
            const std::size_t bracket = input_.find('[', at);
            if (bracket == kNone) break;
            const std::string_view rest = input_.substr(bracket + 1, 15);
            if (EqualsNoCase(rest, "END-DICTIONARY]") || EqualsNoCase(rest, "END DICTIONARY]")) {
                const std::size_t nl = input_.rfind('\n', bracket);
                markerStart_ = (nl == kNone || nl < pos_) ? pos_ : nl + 1;
                markerEnd_ = FindInput(bracket, '\n') + 1;
                break;
            }
            at = bracket + 1;
        }
        return markerEnd_;
    }

    std::string_view input_;
    std::uint64_t inputLines_;
    std::size_t pos_ = 0;  // start of the next input line
    std::size_t floor_ = 0;
    std::uint64_t takenInput_ = 0;
    std::size_t nextBracket_;  // the first "[" at or after some position not past pos_
    bool inHeader_ = true;     // no input line holding "[END-IMG ID]" taken yet
    const std::vector<std::string>* pending_ = nullptr;
    std::size_t next_ = 0;
    bool markerSearched_ = false;
    std::size_t markerStart_ = kNone;
    std::size_t markerEnd_ = kNone;
};

// Where the pass puts the lines it has finished with: one text with "\n" after every line, written from the
// start of the buffer whose back part (from offset base on) holds the input. Input lines that pass
// unchanged are gathered into one pending span and moved together.
//
// kWrite false runs the same steps without touching a byte, to learn the result's size, its number of
// lines and how far the result ever runs ahead of the input still to be read. With the input placed at
// least that far back, the writing run overwrites only input that the walk is done with.
template <bool kWrite>
class Output {
public:
    Output(char* out, const char* in, const LineSource& source, std::vector<std::size_t>* index)
        : out_(out), in_(in), source_(source), index_(index) {}

    std::uint64_t lines() const { return lines_; }
    // Size of the result so far; where the next line will start.
    std::size_t size() const { return size_ + (spanEnd_ - spanStart_); }
    std::int64_t maxLead() const { return maxLead_; }

    // The input line at offset start, length bytes without its "\n".
    void AppendInput(std::size_t start, std::size_t length) {
        if (start != spanEnd_) {
            Flush();
            spanStart_ = spanEnd_ = start;
        }
        NewLine(size());
        spanEnd_ = start + length + 1;
    }

    // A line that is not the input's.
    void AppendText(std::string_view line) {
        Flush();
        NewLine(size_);
        if constexpr (kWrite) {
            std::memcpy(out_ + size_, line.data(), line.size());
            out_[size_ + line.size()] = '\n';
        }
        size_ += line.size() + 1;
        Lead();
    }

    // Puts lineNl (a line with its "\n") in front of the last line; at the start when there is none.
    void InsertBeforeLast(std::string_view lineNl) {
        Flush();
        const std::size_t n = lineNl.size();
        if constexpr (kWrite) {
            std::memmove(out_ + lastStart_ + n, out_ + lastStart_, size_ - lastStart_);
            std::memcpy(out_ + lastStart_, lineNl.data(), n);
        }
        size_ += n;
        // The old last line moves on by one line number; with no line yet the new one is line 0.
        if (lines_ == 0) {
            AddIndexEntry(0);
        } else if (lines_ % MapText::kIndexStep == 0) {
            AddIndexEntry(lastStart_ + n);
        }
        ++lines_;
        lastStart_ += n;
        Lead();
    }

    // Replaces the text of the line at start (length bytes, without its "\n") by line.
    void Replace(std::size_t start, std::size_t length, std::string_view line) {
        Flush();
        if constexpr (kWrite) {
            std::memmove(out_ + start + line.size(), out_ + start + length, size_ - start - length);
            std::memcpy(out_ + start, line.data(), line.size());
            // The lines behind it move with their text.
            for (auto entry = index_->rbegin(); entry != index_->rend() && *entry > start; ++entry) {
                *entry = *entry + line.size() - length;
            }
        }
        size_ = size_ + line.size() - length;
        if (lastStart_ > start) lastStart_ = lastStart_ + line.size() - length;
        Lead();
    }

    void Finish() { Flush(); }

private:
    void NewLine(std::size_t start) {
        if (lines_ % MapText::kIndexStep == 0) AddIndexEntry(start);
        ++lines_;
        lastStart_ = start;
    }

    void AddIndexEntry(std::size_t start) {
        if constexpr (kWrite) index_->push_back(start);  // never reallocates: reserved for the known count
    }

    void Flush() {
        if (spanEnd_ == spanStart_) return;
        if constexpr (kWrite) std::memmove(out_ + size_, in_ + spanStart_, spanEnd_ - spanStart_);
        size_ += spanEnd_ - spanStart_;
        spanStart_ = spanEnd_;
    }

    // After every step that writes more than it has read: how far the result now runs ahead of the input
    // that may still be read.
    void Lead() {
        if constexpr (!kWrite) {
            maxLead_ = std::max(maxLead_, static_cast<std::int64_t>(size_) - static_cast<std::int64_t>(source_.Floor()));
        }
    }

    char* out_;
    const char* in_;
    const LineSource& source_;
    std::vector<std::size_t>* index_;
    std::size_t size_ = 0;  // bytes written, not counting the pending span
    std::size_t spanStart_ = 0;
    std::size_t spanEnd_ = 0;
    std::size_t lastStart_ = 0;  // offset of the last line in the result
    std::uint64_t lines_ = 0;
    std::int64_t maxLead_ = 0;
};

// Up-to levels of the objects, remembered per kind and type text: maps repeat a handful of types millions
// of times. Only successful lookups are kept, so a failing one fails again at the same object.
class LevelCache {
public:
    explicit LevelCache(const TypeLists& lists) : lists_(lists) {}

    std::int32_t LevelOf(ObjectKind kind, std::string_view typeText) {
        std::uint32_t hash = 2166136261u;
        for (const char c : typeText) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        Entry& entry = entries_[static_cast<std::size_t>(kind)][hash % kEntries];
        if (entry.used && std::string_view(entry.text, entry.length) == typeText) return entry.level;
        const std::int32_t level = lists_.Of(kind).GetTypeLevel(NormalisedTypeCode(kind, ReadInteger(typeText)));
        entry.used = true;
        entry.length = typeText.size();
        std::memcpy(entry.text, typeText.data(), typeText.size());
        entry.level = level;
        return level;
    }

private:
    static constexpr std::size_t kEntries = 256;
    struct Entry {
        bool used = false;
        std::size_t length = 0;
        char text[6] = {};
        std::int32_t level = 0;
    };
    const TypeLists& lists_;
    Entry entries_[kAllKinds.size()][kEntries];
};

// The level header built from the Levels table: "Levels=" n, a line per row, then Zoom0=0 .. Zoom(n-1).
// A row writes the bits of the value stored under its key (LevelsTable::ValueOfKey), looked up through a
// hash so that a header with very many level lines stays linear.
std::vector<std::string> HeaderLines(const LevelsTable& levels) {
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

// What the pass builds at most once and both runs of the walk use: the first run builds, the second finds
// them built, so that the second run allocates nothing and cannot fail.
struct Generated {
    const LevelsTable& levels;
    const TypeLists& lists;
    LevelCache levelCache;
    std::vector<std::string> header;
    bool headerBuilt = false;
    DictionaryTables tables;  // the tables as BuildDictionary leaves them
    LineList dicLines;
    bool dictionaryBuilt = false;
};

// What the measuring run of the walk found.
struct WalkResult {
    std::size_t size = 0;
    std::uint64_t lines = 0;
    std::int64_t maxLead = 0;
    // The progress bar of the last iteration.
    bool iterated = false;
    std::uint64_t lastMaximum = 0;
    std::uint64_t lastPosition = 0;
};

// The walk of Process over input (lines each followed by "\n"). With kWrite it writes the result to out,
// which may be the same buffer as input as long as input starts at least WalkResult::maxLead bytes behind
// out, and fills index with the result's line index.
template <bool kWrite>
WalkResult Walk(std::string_view input, std::uint64_t inputLines, char* out, std::vector<std::size_t>* index,
                bool useDictionary, Generated& generated, Progress* progress) {
    LineSource source(input, inputLines);
    Output<kWrite> output(out, input.data(), source, index);
    WalkResult result;

    bool headerDone = false;
    bool haveKind = false;
    ObjectKind kind = ObjectKind::Poi;
    char typeText[6] = {};
    std::size_t typeLength = 0;
    // The EndLevel line to replace at the next object end: its offset and length in the result.
    bool endLevelSet = false;
    std::size_t endLevelStart = 0;
    std::size_t endLevelLength = 0;
    std::uint64_t untilReport = kProgressStep;

    while (!source.AtEnd()) {
        if constexpr (!kWrite) {
            // The index is the number of lines already passed; the list is those plus the lines still ahead.
            result.iterated = true;
            result.lastPosition = output.lines();
            result.lastMaximum = result.lastPosition + source.RemainingLines();
            if (progress && --untilReport == 0) {
                untilReport = kProgressStep;
                progress->SetProgress(result.lastMaximum, result.lastPosition);
            }
        }

        const LineSource::Line current = source.Take();
        std::string_view line = current.text;
        std::size_t bracket = current.bracket;
        bool fromInput = current.input;
        const auto appendLine = [&] {
            if (fromInput) {
                output.AppendInput(static_cast<std::size_t>(line.data() - input.data()), line.size());
            } else {
                output.AppendText(line);
            }
        };

        if (!headerDone && current.header && StartsWithNoCase(line, "Levels=")) {
            source.RemoveLevelRun();
            if (!generated.headerBuilt) {
                generated.header = HeaderLines(generated.levels);
                generated.headerBuilt = true;
            }
            // The new "Levels=" line stands in for this one; the others are examined in the next iterations.
            source.Inject(generated.header, 1);
            headerDone = true;
            line = generated.header.front();
            bracket = line.find('[');
            fromInput = false;
        }

        if (useDictionary && bracket != kNone) {
            if (line == kHeaderEnd) {
                // Later generations would give the same lines and tables, so one build serves every such line.
                if (!generated.dictionaryBuilt) {
                    generated.dicLines = BuildDictionary(generated.lists, generated.tables);
                    generated.dictionaryBuilt = true;
                }
                appendLine();
                for (const std::string& dicLine : generated.dicLines) output.AppendText(dicLine);
                continue;  // this exact text opens no section and holds no key that the steps below look for
            }
            if (Contains(line.substr(bracket), kDictionaryStart)) {
                source.RemoveDictionarySection(line);
                continue;
            }
        }

        // In the object part comment lines are never recognised and the Type and EndLevel keys must begin
        // their line; header part lines are tested anywhere in the line.
        const bool objectPart = !current.header;
        if (objectPart && !line.empty() && line.front() == ';') {
            appendLine();
            continue;
        }
        const std::string_view bracketed = bracket == kNone ? std::string_view() : line.substr(bracket);
        if (!bracketed.empty()) {
            // Tested in this order; the last test that matches decides, wherever the openers stand.
            for (const auto& [opener, openerKind] : kOpeners) {
                if (Contains(bracketed, opener)) {
                    haveKind = true;
                    kind = openerKind;
                }
            }
        }
        if (objectPart ? Begins(line, "Type") : Contains(line, "Type")) {
            const std::string_view value = Mid(line, 6, 11);
            typeLength = value.size();
            std::memcpy(typeText, value.data(), value.size());
        }
        const bool isEndLevel = objectPart ? Begins(line, "EndLevel") : Contains(line, "EndLevel");
        const bool isEnd = !bracketed.empty() && Contains(bracketed, "[END]");

        if (!isEnd) {
            if (isEndLevel) {
                endLevelSet = true;
                endLevelStart = output.size();
                endLevelLength = line.size();
            }
            appendLine();
            continue;
        }

        if (!haveKind) {
            appendLine();
            endLevelSet = false;
            continue;
        }
        const std::int32_t level = generated.levelCache.LevelOf(kind, std::string_view(typeText, typeLength));
        char newLine[32] = "EndLevel=";
        const std::size_t prefix = std::strlen(newLine);
        char* end = std::to_chars(newLine + prefix, newLine + sizeof(newLine) - 1, level).ptr;
        *end = '\n';
        const std::string_view replacement(newLine, static_cast<std::size_t>(end - newLine));
        if (isEndLevel) {
            output.AppendText(replacement);  // the "[END]" line is itself the EndLevel line
        } else if (endLevelSet) {
            output.Replace(endLevelStart, endLevelLength, replacement);
            appendLine();
        } else {
            output.InsertBeforeLast(std::string_view(newLine, replacement.size() + 1));
            appendLine();
        }
        endLevelSet = false;
    }

    output.Finish();
    result.size = output.size();
    result.lines = output.lines();
    result.maxLead = output.maxLead();
    return result;
}

}  // namespace

void ProcessMap(MapText& text, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                DictionaryTables& tables, LineList& dicLines, Progress* progress) {
    if (progress) progress->SetStatus(kWaitStatus);

    // The pass runs twice over the same decisions. The first run only measures, and meets every failure
    // while nothing has changed yet. The second rewrites the buffer in place: the input is moved back by
    // the furthest the result ever runs ahead of it, and the result is written from the front. So a map
    // needs memory for itself and that lead, not for a second copy.
    Generated generated{levels, lists, LevelCache(lists), {}, false, tables, {}, false};
    const std::size_t inputSize = text.Buffer().size();
    const std::uint64_t inputLines = text.LineCount();
    const WalkResult measured =
        Walk<false>(text.Buffer(), inputLines, nullptr, nullptr, useDictionary, generated, progress);

    const std::size_t lead = static_cast<std::size_t>(std::max<std::int64_t>(measured.maxLead, 0));
    const std::size_t room = std::max(inputSize + lead, measured.size);
    std::vector<std::size_t> index;
    index.reserve(static_cast<std::size_t>(measured.lines / MapText::kIndexStep) + 1);
    MapText::Parts parts = text.Release();
    try {
        parts.buffer.reserve(room);
    } catch (...) {
        text = MapText::FromParts(std::move(parts));
        throw;
    }
    // Nothing below allocates or fails.
    parts.buffer.resize(room);
    char* data = parts.buffer.data();
    if (lead > 0) std::memmove(data + lead, data, inputSize);
    Walk<true>(std::string_view(data + lead, inputSize), inputLines, data, &index, useDictionary, generated, nullptr);
    parts.buffer.resize(measured.size);
    parts.index = std::move(index);
    parts.lineCount = measured.lines;
    text = MapText::FromParts(std::move(parts));

    if (generated.dictionaryBuilt) dicLines = std::move(generated.dicLines);
    tables = generated.tables;

    if (progress) {
        if (measured.iterated) progress->SetProgress(measured.lastMaximum, measured.lastPosition);
        progress->SetStatus(kDoneStatus);
    }
}

}  // namespace stratex
