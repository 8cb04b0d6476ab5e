#pragma once

// What the walk of Process works with: the lines it generates, the levels it looks up, the plan of the
// result and the source of its lines. The walk itself (ProcessWalk.cpp) decides what happens to every line.

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

#include "bytes/CrLfWriter.h"
#include "bytes/Error.h"
#include "bytes/LineList.h"
#include "bytes/LineReader.h"
#include "bytes/Strings.h"
#include "grammar/DictionaryRow.h"
#include "grammar/MapSyntax.h"
#include "grammar/ObjectKind.h"
#include "grammar/ObjectTracker.h"
#include "levels/Dictionary.h"
#include "levels/LevelsTable.h"
#include "passes/ProcessSummary.h"
#include "passes/Progress.h"
#include "types/TypeLists.h"

namespace stratex::processwalk {

inline constexpr std::size_t kNone = std::string_view::npos;

// A line as a source gives it to the walk.
struct SourceLine {
    std::string_view text;
    std::int32_t pending;        // for a generated header line its index among the injected lines, else -1
    std::size_t bracket;         // offset of the first "[" in text, or kNone
    std::uint64_t offset = 0;    // input offset of an input line
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
    std::string_view Peek() const { return (*lines_)[next_]; }

    // Only while Waiting().
    SourceLine Take() {
        const std::string_view text = (*lines_)[next_];
        return {text, static_cast<std::int32_t>(next_++), text.find('[')};
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
    // Every text, by number.
    std::vector<std::string> All() const { return {views_.begin(), views_.end()}; }
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

// A line of the result that a later step may change or put a line in front of, as an input
// line (source: its input offset) or the text of a piece (source: the piece's number since the start).
struct StreamLineRef {
    bool isText = false;
    std::uint64_t source = 0;
    std::size_t length = 0;  // without its line end
    std::uint8_t endLength = 0;
};

// The lowest level of the coordinate lines read since the last object end.
struct CoordinateLevels : LineReader::Watcher {
    static constexpr int kNone = 0x7FFFFFFF;
    int lowest = kNone;

    void Watched(std::string_view line) override {
        if (const std::optional<int> level = mapsyntax::CoordinateLevel(line)) {
            if (*level < lowest) lowest = *level;
        }
    }
};

inline std::uint8_t EndLength(LineEnd end) { return end == LineEnd::kCrLf ? 2 : end == LineEnd::kNone ? 0 : 1; }

// Where a plan's pieces go once no later step can change them.
class PlanOutput {
public:
    virtual ~PlanOutput() = default;
    // The input's bytes [start, start + length): whole lines with their line ends as read; with crLf every one
    // of them ends with CR LF.
    virtual void Input(std::uint64_t start, std::uint64_t length, bool crLf) = 0;
    // Text number text of the walk's Texts, as a line of its own.
    virtual void Line(std::int32_t text) = 0;
};

// The output as bytes through a CrLfWriter, the input's bytes taken from the reader.
class BytesOutput : public PlanOutput {
public:
    BytesOutput(const Texts& texts, const LineReader& reader, CrLfWriter& writer)
        : texts_(texts), reader_(reader), writer_(writer) {}
    void Input(std::uint64_t start, std::uint64_t length, bool crLf) override {
        writer_.Input(reader_.Bytes(start, start + length), crLf);
    }
    void Line(std::int32_t text) override { writer_.Line(texts_[text]); }

private:
    const Texts& texts_;
    const LineReader& reader_;
    CrLfWriter& writer_;
};

// No output: a walk run for what it finds, not for what it writes.
class NullOutput : public PlanOutput {
public:
    void Input(std::uint64_t, std::uint64_t, bool) override {}
    void Line(std::int32_t) override {}
};

// A piece of a result kept as a plan: a run of input bytes (whole lines with their "\n", at an offset of the
// whole input), then one text line or none.
struct Piece {
    std::uint64_t start;
    std::uint32_t length;
    std::int32_t text;  // its number among the plan's texts, or kNoText
};

// A result planned as pieces of the input, with the texts they name: Process of the map in memory writes it
// in place of the input at the end.
struct PiecePlan {
    std::vector<Piece> pieces;
    std::vector<std::string> texts;

    // Appends the pieces of a plan of a later stretch of the input, whose texts are theirs.
    void Append(const std::vector<Piece>& later, const std::vector<std::string>& theirs) {
        std::vector<std::int32_t> mine(theirs.size(), kNoText);
        for (Piece piece : later) {
            if (piece.text != kNoText) {
                std::int32_t& text = mine[static_cast<std::size_t>(piece.text)];
                if (text == kNoText) text = Intern(theirs[static_cast<std::size_t>(piece.text)]);
                piece.text = text;
            }
            pieces.push_back(piece);
        }
    }

private:
    std::int32_t Intern(const std::string& text) {
        const auto [found, added] = numbers_.try_emplace(text, static_cast<std::int32_t>(texts.size()));
        if (added) texts.push_back(text);
        return found->second;
    }
    std::unordered_map<std::string, std::int32_t> numbers_;
};

// The output as pieces, for a stretch of the input that starts at offset base.
class PiecesOutput : public PlanOutput {
public:
    PiecesOutput(std::vector<Piece>& pieces, std::uint64_t base) : pieces_(pieces), base_(base) {}
    void Input(std::uint64_t start, std::uint64_t length, bool) override {
        // A piece holds less than 4 GB of input; a longer run goes into several.
        constexpr std::uint64_t kMaxRun = 0x7FFFFFFF;
        for (; length > kMaxRun; start += kMaxRun, length -= kMaxRun) {
            pieces_.push_back({base_ + start, static_cast<std::uint32_t>(kMaxRun), kNoText});
        }
        pieces_.push_back({base_ + start, static_cast<std::uint32_t>(length), kNoText});
    }
    void Line(std::int32_t text) override {
        if (!pieces_.empty() && pieces_.back().text == kNoText) {
            pieces_.back().text = text;
        } else {
            pieces_.push_back({0, 0, text});
        }
    }

private:
    std::vector<Piece>& pieces_;
    std::uint64_t base_;
};

// A piece of a streamed result: a run of whole input lines as read, then one text line or none.
struct StreamPiece {
    std::uint64_t start;
    std::uint64_t length;
    std::int32_t text;
    bool crLf;  // every line of the run ends with CR LF
};

// The plan of the result: pieces of input and generated lines, written out through writer as soon as no
// later step can change them. Only the last line, a marked EndLevel line and level keys held in the header
// part can still change, so a few pieces are held at a time.
class StreamPlan {
public:
    StreamPlan(const Texts& texts, PlanOutput& output) : texts_(texts), output_(output) {}

    std::uint64_t lines() const { return lines_; }

    void AppendInput(std::uint64_t start, std::size_t length, std::uint8_t endLength, bool crLf) {
        if (start != runEnd_) {
            CloseRun(kNoText);
            runStart_ = runEnd_ = start;
        }
        runEnd_ = start + length + endLength;
        runCrLf_ = runCrLf_ && crLf;
        NewLine({false, start, length, endLength});
    }

    void AppendText(std::int32_t text) {
        CloseRun(text);
        NewLine({true, base_ + pieces_.size() - 1, texts_.Length(text), 0});
    }

    // The input lines of run, which follow straight on the last input line appended.
    void AppendRun(const LineReader::Run& run) {
        const LineReader::Line& last = run.last;
        runEnd_ = last.offset + last.text.size() + EndLength(last.end);
        runCrLf_ = runCrLf_ && run.crLf;
        lines_ += run.lines - 1;
        NewLine({false, last.offset, last.text.size(), EndLength(last.end)});
    }

    // Puts text in front of the last line; at the start when there is none.
    void InsertBeforeLast(std::int32_t text) {
        if (lines_ == 0) {
            CloseRun(text);
        } else {
            PlaceBefore(last_, false, text);
        }
        ++lines_;
    }

    void MarkEndLevel() { endLevel_ = last_; }
    bool HasEndLevel() const { return endLevel_.has_value(); }
    void ReplaceEndLevel(std::int32_t text) { PlaceBefore(*endLevel_, true, text); }
    void ForgetEndLevel() { endLevel_.reset(); }

    // Removes line, an earlier input line of the result.
    void Drop(const StreamLineRef& line) {
        PlaceBefore(line, true, kNoText);
        --lines_;
    }

    // Level keys of the header part met before its first "Levels=" line: held until that line drops them, or
    // kept once the header part ends without one.
    void HoldLevelKey() { levelKeys_.push_back(last_); }
    void DropLevelKeys() {
        for (const StreamLineRef& key : levelKeys_) Drop(key);
        levelKeys_.clear();
    }
    void KeepLevelKeys() {
        if (!levelKeys_.empty()) levelKeys_.clear();
    }

    // Writes out what no later step can change. Returns the input offset from which the plan still needs
    // the input's bytes.
    std::uint64_t Drain() {
        std::size_t pieceLimit = pieces_.size();
        std::uint64_t runLimit = runEnd_;
        const auto hold = [&](const StreamLineRef& line) {
            if (line.isText) {
                pieceLimit = std::min<std::size_t>(pieceLimit, static_cast<std::size_t>(line.source - base_));
                runLimit = runStart_;
            } else if (line.source >= runStart_) {
                runLimit = std::min(runLimit, line.source);
            } else {
                pieceLimit = std::min(pieceLimit, PieceHolding(line.source));
                runLimit = runStart_;
            }
        };
        if (lines_ > 0) hold(last_);
        if (endLevel_) hold(*endLevel_);
        for (const StreamLineRef& key : levelKeys_) hold(key);
        for (std::size_t k = 0; k < pieceLimit; ++k) Write(pieces_[k]);
        pieces_.erase(pieces_.begin(), pieces_.begin() + static_cast<std::ptrdiff_t>(pieceLimit));
        base_ += pieceLimit;
        if (pieces_.empty() && runLimit > runStart_) {
            Write({runStart_, runLimit - runStart_, kNoText, runCrLf_});
            runStart_ = runLimit;
        }
        return pieces_.empty() ? runStart_ : std::min(pieces_.front().start, runStart_);
    }

    // Writes out the rest.
    void Finish() {
        CloseRun(kNoText);
        for (const StreamPiece& piece : pieces_) Write(piece);
        base_ += pieces_.size();
        pieces_.clear();
    }

private:
    void NewLine(const StreamLineRef& line) {
        ++lines_;
        last_ = line;
    }

    void CloseRun(std::int32_t text) {
        PushRun(runStart_, runEnd_ - runStart_, text, runCrLf_);
        runStart_ = runEnd_;
        runCrLf_ = true;
    }

    void PushRun(std::uint64_t start, std::uint64_t length, std::int32_t text, bool crLf) {
        if (length > 0 || text != kNoText) pieces_.push_back({start, length, text, crLf});
    }

    // The index of the held piece whose run holds the input line at offset.
    std::size_t PieceHolding(std::uint64_t offset) const {
        std::size_t k = pieces_.size();
        while (k > 0 && pieces_[k - 1].start > offset) --k;
        return k - 1;
    }

    // Puts text where line starts; with drop, line itself goes.
    void PlaceBefore(const StreamLineRef& line, bool drop, std::int32_t text) {
        if (line.isText) {
            const auto at = static_cast<std::size_t>(line.source - base_);
            StreamPiece& piece = pieces_[at];
            if (drop) {
                piece.text = text;
            } else {
                const StreamPiece behind{piece.start + piece.length, 0, piece.text, true};
                piece.text = text;
                InsertPiece(at + 1, behind);
            }
            return;
        }
        const std::uint64_t resume = line.source + (drop ? line.length + line.endLength : 0);
        if (line.source >= runStart_) {
            PushRun(runStart_, line.source - runStart_, text, runCrLf_);
            runStart_ = resume;
            return;
        }
        // The line lies in a held piece (a generated line followed it within the object): split that piece.
        const std::size_t k = PieceHolding(line.source);
        StreamPiece& piece = pieces_[k];
        const StreamPiece behind{resume, piece.start + piece.length - resume, piece.text, piece.crLf};
        piece.length = line.source - piece.start;
        piece.text = text;
        InsertPiece(k + 1, behind);
    }

    void InsertPiece(std::size_t at, const StreamPiece& piece) {
        pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(at), piece);
        if (last_.isText && last_.source >= base_ + at) ++last_.source;
        if (endLevel_ && endLevel_->isText && endLevel_->source >= base_ + at) ++endLevel_->source;
    }

    void Write(const StreamPiece& piece) {
        if (piece.length > 0) output_.Input(piece.start, piece.length, piece.crLf);
        if (piece.text != kNoText) output_.Line(piece.text);
    }

    const Texts& texts_;
    PlanOutput& output_;
    std::deque<StreamPiece> pieces_;
    std::uint64_t base_ = 0;  // the number of pieces written out
    std::uint64_t runStart_ = 0;
    std::uint64_t runEnd_ = 0;
    bool runCrLf_ = true;
    std::uint64_t lines_ = 0;
    StreamLineRef last_;
    std::optional<StreamLineRef> endLevel_;
    std::vector<StreamLineRef> levelKeys_;
};

// The lines of a map read through a LineReader, for the walk, with the generated header lines that stand
// in front of the rest of the input once the walk injects them. It cannot look ahead, so whether a
// dictionary end marker stands ahead comes from the scan (StreamFacts). Before the reader reads on, the
// plan writes out what it can and names the input it still needs; progress, when given, is then told how
// far the input has been read.
class StreamSource {
public:
    // A line's text lies in the reader's buffer, which reading on reuses: it is valid until the next call.
    StreamSource(LineReader& reader, StreamPlan& plan, std::optional<std::uint64_t> lastDictionaryEnd,
                 Progress* progress = nullptr, std::uint64_t inputSize = 0)
        : reader_(reader),
          plan_(plan),
          lastDictionaryEnd_(lastDictionaryEnd),
          progress_(progress),
          inputSize_(inputSize) {}

    bool AtEnd() { return !injected_.Waiting() && !Hold(); }
    // How many input lines have been taken or removed so far.
    std::uint64_t InputLinesTaken() const { return taken_; }
    // Only when !AtEnd().
    SourceLine Take() {
        if (injected_.Waiting()) return injected_.Take();
        held_ = false;
        ++taken_;
        // Built from its parts: the reader has just stored the view as two words.
        const std::string_view text(line_.text.data(), line_.text.size());
        const std::size_t bracket = brackets_.In(reader_, line_);
        return {text, -1, bracket, line_.offset, EndLength(line_.end), line_.end == LineEnd::kCrLf};
    }

    // Outside the header part only: appends the next line and the lines behind it to plan (the plan the
    // source drains) at once while they are plain: the walk would only append them. Returns how many it took.
    std::uint64_t TakePlain(StreamPlan& plan) {
        if (injected_.Waiting() || !Hold()) return 0;
        if (!line_.text.empty() && mapsyntax::kNotPlainTable[static_cast<unsigned char>(line_.text.front())]) {
            return 0;
        }
        if (brackets_.In(reader_, line_) != kNone) return 0;
        plan.KeepLevelKeys();
        plan.AppendInput(line_.offset, line_.text.size(), EndLength(line_.end), line_.end == LineEnd::kCrLf);
        held_ = false;
        LineReader::Run run;
        if (watching_) {
            if (!line_.text.empty() && mapsyntax::kCoordinateFirst[static_cast<unsigned char>(line_.text.front())]) {
                coordinates_.Watched(line_.text);
            }
            reader_.TakePlain(mapsyntax::kNotPlainTable, brackets_.ClearUpTo(), run, mapsyntax::kCoordinateFirst,
                              coordinates_);
        } else {
            reader_.TakePlain(mapsyntax::kNotPlainTable, brackets_.ClearUpTo(), run);
        }
        if (run.lines > 0) plan.AppendRun(run);
        taken_ += 1 + run.lines;
        return 1 + run.lines;
    }

    void Inject(const std::vector<std::string>& lines, std::size_t from) { injected_.Inject(lines, from); }

    // With on, the coordinate lines that the source takes at once (TakePlain) count into coordinates(); the
    // walk reads the others itself.
    void WatchCoordinates(bool on) { watching_ = on; }
    CoordinateLevels& coordinates() { return coordinates_; }

    // Removes the rest of a dictionary section whose opening line (already taken) is current: through the
    // first line, current included, that holds an end marker; with no marker anywhere ahead, up to the next
    // line beginning with "[" (object sections never go with it) or to the end. tracker reads the removed
    // lines for the end of the header part. Returns false where the removal took more than a dictionary holds:
    // a line that is no dictionary row, comment or empty line (a coordinate line, a line with a "[") before
    // the end, or an end marker behind other text on its line.
    bool RemoveDictionarySection(std::string_view current, ProcessTracker& tracker) {
        if (mapsyntax::EndsDictionaryForRemoval(current)) return true;
        bool markerAhead = injected_.HoldsDictionaryEnd();
        const std::uint64_t nextInput = held_ ? line_.offset : reader_.NextOffset();
        markerAhead = markerAhead || (lastDictionaryEnd_ && *lastDictionaryEnd_ >= nextInput);

        if (injected_.RemoveDictionaryLines(markerAhead)) return true;
        bool onlyDictionary = true;
        while (Hold()) {
            if (!markerAhead && StartsWith(line_.text, "[")) return onlyDictionary;
            const bool ends = markerAhead && mapsyntax::EndsDictionaryForRemoval(line_.text);
            if (ends ? !mapsyntax::BeginsDictionaryEndMarker(line_.text) : !IsDictionaryContentLine(line_.text)) {
                onlyDictionary = false;
            }
            tracker.SkipLines(line_.text);
            held_ = false;
            ++taken_;
            if (ends) return onlyDictionary;
        }
        return onlyDictionary;
    }

    // The next line, not taken; only when !AtEnd(), which holds it.
    std::string_view Peek() const {
        if (injected_.Waiting()) return injected_.Peek();
        return line_.text;
    }

private:
    // Makes line_ the next input line; false at the end of the input. Inline for the line that the buffer
    // holds already, as nearly every line is.
    bool Hold() {
        if (held_ || reader_.Next(line_)) return held_ = true;
        return HoldAfterFill();
    }

    bool HoldAfterFill() {
        while (!reader_.Next(line_)) {
            if (reader_.Ended()) return false;
            reader_.Fill(std::min(plan_.Drain(), reader_.NextOffset()));
            if (progress_) progress_->SetProgress(inputSize_, reader_.NextOffset());
        }
        held_ = true;
        return true;
    }

    LineReader& reader_;
    StreamPlan& plan_;
    std::optional<std::uint64_t> lastDictionaryEnd_;
    LineReader::Line line_;
    bool held_ = false;
    LineReader::Finder brackets_{'['};
    bool watching_ = false;
    CoordinateLevels coordinates_;
    Progress* progress_;
    std::uint64_t inputSize_;
    InjectedLines injected_;
    std::uint64_t taken_ = 0;
};

// What a walk is asked to do besides the plan.
struct WalkOptions {
    bool useDictionary = false;
    ProcessSummary* summary = nullptr;  // each object's EndLevel change is counted into it
    // The walk starts at an opener past the header part, knowing nothing of the lines before it: it stops
    // at an object that would take its type from them.
    bool laterPart = false;
    // Where given, every object's EndLevel as written, by the object's end line.
    WrittenLevels* written = nullptr;
    // Where given, what Process made that the map's maker would not want.
    ProcessWarnings* warnings = nullptr;
    // Where given (a dry walk for check), an object whose level cannot be read is counted there, written
    // as failed, and the walk goes on behind it as if the object were left as it is.
    ProcessFailures* failures = nullptr;
};

// The walk of Process over the lines of source, planning the result into plan; tracker follows the objects
// (for a walk that starts within the map, with what the lines before it leave). Returns false where a
// later part's walk stopped; throws where an object's type text or level is no number, with the number of
// the object's end line among the source's lines.
// carriesCoordinates, where given, tells whether coordinate lines read after the last object end wait for
// an object to come (with warnings only).
bool Walk(StreamSource& source, StreamPlan& plan, ProcessTracker& tracker, Generated& generated,
          const WalkOptions& options, bool* carriesCoordinates = nullptr);

}  // namespace stratex::processwalk
