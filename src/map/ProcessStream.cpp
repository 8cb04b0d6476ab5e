#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

#include "map/CrLfWriter.h"
#include "map/LineReader.h"
#include "map/MapSyntax.h"
#include "map/Process.h"
#include "map/ProcessWalk.h"
#include "text/Strings.h"

namespace stratex {
namespace {

using namespace processwalk;

// StreamPlan: a line of the result that a later step may change or put a line in front of, as an input
// line (source: its input offset) or the text of a piece (source: the piece's number since the start).
struct StreamLineRef {
    bool isText = false;
    std::uint64_t source = 0;
    std::size_t length = 0;  // without its line end
    std::uint8_t endLength = 0;
};

std::uint8_t EndLength(LineEnd end) { return end == LineEnd::kCrLf ? 2 : end == LineEnd::kNone ? 0 : 1; }

// A piece of a streamed result: a run of whole input lines as read, then one text line or none.
struct StreamPiece {
    std::uint64_t start;
    std::uint64_t length;
    std::int32_t text;
    bool crLf;  // every line of the run ends with CR LF
};

// The result of a streamed Process, planned as Planner plans it, but written out through writer as soon
// as no later step can change it: only the last line and a marked EndLevel line can still change, so a
// few pieces are held at a time.
class StreamPlan {
public:
    StreamPlan(const Texts& texts, const LineReader& reader, CrLfWriter& writer)
        : texts_(texts), reader_(reader), writer_(writer) {}

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

    // As Planner's: level keys held until the first "Levels=" line drops them or the header part ends.
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
        if (piece.length > 0) writer_.Input(reader_.Bytes(piece.start, piece.start + piece.length), piece.crLf);
        if (piece.text != kNoText) writer_.Line(texts_[piece.text]);
    }

    const Texts& texts_;
    const LineReader& reader_;
    CrLfWriter& writer_;
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

// The lines of a map read through a LineReader, for the walk: LineSource's counterpart for a stream. It
// cannot look ahead, so whether a dictionary end marker stands ahead comes from the scan (StreamFacts).
// Before the reader reads on, the plan writes out what it can and names the input it still needs.
class StreamSource {
public:
    using Line = SourceLine;
    // A line's text lies in the reader's buffer, which reading on reuses.
    static constexpr bool kLinesStayPut = false;

    StreamSource(LineReader& reader, StreamPlan& plan, std::optional<std::uint64_t> lastDictionaryEnd)
        : reader_(reader), plan_(plan), lastDictionaryEnd_(lastDictionaryEnd) {}

    bool AtEnd() { return !injected_.Waiting() && !Hold(); }
    // How many input lines have been taken or removed so far.
    std::uint64_t InputLinesTaken() const { return taken_; }
    // Lines ahead are not known before they are read.
    std::uint64_t RemainingLines() const { return 0; }

    // Only when !AtEnd().
    Line Take() {
        if (injected_.Waiting()) return injected_.Take();
        held_ = false;
        ++taken_;
        // Built from its parts: the reader has just stored the view as two words.
        const std::string_view text(line_.text.data(), line_.text.size());
        const std::size_t bracket = brackets_.In(reader_, line_);
        const bool header = inHeader_;
        if (inHeader_ && bracket != kNone && Contains(text.substr(bracket), mapsyntax::kHeaderEnd)) inHeader_ = false;
        return {text, header, -1, bracket, line_.offset, EndLength(line_.end), line_.end == LineEnd::kCrLf};
    }

    // Outside the header part, appends the next line and the lines behind it to plan (the plan the source
    // drains) at once while they are plain: the walk would only append them. Returns how many it took.
    std::uint64_t TakePlain(StreamPlan& plan) {
        if (inHeader_ || injected_.Waiting() || !Hold()) return 0;
        if (!line_.text.empty() && mapsyntax::kNotPlainTable[static_cast<unsigned char>(line_.text.front())]) {
            return 0;
        }
        if (brackets_.In(reader_, line_) != kNone) return 0;
        plan.KeepLevelKeys();
        plan.AppendInput(line_.offset, line_.text.size(), EndLength(line_.end), line_.end == LineEnd::kCrLf);
        held_ = false;
        LineReader::Run run;
        reader_.TakePlain(mapsyntax::kNotPlainTable, brackets_.ClearUpTo(), run);
        if (run.lines > 0) plan.AppendRun(run);
        taken_ += 1 + run.lines;
        return 1 + run.lines;
    }

    void Inject(const std::vector<std::string>& lines, std::size_t from) {
        injected_.Inject(lines, from);
    }

    // As LineSource::RemoveDictionarySection.
    void RemoveDictionarySection(std::string_view current) {
        if (mapsyntax::EndsDictionaryForRemoval(current)) return;
        bool markerAhead = injected_.HoldsDictionaryEnd();
        const std::uint64_t nextInput = held_ ? line_.offset : reader_.NextOffset();
        markerAhead = markerAhead || (lastDictionaryEnd_ && *lastDictionaryEnd_ >= nextInput);

        if (injected_.RemoveDictionaryLines(markerAhead)) return;
        while (Hold()) {
            if (!markerAhead && StartsWith(line_.text, "[")) return;
            const bool ends = markerAhead && mapsyntax::EndsDictionaryForRemoval(line_.text);
            if (inHeader_ && Contains(line_.text, mapsyntax::kHeaderEnd)) inHeader_ = false;
            held_ = false;
            ++taken_;
            if (ends) return;
        }
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
    bool inHeader_ = true;
    InjectedLines injected_;
    std::uint64_t taken_ = 0;
};

}  // namespace

void ProcessMapStream(ByteSource& input, const StreamFacts& facts, const LevelsTable& levels, const TypeLists& lists,
                      bool useDictionary, DictionaryTables& tables, LineList& dicLines, ByteSink& output,
                      std::size_t bufferSize, ProcessSummary* summary) {
    Generated generated(levels, lists, tables);
    LineReader reader(input, bufferSize);
    // The output is written on a second thread while the walk goes on, unless the buffers are small (tests).
    constexpr std::size_t kBackgroundFrom = std::size_t{64} << 10;
    CrLfWriter writer(output, std::max<std::size_t>(bufferSize, 2), bufferSize >= kBackgroundFrom);
    StreamPlan plan(generated.texts, reader, writer);
    StreamSource source(reader, plan, facts.lastDictionaryEnd);
    Walk(source, plan, useDictionary, generated, nullptr, summary, false);
    plan.Finish();
    writer.Flush();

    if (generated.dictionaryBuilt) dicLines = std::move(generated.dicLines);
    tables = generated.tables;
}

}  // namespace stratex
