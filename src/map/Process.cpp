#include "map/Process.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "map/ByteScan.h"
#include "map/MapSyntax.h"
#include "map/ProcessWalk.h"
#include "text/Error.h"
#include "text/Integer.h"
#include "text/Strings.h"
#include "types/ObjectKind.h"

namespace stratex {
namespace {

using namespace processwalk;

constexpr std::string_view kWaitStatus = "Изменение конечного уровня объектов. Пожалуйста подождите...";
constexpr std::string_view kDoneStatus = "Изменение OK";

// The lines that the pass has not examined yet, in list order: the generated header lines still waiting
// to be examined, then the rest of the input text (lines each followed by "\n"). Taking and removing
// lines both consume from here, so the pass never moves text that lies ahead of it.
class LineSource {
public:
    using Line = SourceLine;
    // A line's text stays where it is for the whole pass.
    static constexpr bool kLinesStayPut = true;

    // With start, the lines from that offset on, past the header part (the later part of a map walked in
    // two parts side by side).
    LineSource(std::string_view input, std::uint64_t inputLines, std::size_t start = 0)
        : input_(input), inputLines_(inputLines), pos_(start), nextBracket_(FindInput(start, '[')),
          inHeader_(start == 0) {}

    bool AtEnd() const { return !injected_.Waiting() && pos_ >= input_.size(); }
    // How many input lines were taken or removed: the 1-based number of the last input line taken.
    std::uint64_t InputLinesTaken() const { return takenInput_; }
    std::uint64_t RemainingLines() const { return injected_.Remaining() + (inputLines_ - takenInput_); }

    Line Take() {
        if (injected_.Waiting()) return injected_.Take();
        const std::size_t start = pos_;
        const auto [end, bracket] = Locate(start);
        const std::string_view text = input_.substr(start, end - start);
        const bool header = inHeader_;
        if (inHeader_ && bracket != kNone && Contains(text.substr(bracket), mapsyntax::kHeaderEnd)) inHeader_ = false;
        pos_ = end + 1;
        ++takenInput_;
        return {text, header, -1, bracket, start};
    }

    // Outside the header part, appends the next input lines to plan at once while they are plain (see
    // mapsyntax::kNotPlainFirst): the walk would only append them. Returns how many it took.
    template <typename Plan>
    std::uint64_t TakePlain(Plan& plan) {
        if (inHeader_ || injected_.Waiting()) return 0;
        const std::uint64_t before = takenInput_;
        while (pos_ < input_.size() && !mapsyntax::kNotPlainTable[static_cast<unsigned char>(input_[pos_])]) {
            const std::size_t start = pos_;
            const auto [end, bracket] = Locate(start);
            if (bracket != kNone) break;
            if (takenInput_ == before) plan.KeepLevelKeys();
            plan.AppendInput(start, end - start, 1, false);
            pos_ = end + 1;
            ++takenInput_;
        }
        return takenInput_ - before;
    }

    // Lines (*lines)[from..] stand in front of the remaining input and are examined next. Only called while
    // none are waiting; lines must outlive the pass.
    void Inject(const std::vector<std::string>& lines, std::size_t from) {
        injected_.Inject(lines, from);
    }

    // Removes the rest of a dictionary section whose opening line (already taken) is current: through the
    // first line, current included, that holds an end marker; with no marker anywhere ahead, up to the next
    // line beginning with "[" (object sections never go with it) or to the end.
    void RemoveDictionarySection(std::string_view current) {
        if (mapsyntax::EndsDictionaryForRemoval(current)) return;
        bool markerAhead = injected_.HoldsDictionaryEnd();
        const std::size_t inputMarkerEnd = NextInputMarkerEnd();
        markerAhead = markerAhead || inputMarkerEnd != kNone;

        if (injected_.RemoveDictionaryLines(markerAhead)) return;
        if (markerAhead) {
            SkipInputTo(inputMarkerEnd);
        } else if (pos_ < input_.size() && input_[pos_] != '[') {
            const std::size_t bracketLine = input_.find("\n[", pos_);
            SkipInputTo(bracketLine == kNone ? input_.size() : bracketLine + 1);
        }
    }

    // The next line, not taken; only when !AtEnd().
    std::string_view Peek() const {
        if (injected_.Waiting()) return injected_.Peek();
        return input_.substr(pos_, FindInput(pos_, '\n') - pos_);
    }

private:
    // The input line starting at start: the offset of its "\n" and of its first "[" within it (or kNone).
    // The next "[" is searched for only once the walk has passed the previous one.
    std::pair<std::size_t, std::size_t> Locate(std::size_t start) {
        const std::size_t end = FindInput(start, '\n');
        if (nextBracket_ < start) nextBracket_ = FindInput(start, '[');
        return {end, nextBracket_ < end ? nextBracket_ - start : kNone};
    }

    // Offset of the first c at or after from in the input, or the input's size.
    std::size_t FindInput(std::size_t from, char c) const {
        const char* data = input_.data();
        return static_cast<std::size_t>(bytescan::Find(data + from, data + input_.size(), c) - data);
    }

    void SkipInputTo(std::size_t end) {
        const std::string_view skipped = input_.substr(pos_, end - pos_);
        if (inHeader_ && Contains(skipped, mapsyntax::kHeaderEnd)) inHeader_ = false;
        takenInput_ += static_cast<std::uint64_t>(std::count(skipped.begin(), skipped.end(), '\n'));
        pos_ = end;
    }

    // Offset just past the first input line at or after the current position that holds an end marker, or
    // kNone. The answer is kept: the position only moves forward, so the input is searched once overall.
    std::size_t NextInputMarkerEnd() {
        if (markerSearched_ && (markerEnd_ == kNone || markerStart_ >= pos_)) return markerEnd_;
        markerSearched_ = true;
        markerStart_ = markerEnd_ = kNone;
        std::size_t at = pos_;
        while (at < input_.size()) {
            const std::size_t bracket = input_.find('[', at);
            if (bracket == kNone) break;
            if (mapsyntax::BeginsDictionaryEndMarker(input_.substr(bracket))) {
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
    std::uint64_t takenInput_ = 0;
    std::size_t nextBracket_;  // the first "[" at or after some position not past pos_
    bool inHeader_;  // no input line holding "[END-IMG ID]" taken yet
    InjectedLines injected_;
    bool markerSearched_ = false;
    std::size_t markerStart_ = kNone;
    std::size_t markerEnd_ = kNone;
};

// A piece of the result: a run of input bytes (whole lines with their "\n"), then one text line or none.
struct Piece {
    std::uint64_t start;
    std::uint32_t length;
    std::int32_t text;
};

// A line of the result that a later step may change or put a line in front of: where it stands in the
// result, its length without "\n", and whether it is input (source: its input offset) or the text of a
// piece (source: the piece's index).
struct LineRef {
    std::size_t at = 0;
    std::size_t length = 0;
    bool isText = false;
    std::size_t source = 0;
};

// Plans the result as pieces while the pass walks the input, with the result's size, line count and line
// index, so that the result can be written afterwards in one sweep without walking the lines again.
class Planner {
public:
    // The plan of a later part (see Absorb) indexes every kLaterIndexStep-th line of its own: which of its
    // lines the text's index needs depends on the lines before it, not known while it is planned.
    static constexpr std::uint64_t kLaterIndexStep = 8;
    static_assert(MapText::kIndexStep % kLaterIndexStep == 0);

    Planner(const Texts& texts, std::uint64_t inputLines, bool laterPart = false)
        : texts_(texts), indexMask_((laterPart ? kLaterIndexStep : MapText::kIndexStep) - 1) {
        // Reserved, not touched: a map needs about one piece per object.
        pieces_.reserve(static_cast<std::size_t>(inputLines / 4) + 16);
        index_.reserve(static_cast<std::size_t>(inputLines / (indexMask_ + 1)) + 2);
    }

    std::size_t size() const { return size_; }  // where the next line starts
    std::uint64_t lines() const { return lines_; }
    const LineRef& last() const { return last_; }
    // The pieces in order: those planned here, then those of the plan absorbed.
    std::array<const std::vector<Piece>*, 2> pieces() const { return {&pieces_, &laterPieces_}; }
    std::vector<std::size_t>& index() { return index_; }

    // The input line at offset start, length bytes without its "\n" (the text always ends lines with one).
    void AppendInput(std::uint64_t start, std::size_t length, std::uint8_t /*endLength*/, bool /*crLf*/) {
        const auto at = static_cast<std::size_t>(start);
        if (at != runEnd_) {
            CloseRun(kNoText);
            runStart_ = runEnd_ = at;
        }
        runEnd_ = at + length + 1;
        NewLine({size_, length, false, at});
    }

    void AppendText(std::int32_t text) {
        CloseRun(text);
        NewLine({size_, texts_.Length(text), true, pieces_.size() - 1});
    }

    // Puts text in front of the last line; at the start when there is none.
    void InsertBeforeLast(std::int32_t text) {
        const std::size_t n = texts_.Length(text) + 1;
        if (lines_ == 0) {
            CloseRun(text);
            index_.push_back(0);
        } else {
            PlaceBefore(last_, false, text);
            // The last line moves on by one line number.
            if ((lines_ & indexMask_) == 0) index_.push_back(last_.at + n);
            last_.at += n;
        }
        ++lines_;
        size_ += n;
    }

    // Replaces line, an earlier line of the result, by text.
    void Replace(const LineRef& line, std::int32_t text) {
        PlaceBefore(line, true, text);
        const std::size_t newLength = texts_.Length(text);
        size_ = size_ + newLength - line.length;
        if (last_.at > line.at) last_.at = last_.at + newLength - line.length;
        // The lines behind it move with their text.
        for (auto entry = index_.rbegin(); entry != index_.rend() && *entry > line.at; ++entry) {
            *entry = *entry + newLength - line.length;
        }
    }

    // The EndLevel line that the next object end replaces: the last line, from now on.
    void MarkEndLevel() { endLevel_ = last_; }
    bool HasEndLevel() const { return endLevel_.has_value(); }
    void ReplaceEndLevel(std::int32_t text) { Replace(*endLevel_, text); }
    void ForgetEndLevel() { endLevel_.reset(); }

    // Removes line, an earlier input line of the result. Line numbers behind it change, so the index no
    // longer fits the result: it is built afresh from the written text (rare: stray header level keys).
    void Drop(const LineRef& line) {
        PlaceBefore(line, true, kNoText);
        size_ -= line.length + 1;
        --lines_;
        indexStale_ = true;
    }
    bool indexStale() const { return indexStale_; }

    // Level keys of the header part met before its first "Levels=" line: held until that line drops them,
    // or kept once the header part ends without one.
    void HoldLevelKey() { levelKeys_.push_back(last_); }
    void DropLevelKeys() {
        for (const LineRef& key : levelKeys_) Drop(key);
        levelKeys_.clear();
    }
    void KeepLevelKeys() { levelKeys_.clear(); }

    void Finish() { CloseRun(kNoText); }

    // Appends to index (this plan's, with the room Absorb made in it) the entries of the lines that Absorb
    // added, once the result stands in text.
    void IndexAbsorbed(std::string_view text, std::vector<std::size_t>& index) const {
        if (!absorbed_) return;
        // The later plan's line k is line absorbed_->line + k of the result.
        for (std::uint64_t k = FirstAbsorbedEntry(); k < absorbed_->lines; k += MapText::kIndexStep) {
            std::size_t at = absorbed_->at + absorbed_->index[static_cast<std::size_t>(k / kLaterIndexStep)];
            for (std::uint64_t n = k % kLaterIndexStep; n > 0; --n) {
                at = static_cast<std::size_t>(bytescan::Find(text.data() + at, text.data() + text.size(), '\n') -
                                              text.data()) + 1;
            }
            index.push_back(at);
        }
    }

    // Takes over the plan of the rest of the input, walked on its own, as if this plan had gone on through
    // it (its pieces stay where they are). Both plans are finished; textOf gives this plan's number of a text
    // that the later plan names.
    template <typename TextOf>
    void Absorb(Planner& later, TextOf&& textOf) {
        absorbed_ = Absorbed{size_, lines_, later.lines_, std::move(later.index_)};
        // The entries go in once the result is written, when nothing may fail any more: their room is made now.
        const std::uint64_t first = FirstAbsorbedEntry();
        const std::uint64_t entries =
            first < later.lines_ ? (later.lines_ - first + MapText::kIndexStep - 1) / MapText::kIndexStep : 0;
        index_.reserve(index_.size() + static_cast<std::size_t>(entries));
        laterPieces_ = std::move(later.pieces_);
        for (Piece& piece : laterPieces_) {
            if (piece.text != kNoText) piece.text = textOf(piece.text);
        }
        size_ += later.size_;
        lines_ += later.lines_;
        indexStale_ = indexStale_ || later.indexStale_;
    }

private:
    static constexpr std::size_t kMaxRun = 0x7FFFFFFF;

    // The first of the absorbed lines whose line number in the result is a multiple of the index step.
    std::uint64_t FirstAbsorbedEntry() const {
        return (MapText::kIndexStep - absorbed_->line % MapText::kIndexStep) % MapText::kIndexStep;
    }

    void NewLine(const LineRef& line) {
        if ((lines_ & indexMask_) == 0) index_.push_back(line.at);
        ++lines_;
        last_ = line;
        size_ += line.length + 1;
    }

    // Ends the open run with text (or none); the next run starts where it ended.
    void CloseRun(std::int32_t text) {
        PushRun(runStart_, runEnd_ - runStart_, text);
        runStart_ = runEnd_;
    }

    // Pieces for length bytes of input from start followed by text; a run longer than a piece holds goes
    // into several.
    void PushRun(std::size_t start, std::size_t length, std::int32_t text) {
        for (; length > kMaxRun; start += kMaxRun, length -= kMaxRun) {
            pieces_.push_back({start, static_cast<std::uint32_t>(kMaxRun), kNoText});
        }
        if (length > 0 || text != kNoText) pieces_.push_back({start, static_cast<std::uint32_t>(length), text});
    }

    // Puts text where line starts; with drop, line itself goes.
    void PlaceBefore(const LineRef& line, bool drop, std::int32_t text) {
        if (line.isText) {
            Piece& piece = pieces_[line.source];
            if (drop) {
                piece.text = text;
            } else {
                const Piece behind{piece.start + piece.length, 0, piece.text};
                piece.text = text;
                InsertPiece(line.source + 1, behind);
            }
            return;
        }
        const std::size_t resume = line.source + (drop ? line.length + 1 : 0);
        if (line.source >= runStart_) {
            PushRun(runStart_, line.source - runStart_, text);
            runStart_ = resume;
            return;
        }
        // The line lies in a closed piece (a generated line followed it within the object): split that piece.
        std::size_t k = pieces_.size();
        while (k > 0 && pieces_[k - 1].start > line.source) --k;
        Piece& piece = pieces_[k - 1];
        const Piece behind{resume, static_cast<std::uint32_t>(piece.start + piece.length - resume), piece.text};
        piece.length = static_cast<std::uint32_t>(line.source - piece.start);
        piece.text = text;
        InsertPiece(k, behind);
    }

    void InsertPiece(std::size_t at, const Piece& piece) {
        pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(at), piece);
        if (last_.isText && last_.source >= at) ++last_.source;
    }

    const Texts& texts_;
    std::vector<Piece> pieces_;
    std::vector<Piece> laterPieces_;  // the absorbed plan's
    std::vector<std::size_t> index_;
    std::uint64_t indexMask_;  // a line whose number has none of these bits set gets an index entry
    std::size_t runStart_ = 0;  // the open run of input lines not yet put into a piece
    std::size_t runEnd_ = 0;
    std::size_t size_ = 0;
    std::uint64_t lines_ = 0;
    LineRef last_;
    std::optional<LineRef> endLevel_;
    bool indexStale_ = false;
    // The lines that Absorb added: where the first starts in the result, its line number, how many there
    // are, and the later plan's index of them (offsets from the first).
    struct Absorbed {
        std::size_t at;
        std::uint64_t line;
        std::uint64_t lines;
        std::vector<std::size_t> index;
    };
    std::optional<Absorbed> absorbed_;
    std::vector<LineRef> levelKeys_;
};

}  // namespace

std::int32_t ObjectEndLevel(const TypeLists& lists, ObjectKind kind, std::string_view typeText) {
    return lists.Of(kind).GetTypeLevel(NormalisedTypeCode(kind, ReadInteger(typeText)));
}

namespace {

// A line where the map in memory may be cut in two for the walk.
struct Cut {
    std::size_t offset = 0;
    std::uint64_t line = 0;
};

// The first line at or after the middle of text that begins with a section opener, looked for in the next
// lines only; nothing when there is none there, or the header part does not end before it (the parts would
// not join).
std::optional<Cut> FindCut(const MapText& text) {
    constexpr std::uint64_t kLinesLookedAt = std::uint64_t{1} << 16;
    const std::size_t headerEnd = text.Buffer().find(mapsyntax::kHeaderEnd);
    MapText::Cursor cursor(text, text.LineCount() / 2);
    for (std::uint64_t n = 0; n < kLinesLookedAt && !cursor.AtEnd(); ++n, cursor.Next()) {
        const std::string_view line = cursor.Line();
        if (!mapsyntax::ClassifyLine(line).opens) continue;
        const auto offset = static_cast<std::size_t>(line.data() - text.Buffer().data());
        if (headerEnd >= offset) break;
        return Cut{offset, cursor.index()};
    }
    return std::nullopt;
}

// The progress of the earlier part, which also counts the lines that the later part has come through.
class EarlierPartProgress : public Progress {
public:
    EarlierPartProgress(Progress& whole, std::uint64_t laterLines, const std::atomic<std::uint64_t>& laterDone)
        : whole_(whole), laterLines_(laterLines), laterDone_(laterDone) {}
    void SetStatus(std::string_view text) override { whole_.SetStatus(text); }
    void SetProgress(std::uint64_t maximum, std::uint64_t position) override {
        whole_.SetProgress(maximum + laterLines_, position + laterDone_.load(std::memory_order_relaxed));
    }

private:
    Progress& whole_;
    std::uint64_t laterLines_;
    const std::atomic<std::uint64_t>& laterDone_;
};

// The progress of the later part: only how far it has come, for the earlier part to show.
class LaterPartProgress : public Progress {
public:
    explicit LaterPartProgress(std::atomic<std::uint64_t>& done) : done_(done) {}
    void SetStatus(std::string_view) override {}
    void SetProgress(std::uint64_t, std::uint64_t position) override {
        done_.store(position, std::memory_order_relaxed);
    }

private:
    std::atomic<std::uint64_t>& done_;
};

// Walks the map in memory in two parts side by side, cut at cut: the earlier part here into plan, the later
// one on a second thread with texts of its own (later, which must outlive plan); plan and generated are
// fresh. Neither part reads what the other writes. The parts join where the one walk would have gone on
// into the later part as the later part's own walk began: past the header part (the cut lies behind its
// end), with no EndLevel line waiting for the end of its object, and no object after the cut that takes its
// type from before it. Then plan holds the whole plan and last the figures of the one walk's last iteration,
// or the failure that the one walk meets is thrown (summary counting what the one walk counts). Otherwise
// returns false, with summary as it was; plan and generated are then of no further use.
bool WalkInParts(const MapText& text, const Cut& cut, Generated& generated, Generated& later, Planner& plan,
                 LastIteration& last, Progress* progress, ProcessSummary* summary) {
    const std::string_view input = text.Buffer();
    const std::uint64_t laterLines = text.LineCount() - cut.line;
    std::atomic<std::uint64_t> laterDone{0};
    LaterPartProgress laterProgress(laterDone);
    Planner laterPlan(later.texts, laterLines, true);
    ProcessSummary laterSummary;
    LastIteration laterLast;
    std::exception_ptr laterFailure;
    std::thread laterWalk;
    try {
        laterWalk = std::thread([&] {
            try {
                LineSource source(input, laterLines, cut.offset);
                laterLast = Walk(source, laterPlan, false, later, progress ? &laterProgress : nullptr,
                                 summary ? &laterSummary : nullptr, true);
                laterPlan.Finish();
            } catch (...) {
                laterFailure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        return false;  // no second thread to be had
    }

    ProcessSummary earlierSummary;
    std::exception_ptr earlierFailure;
    bool joins = false;
    try {
        LineSource source(input.substr(0, cut.offset), cut.line);
        std::optional<EarlierPartProgress> earlierProgress;
        if (progress) earlierProgress.emplace(*progress, laterLines, laterDone);
        Walk(source, plan, false, generated, earlierProgress ? &*earlierProgress : nullptr,
             summary ? &earlierSummary : nullptr, false);
        joins = !plan.HasEndLevel();
        plan.Finish();
    } catch (...) {
        earlierFailure = std::current_exception();
    }
    laterWalk.join();

    if (earlierFailure) {
        if (summary) summary->Add(earlierSummary);
        std::rethrow_exception(earlierFailure);
    }
    if (!joins || laterLast.needsEarlierLines) return false;
    if (summary) {
        summary->Add(earlierSummary);
        summary->Add(laterSummary);
    }
    if (laterFailure) RethrowMovedBy(laterFailure, cut.line);
    const std::uint64_t earlierLines = plan.lines();
    std::vector<std::int32_t> textOf(static_cast<std::size_t>(later.texts.Next()), kNoText);
    plan.Absorb(laterPlan, [&](std::int32_t laterText) {
        std::int32_t& mine = textOf[static_cast<std::size_t>(laterText)];
        if (mine == kNoText) mine = generated.texts.Add(later.texts[laterText]);
        return mine;
    });
    last = laterLast;
    last.position += earlierLines;
    last.maximum += earlierLines;
    return true;
}

}  // namespace

void ProcessMap(MapText& text, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                DictionaryTables& tables, LineList& dicLines, Progress* progress, ProcessSummary* summary,
                std::size_t splitFrom, bool* inParts) {
    if (progress) progress->SetStatus(kWaitStatus);
    if (inParts) *inParts = false;

    // The walk only plans the result, as pieces of input and text lines, and meets every failure while
    // nothing has changed yet. Then the result is written in place, so a map needs memory for itself, its
    // growth and the plan, not for a second copy.
    std::optional<Generated> generated;
    std::optional<Planner> plan;
    const auto start = [&] {
        generated.emplace(levels, lists, tables);
        plan.emplace(generated->texts, text.LineCount());
    };
    start();
    const std::size_t inputSize = text.Buffer().size();
    LastIteration last;
    // A large map is walked in two parts side by side where the machine can run them; with the dictionary
    // option the later part would depend on the sections removed before it. The later part's texts live as
    // long as the plan that names them.
    std::optional<Generated> later;
    bool walked = false;
    if (!useDictionary && inputSize >= splitFrom && std::thread::hardware_concurrency() != 1) {
        if (const std::optional<Cut> cut = FindCut(text)) {
            later.emplace(levels, lists, tables);
            try {
                walked = WalkInParts(text, *cut, *generated, *later, *plan, last, progress, summary);
            } catch (...) {
                if (inParts) *inParts = true;
                throw;
            }
            if (inParts) *inParts = walked;
            if (!walked) start();
        }
    }
    if (!walked) {
        LineSource source(text.Buffer(), text.LineCount());
        last = Walk(source, *plan, useDictionary, *generated, progress, summary, false);
        plan->Finish();
    }

    // How far a piece is written ahead of its input (lead), and whether any is written behind it.
    std::size_t lead = 0;
    bool behind = false;
    std::size_t size = 0;
    const auto pieces = plan->pieces();
    for (const std::vector<Piece>* run : pieces) {
        for (const Piece& piece : *run) {
            if (piece.length > 0) {
                if (size > piece.start) lead = std::max<std::size_t>(lead, size - piece.start);
                behind = behind || size < piece.start;
            }
            size += piece.length + (piece.text == kNoText ? 0 : generated->texts.Length(piece.text) + 1);
        }
    }
    // When no piece is written behind its input (the map only grows), the pieces are written from the last
    // to the first where they stand; otherwise the input first moves back by the lead and the pieces are
    // written from the first.
    const bool fromTheBack = !behind;
    const std::size_t room = fromTheBack ? std::max(inputSize, size) : std::max(inputSize + lead, size);
    const std::uint64_t lineCount = plan->lines();
    MapText::Parts parts = text.Release();
    try {
        parts.buffer.reserve(room);
    } catch (...) {
        text = MapText::FromParts(std::move(parts));
        throw;
    }
    // Nothing below allocates or fails. Writing in the chosen order overwrites only input already moved.
    parts.buffer.resize(room);
    char* data = parts.buffer.data();
    if (fromTheBack) {
        char* out = data + size;
        for (auto run = pieces.rbegin(); run != pieces.rend(); ++run) {
            for (auto piece = (*run)->rbegin(); piece != (*run)->rend(); ++piece) {
                if (piece->text != kNoText) {
                    const std::string_view line = generated->texts[piece->text];
                    out -= line.size() + 1;
                    std::memcpy(out, line.data(), line.size());
                    out[line.size()] = '\n';
                }
                out -= piece->length;
                if (out != data + piece->start) std::memmove(out, data + piece->start, piece->length);
            }
        }
    } else {
        if (lead > 0) std::memmove(data + lead, data, inputSize);
        const char* in = data + lead;
        char* out = data;
        for (const std::vector<Piece>* run : pieces) {
            for (const Piece& piece : *run) {
                std::memmove(out, in + piece.start, piece.length);
                out += piece.length;
                if (piece.text != kNoText) {
                    const std::string_view line = generated->texts[piece.text];
                    std::memcpy(out, line.data(), line.size());
                    out[line.size()] = '\n';
                    out += line.size() + 1;
                }
            }
        }
    }
    parts.buffer.resize(size);
    if (plan->indexStale()) {
        text = MapText::FromNormalised(std::move(parts.buffer));
    } else {
        parts.index = std::move(plan->index());
        plan->IndexAbsorbed(parts.buffer, parts.index);
        parts.lineCount = lineCount;
        text = MapText::FromParts(std::move(parts));
    }

    if (generated->dictionaryBuilt) dicLines = std::move(generated->dicLines);
    tables = generated->tables;

    if (progress) {
        if (last.iterated) progress->SetProgress(last.maximum, last.position);
        progress->SetStatus(kDoneStatus);
    }
}

}  // namespace stratex
