#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "map/CrLfWriter.h"
#include "map/LineReader.h"
#include "map/MapSyntax.h"
#include "map/Process.h"
#include "map/ProcessWalk.h"
#include "text/Error.h"
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

    // inHeader: the first line belongs to the header part (the source starts at the start of the map).
    StreamSource(LineReader& reader, StreamPlan& plan, std::optional<std::uint64_t> lastDictionaryEnd,
                 bool inHeader = true)
        : reader_(reader), plan_(plan), lastDictionaryEnd_(lastDictionaryEnd), inHeader_(inHeader) {}

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
    bool inHeader_;
    InjectedLines injected_;
    std::uint64_t taken_ = 0;
};

// The one walk of the stream: the whole input through one reader, the result written as it comes.
// A walk that starts at an opener past the header part is given the type carried into it, and inHeader false.
void WalkStream(ByteSource& input, const StreamFacts& facts, const LevelsTable& levels, const TypeLists& lists,
                bool useDictionary, DictionaryTables& tables, LineList& dicLines, ByteSink& output,
                std::size_t bufferSize, ProcessSummary* summary, bool inHeader = true,
                const CarriedType& carried = {}) {
    Generated generated(levels, lists, tables);
    LineReader reader(input, bufferSize);
    // The output is written on a second thread while the walk goes on, unless the buffers are small (tests).
    constexpr std::size_t kBackgroundFrom = std::size_t{64} << 10;
    CrLfWriter writer(output, std::max<std::size_t>(bufferSize, 2), bufferSize >= kBackgroundFrom);
    StreamPlan plan(generated.texts, reader, writer);
    StreamSource source(reader, plan, facts.lastDictionaryEnd, inHeader);
    Walk(source, plan, useDictionary, generated, nullptr, summary, false, carried);
    plan.Finish();
    writer.Flush();

    if (generated.dictionaryBuilt) dicLines = std::move(generated.dicLines);
    tables = generated.tables;
}

// Bytes in memory, lent to a LineReader where they stand.
class BlockSource : public ByteSource {
public:
    explicit BlockSource(std::string_view block) : block_(block) {}
    std::size_t Read(char*, std::size_t) override { return 0; }
    bool Borrowable() const override { return true; }
    std::string_view Borrow(std::size_t) override { return block_; }

private:
    std::string_view block_;
};

// The bytes of prefix, then the rest of another source.
class PrefixedSource : public ByteSource {
public:
    PrefixedSource(std::string_view prefix, ByteSource& rest) : prefix_(prefix), rest_(rest) {}
    std::size_t Read(char* into, std::size_t max) override {
        if (prefix_.empty()) return rest_.Read(into, max);
        const std::size_t n = std::min(max, prefix_.size());
        std::memcpy(into, prefix_.data(), n);
        prefix_.remove_prefix(n);
        return n;
    }

private:
    std::string_view prefix_;
    ByteSource& rest_;
};

// A stretch of the map from an opener (or the start) to the next segment's opener (or the end), walked on
// its own into a result of its own.
struct Segment {
    std::string input;  // its bytes are input[0, size); the rest of the string is room kept for the next use
    std::size_t size = 0;
    bool first = false;  // starts at the start of the map, header part and all

    // What the walk gave.
    StringSink output;
    std::uint64_t lines = 0;         // input lines walked
    bool endsClean = false;          // no EndLevel line waits at the end for the end of its object
    bool needsEarlierLines = false;  // stopped at an object that takes its type from before the segment
    CarriedType type;                // as the walk left it
    ProcessSummary summary;
    std::exception_ptr failure;
    bool walked = false;  // guarded by the walkers' lock

    std::string_view Bytes() const { return {input.data(), size}; }

    // Makes room for n more bytes behind the segment's bytes.
    void Reserve(std::size_t n) {
        if (input.size() - size < n) input.resize(size + std::max(n, size / 2));
    }

    void Append(std::string_view bytes) {
        Reserve(bytes.size());
        std::memcpy(input.data() + size, bytes.data(), bytes.size());
        size += bytes.size();
    }

    // Gives back the memory of a segment that grew far past the usual size (one huge object).
    void Trim(std::size_t usual) {
        if (input.size() > 4 * usual) std::string().swap(input);
        if (output.bytes.capacity() > 4 * usual) std::string().swap(output.bytes);
    }
};

// What every segment's walk reads.
struct SegmentContext {
    const LevelsTable& levels;
    const TypeLists& lists;
    const DictionaryTables& tables;
    bool counted;  // a summary is kept
};

// Walks segment into its own result. A segment other than the first is walked as a later part (stopping at
// an object that would take its type from before it) unless carried gives the type carried into it.
void WalkSegment(Segment& segment, const SegmentContext& context, const CarriedType* carried) {
    constexpr std::size_t kStaging = std::size_t{64} << 10;
    segment.output.bytes.clear();
    segment.output.bytes.reserve(segment.size + segment.size / 8);
    segment.summary = ProcessSummary{};
    segment.failure = nullptr;
    segment.needsEarlierLines = false;
    segment.endsClean = false;
    Generated generated(context.levels, context.lists, context.tables);
    BlockSource block(segment.Bytes());
    LineReader reader(block);
    CrLfWriter writer(segment.output, kStaging);
    StreamPlan plan(generated.texts, reader, writer);
    StreamSource source(reader, plan, std::nullopt, segment.first);
    try {
        const bool laterPart = !segment.first && carried == nullptr;
        const LastIteration last =
            Walk(source, plan, false, generated, nullptr, context.counted ? &segment.summary : nullptr, laterPart,
                 carried ? *carried : CarriedType{});
        segment.needsEarlierLines = last.needsEarlierLines;
        segment.endsClean = !plan.HasEndLevel();
        segment.type = last.type;
        if (!last.needsEarlierLines) {
            plan.Finish();
            writer.Flush();
        }
    } catch (...) {
        segment.failure = std::current_exception();
    }
    segment.lines = source.InputLinesTaken();
}

// Threads that walk the segments handed to them, in the order handed.
class SegmentWalkers {
public:
    SegmentWalkers(std::size_t count, const SegmentContext& context) : context_(context) {
        try {
            for (std::size_t k = 0; k < count; ++k) threads_.emplace_back([this] { Run(); });
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~SegmentWalkers() { Stop(); }

    SegmentWalkers(const SegmentWalkers&) = delete;
    SegmentWalkers& operator=(const SegmentWalkers&) = delete;

    void Hand(Segment& segment) {
        {
            const std::lock_guard lock(mutex_);
            queue_.push_back(&segment);
            segment.walked = false;
        }
        work_.notify_one();
    }

    // Lets each thread finish the segment it walks and ends them; the segments still waiting stay unwalked.
    void Stop() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        work_.notify_all();
        for (std::thread& thread : threads_) thread.join();
        threads_.clear();
    }

    // Waits until segment, handed over, has been walked.
    void Wait(Segment& segment) {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return segment.walked; });
    }

private:
    void Run() {
        for (;;) {
            Segment* segment = nullptr;
            {
                std::unique_lock lock(mutex_);
                work_.wait(lock, [&] { return stop_ || !queue_.empty(); });
                if (stop_) return;
                segment = queue_.front();
                queue_.pop_front();
            }
            WalkSegment(*segment, context_, nullptr);
            {
                const std::lock_guard lock(mutex_);
                segment->walked = true;
            }
            done_.notify_all();
        }
    }

    const SegmentContext& context_;
    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::deque<Segment*> queue_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

// Reads the input into segments. A segment ends before the first line at or after segmentSize bytes into
// it that begins with a section opener, and the first one only past the line that ends the header part
// (the first that holds "[END-IMG ID]"), so that every later segment starts as a later part's walk may.
class SegmentReader {
public:
    enum class Got { kSegment, kEnded, kTooLong };

    // A segment grows to at most limit bytes while its cut is looked for.
    SegmentReader(ByteSource& input, std::size_t segmentSize, std::size_t limit)
        : input_(input), segmentSize_(segmentSize), limit_(limit) {}

    // Reads the next segment into segment. kEnded when the input has ended (after the first segment, which
    // may be empty); kTooLong when the segment has reached the limit with no cut in sight, segment holding
    // the bytes read.
    Got Next(Segment& segment) {
        if (ended_ && rest_.empty() && !first_) return Got::kEnded;
        segment.first = first_;
        segment.size = 0;
        segment.Append(rest_);
        rest_.clear();
        // Where a cut may lie: at or after from (none yet while the header's end is still to come).
        std::size_t from = first_ ? kNone : segmentSize_;
        std::size_t headerLooked = 0;
        std::size_t scanned = 0;
        for (;;) {
            if (from == kNone) {
                const std::string_view bytes = segment.Bytes();
                const std::size_t back = mapsyntax::kHeaderEnd.size() - 1;
                const std::size_t at = bytes.find(mapsyntax::kHeaderEnd, headerLooked > back ? headerLooked - back : 0);
                if (at != kNone) {
                    from = std::max(at + mapsyntax::kHeaderEnd.size(), segmentSize_);
                } else {
                    headerLooked = segment.size;
                }
            }
            if (from != kNone) {
                scanned = std::max(scanned, from);
                if (const std::optional<std::size_t> cut = FindCut(segment, scanned)) {
                    rest_.assign(segment.input.data() + *cut, segment.size - *cut);
                    segment.size = *cut;
                    first_ = false;
                    return Got::kSegment;
                }
            }
            if (ended_) {
                first_ = false;
                return Got::kSegment;
            }
            if (segment.size >= limit_) return Got::kTooLong;
            // Up to the segment's size at once, then a little at a time until the cut turns up, so that few
            // bytes are read behind it and copied into the next segment.
            constexpr std::size_t kReadOn = std::size_t{64} << 10;
            const std::size_t want = segment.size < segmentSize_ ? segmentSize_ - segment.size : kReadOn;
            segment.Reserve(want);
            const std::size_t got = input_.Read(segment.input.data() + segment.size, want);
            segment.size += got;
            if (got == 0) ended_ = true;
        }
    }

    // The bytes read behind the last segment; the reader is of no further use.
    std::string_view Rest() const { return rest_; }

private:
    // The start of the first line at or after scanned that begins with a section opener; scanned moves on to
    // where the search goes on once more bytes are read.
    std::optional<std::size_t> FindCut(const Segment& segment, std::size_t& scanned) const {
        const char* const data = segment.input.data();
        const char* const end = data + segment.size;
        while (scanned < segment.size) {
            const auto* bracket = static_cast<const char*>(std::memchr(data + scanned, '[', segment.size - scanned));
            if (!bracket) {
                scanned = segment.size;
                break;
            }
            const auto at = static_cast<std::size_t>(bracket - data);
            // A line starts behind a LF, and behind a CR that no LF follows ("[" does not).
            if (at == 0 || (data[at - 1] != '\n' && data[at - 1] != '\r')) {
                scanned = at + 1;
                continue;
            }
            const char* lineEnd = bytescan::FindLineEnd(bracket, end);
            if (lineEnd == end && !ended_) {
                scanned = at;  // the line may go on in bytes not read yet
                break;
            }
            if (mapsyntax::ClassifyLine(std::string_view(bracket, static_cast<std::size_t>(lineEnd - bracket))).opens) {
                return at;
            }
            scanned = static_cast<std::size_t>(lineEnd - data);
        }
        return std::nullopt;
    }

    ByteSource& input_;
    std::size_t segmentSize_;
    std::size_t limit_;
    std::string rest_;  // bytes read behind the last cut: the start of the next segment
    bool ended_ = false;
    bool first_ = true;
};

}  // namespace

void ProcessMapStream(ByteSource& input, const StreamFacts& facts, const LevelsTable& levels, const TypeLists& lists,
                      bool useDictionary, DictionaryTables& tables, LineList& dicLines, ByteSink& output,
                      std::size_t bufferSize, ProcessSummary* summary, std::size_t segmentSize) {
    // The segments are walked side by side, each as a later part. The results are written in order; each joins
    // the one before where the one walk would have gone on into it as its own walk began: no EndLevel line
    // waiting across the cut, and no object in it that takes its type from before it. Otherwise the two are
    // walked again as one, from the start of the earlier one, which gives what the one walk gives there.
    // Where a segment would grow too large (a huge object or header part, or segments that keep joining), the
    // rest of the map is walked in one, streamed, from the start of the segment not yet written.
    const DictionaryTables tablesBefore = tables;  // read by every walker: the walk of the rest assigns tables
    const SegmentContext context{levels, lists, tablesBefore, summary != nullptr};
    const std::size_t walkerCount = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
    // The segments and the context are declared before the walkers: on a failure the walkers are destroyed
    // first, and their threads, which may still be walking a segment, have stopped before either goes.
    std::vector<Segment> segments(walkerCount + 4);
    std::optional<SegmentWalkers> walkers;
    // With the dictionary option a later segment would depend on the sections removed before it.
    if (segmentSize > 0 && !useDictionary) {
        try {
            walkers.emplace(walkerCount, context);
        } catch (const std::system_error&) {
            // No threads to be had: nothing has been read yet, so the map is walked in one.
        }
    }
    if (!walkers) {
        WalkStream(input, facts, levels, lists, useDictionary, tables, dicLines, output, bufferSize, summary);
        return;
    }

    const std::size_t limit = 8 * segmentSize;
    std::deque<Segment*> idle;
    for (Segment& segment : segments) idle.push_back(&segment);
    std::deque<Segment*> walking;  // handed to the walkers, in the order of the map
    SegmentReader reader(input, segmentSize, limit);

    Segment* held = nullptr;        // the last segment joined, not written yet
    CarriedType carriedIn;          // the type carried into it
    std::uint64_t linesBefore = 0;  // input lines before it
    Segment* tooLong = nullptr;     // read up to the limit with no cut: the last segment read
    // A failure to read waits for the failures of Process in the segments before it, as in the one walk.
    std::exception_ptr readFailure;
    bool ended = false;

    const auto fail = [&](Segment& segment) {
        if (summary) summary->Add(segment.summary);
        RethrowMovedBy(segment.failure, linesBefore);
    };
    const auto write = [&](Segment& segment) {
        output.Write(segment.output.bytes);
        linesBefore += segment.lines;
        if (summary) summary->Add(segment.summary);
        if (segment.type.met) carriedIn = segment.type;
    };
    // The one walk from the start of from (held, or the segment too long) to the end of the map: from's bytes,
    // those read behind it, then the rest of the input.
    const auto walkRest = [&](Segment& from) {
        walkers->Stop();  // what they would still walk is walked again here
        for (Segment* behind : walking) from.Append(behind->Bytes());
        if (tooLong && tooLong != &from) from.Append(tooLong->Bytes());
        from.Append(reader.Rest());
        BlockSource nothing({});
        PrefixedSource rest(from.Bytes(), readFailure ? nothing : input);
        ProcessSummary counted;
        try {
            WalkStream(rest, {}, levels, lists, false, tables, dicLines, output, bufferSize,
                       summary ? &counted : nullptr, from.first, carriedIn);
        } catch (...) {
            if (summary) summary->Add(counted);
            RethrowMovedBy(std::current_exception(), linesBefore);
        }
        if (summary) summary->Add(counted);
        if (readFailure) std::rethrow_exception(readFailure);
    };

    for (;;) {
        while (!ended && !idle.empty()) {
            Segment& next = *idle.front();
            SegmentReader::Got got = SegmentReader::Got::kEnded;
            try {
                got = reader.Next(next);
            } catch (...) {
                readFailure = std::current_exception();
            }
            if (got == SegmentReader::Got::kEnded) {
                ended = true;
            } else if (got == SegmentReader::Got::kTooLong) {
                idle.pop_front();
                tooLong = &next;
                ended = true;
            } else {
                idle.pop_front();
                walking.push_back(&next);
                walkers->Hand(next);
            }
        }
        if (walking.empty()) break;
        Segment& next = *walking.front();
        walking.pop_front();
        walkers->Wait(next);
        if (!held) {
            held = &next;
            if (next.failure) fail(next);
            continue;
        }
        if (!held->endsClean || next.needsEarlierLines) {
            held->Append(next.Bytes());
            next.Trim(segmentSize);
            idle.push_back(&next);
            if (held->size > limit) {
                walkRest(*held);
                return;
            }
            WalkSegment(*held, context, held->first ? nullptr : &carriedIn);
            if (held->failure) fail(*held);
            continue;
        }
        write(*held);
        held->Trim(segmentSize);
        idle.push_back(held);
        held = &next;
        if (next.failure) fail(next);
    }
    if (tooLong) {
        if (held && held->endsClean) {
            write(*held);
            held = nullptr;
        }
        walkRest(held ? *held : *tooLong);
        return;
    }
    if (readFailure) std::rethrow_exception(readFailure);
    if (held) write(*held);
}

}  // namespace stratex
