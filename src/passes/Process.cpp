#include "passes/Process.h"

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

#include "bytes/CrLfWriter.h"
#include "bytes/Error.h"
#include "bytes/LineReader.h"
#include "grammar/MapSyntax.h"
#include "grammar/ObjectTracker.h"
#include "passes/Parallel.h"
#include "passes/ProcessWalk.h"

namespace stratex {
namespace {

using namespace processwalk;

// How one Process runs: what it reads besides the map, and where its result goes.
struct Run {
    const StreamFacts& facts;
    const LevelsTable& levels;
    const TypeLists& lists;
    bool useDictionary;
    DictionaryTables& tables;
    LineList& dicLines;
    // The result goes out as bytes with CR LF line ends, or, for the map in memory, into a plan of pieces.
    ByteSink* output;
    PiecePlan* plan;
    std::size_t bufferSize;
    ProcessSummary* summary;
    Progress* progress = nullptr;
    std::uint64_t inputSize = 0;
    std::vector<WrittenLevel>* written = nullptr;
};

// The one walk of the input through one reader, the result written as it comes (the input starting at
// offset base of the map). A walk that starts at an opener past the header part is given the tracker's
// state there (the type carried into it). On success the run's tables and dicLines get the walk's.
void WalkStream(ByteSource& input, const Run& run, const ProcessTracker& start = ProcessTracker(),
                std::uint64_t base = 0) {
    Generated generated(run.levels, run.lists, run.tables);
    LineReader reader(input, run.bufferSize);
    ProcessTracker tracker = start;
    const auto walk = [&](PlanOutput& output) {
        StreamPlan plan(generated.texts, output);
        StreamSource source(reader, plan, run.facts.lastDictionaryEnd, run.progress, run.inputSize);
        Walk(source, plan, tracker, generated, {run.useDictionary, run.summary, false, run.written});
        plan.Finish();
    };
    if (run.plan) {
        std::vector<Piece> pieces;
        PiecesOutput output(pieces, base);
        walk(output);
        run.plan->Append(pieces, generated.texts.All());
    } else {
        // The output is written on a second thread while the walk goes on, unless the buffers are small.
        constexpr std::size_t kBackgroundFrom = std::size_t{64} << 10;
        CrLfWriter writer(*run.output, std::max<std::size_t>(run.bufferSize, 2), run.bufferSize >= kBackgroundFrom);
        BytesOutput output(generated.texts, reader, writer);
        walk(output);
        writer.Flush();
    }
    if (generated.dictionaryBuilt) run.dicLines = std::move(generated.dicLines);
    run.tables = generated.tables;
}

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
    std::uint64_t offset = 0;  // of its first byte in the map
    bool first = false;        // starts at the start of the map, header part and all

    // What the walk gave: bytes, or pieces and their texts.
    StringSink output;
    std::vector<Piece> pieces;
    std::vector<std::string> texts;
    std::uint64_t lines = 0;                 // input lines walked
    bool endsClean = false;                  // no EndLevel line waits at the end for the end of its object
    bool needsEarlierLines = false;          // stopped at an object that takes its type from before the segment
    ProcessTracker tracker;  // as the walk left it
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
    bool counted;   // a summary is kept
    bool inPieces;  // the result is planned as pieces
};

// Walks segment into its own result. A segment other than the first is walked as a later part (stopping at
// an object that would take its type from before it) unless start gives the state that the lines before it
// leave.
void WalkSegment(Segment& segment, const SegmentContext& context, const ProcessTracker* start) {
    constexpr std::size_t kStaging = std::size_t{64} << 10;
    segment.output.bytes.clear();
    segment.pieces.clear();
    segment.summary = ProcessSummary{};
    segment.failure = nullptr;
    segment.needsEarlierLines = false;
    segment.endsClean = false;
    Generated generated(context.levels, context.lists, context.tables);
    TextSource block(segment.Bytes());
    LineReader reader(block);
    StringSink& bytes = segment.output;
    if (!context.inPieces) bytes.bytes.reserve(segment.size + segment.size / 8);
    CrLfWriter writer(bytes, kStaging);
    BytesOutput bytesOutput(generated.texts, reader, writer);
    PiecesOutput piecesOutput(segment.pieces, segment.offset);
    PlanOutput& output = context.inPieces ? static_cast<PlanOutput&>(piecesOutput) : bytesOutput;
    StreamPlan plan(generated.texts, output);
    StreamSource source(reader, plan, std::nullopt);
    segment.tracker = start ? *start : ProcessTracker(segment.first);
    try {
        const bool laterPart = !segment.first && start == nullptr;
        const bool whole = Walk(source, plan, segment.tracker, generated,
                                {false, context.counted ? &segment.summary : nullptr, laterPart});
        segment.needsEarlierLines = !whole;
        segment.endsClean = !plan.HasEndLevel();
        if (whole) {
            plan.Finish();
            writer.Flush();
            if (context.inPieces) segment.texts = generated.texts.All();
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
            for (std::size_t k = 0; k < count; ++k) threads_.push_back(StartPassThread([this] { Run(); }));
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
        segment.offset = next_;
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
                const std::size_t from0 = headerLooked > back ? headerLooked - back : 0;
                std::size_t at = mapsyntax::FindHeaderEnd(bytes.substr(from0));
                if (at != kNone) at += from0;
                if (at != kNone) {
                    from = std::max(at + mapsyntax::kHeaderEnd.size(), segmentSize_);
                } else {
                    headerLooked = segment.size;
                }
            }
            if (from != kNone) {
                scanned = std::max(scanned, from);
                if (const std::optional<std::size_t> cut = mapsyntax::FindSectionCut(segment.Bytes(), scanned, !ended_)) {
                    rest_.assign(segment.input.data() + *cut, segment.size - *cut);
                    segment.size = *cut;
                    next_ += segment.size;
                    first_ = false;
                    return Got::kSegment;
                }
            }
            if (ended_) {
                next_ += segment.size;
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
    ByteSource& input_;
    std::size_t segmentSize_;
    std::size_t limit_;
    std::string rest_;        // bytes read behind the last cut: the start of the next segment
    std::uint64_t next_ = 0;  // the offset of the next segment's first byte in the map
    bool ended_ = false;
    bool first_ = true;
};

// Process in segments: the segments are walked side by side, each as a later part, and their results
// written in order. Each joins the one before where the one walk would have gone on into it as its own walk
// began: no EndLevel line waiting across the cut, and no object in it that takes its type from before it.
// Otherwise the two are walked again as one, from the start of the earlier one, which gives what the one
// walk gives there. Where a segment would grow too large (a huge object or header part, or segments that
// keep joining), the rest of the map is walked in one, streamed, from the start of the segment not yet
// written.
class SegmentedProcess {
public:
    SegmentedProcess(ByteSource& input, const Run& run, std::size_t segmentSize, std::size_t walkerCount)
        : input_(input),
          run_(run),
          tablesBefore_(run.tables),
          context_{run.levels, run.lists, tablesBefore_, run.summary != nullptr, run.plan != nullptr},
          segmentSize_(segmentSize),
          segments_(walkerCount + 4),
          reader_(input, segmentSize, 8 * segmentSize) {
        walkers_.emplace(walkerCount, context_);  // throws std::system_error when no thread can be started
        for (Segment& segment : segments_) idle_.push_back(&segment);
    }

    void Process() {
        for (;;) {
            ReadAhead();
            if (walking_.empty()) break;
            Segment& next = *walking_.front();
            walking_.pop_front();
            walkers_->Wait(next);
            if (!held_) {
                Hold(next);
            } else if (!held_->endsClean || next.needsEarlierLines) {
                if (!Join(next)) return;
            } else {
                Write(*held_);
                Hold(next);
            }
        }
        if (tooLong_) {
            if (held_ && held_->endsClean) {
                Write(*held_);
                held_ = nullptr;
            }
            return WalkRest(held_ ? *held_ : *tooLong_);
        }
        if (readFailure_) std::rethrow_exception(readFailure_);
        if (held_) Write(*held_);
    }

private:
    // Reads segments and hands them to the walkers while an idle one is left and the input goes on.
    void ReadAhead() {
        while (!ended_ && !idle_.empty()) {
            Segment& next = *idle_.front();
            SegmentReader::Got got = SegmentReader::Got::kEnded;
            try {
                got = reader_.Next(next);
            } catch (...) {
                readFailure_ = std::current_exception();
            }
            if (got == SegmentReader::Got::kEnded) {
                ended_ = true;
                continue;
            }
            idle_.pop_front();
            if (got == SegmentReader::Got::kTooLong) {
                tooLong_ = &next;
                ended_ = true;
            } else {
                walking_.push_back(&next);
                walkers_->Hand(next);
                if (run_.progress) run_.progress->SetProgress(run_.inputSize, read_ += next.size);
            }
        }
    }

    void Hold(Segment& segment) {
        if (held_) Release(*held_);
        held_ = &segment;
        if (segment.failure) Fail(segment);
    }

    // The held segment and next, walked again as one. False when the rest of the map has been walked in one.
    bool Join(Segment& next) {
        held_->Append(next.Bytes());
        Release(next);
        if (held_->size > 8 * segmentSize_) {
            WalkRest(*held_);
            return false;
        }
        WalkSegment(*held_, context_, held_->first ? nullptr : &carriedIn_);
        if (held_->failure) Fail(*held_);
        return true;
    }

    void Release(Segment& segment) {
        segment.Trim(segmentSize_);
        idle_.push_back(&segment);
    }

    // A failure to read waits for the failures of Process in the segments before it, as in the one walk.
    [[noreturn]] void Fail(Segment& segment) {
        if (run_.summary) run_.summary->Add(segment.summary);
        RethrowMovedBy(segment.failure, linesBefore_);
    }

    void Write(Segment& segment) {
        if (run_.plan) {
            run_.plan->Append(segment.pieces, segment.texts);
        } else {
            run_.output->Write(segment.output.bytes);
        }
        linesBefore_ += segment.lines;
        if (run_.summary) run_.summary->Add(segment.summary);
        segment.tracker.Carry(carriedIn_.carried());
        carriedIn_ = segment.tracker;
    }

    // The one walk from the start of from (held, or the segment too long) to the end of the map: from's bytes,
    // those read behind it, then the rest of the input.
    void WalkRest(Segment& from) {
        walkers_->Stop();  // what they would still walk is walked again here
        for (Segment* behind : walking_) from.Append(behind->Bytes());
        if (tooLong_ && tooLong_ != &from) from.Append(tooLong_->Bytes());
        from.Append(reader_.Rest());
        TextSource nothing({});
        PrefixedSource rest(from.Bytes(), readFailure_ ? nothing : input_);
        ProcessSummary counted;
        Run walk = run_;
        walk.useDictionary = false;
        walk.summary = run_.summary ? &counted : nullptr;
        try {
            WalkStream(rest, walk, from.first ? ProcessTracker() : carriedIn_, from.offset);
        } catch (...) {
            if (run_.summary) run_.summary->Add(counted);
            RethrowMovedBy(std::current_exception(), linesBefore_);
        }
        if (run_.summary) run_.summary->Add(counted);
        if (readFailure_) std::rethrow_exception(readFailure_);
    }

    ByteSource& input_;
    const Run& run_;
    const DictionaryTables tablesBefore_;  // read by every walker: the walk of the rest assigns the run's tables
    const SegmentContext context_;
    std::size_t segmentSize_;
    // The segments and the context stand before the walkers: on a failure the walkers are destroyed first,
    // and their threads, which may still be walking a segment, have stopped before either goes.
    std::vector<Segment> segments_;
    std::optional<SegmentWalkers> walkers_;
    SegmentReader reader_;
    std::deque<Segment*> idle_;
    std::deque<Segment*> walking_;                     // handed to the walkers, in the order of the map
    Segment* held_ = nullptr;                          // the last segment joined, not written yet
    ProcessTracker carriedIn_{false};  // the state the segments written leave
    std::uint64_t linesBefore_ = 0;                    // input lines before held_
    Segment* tooLong_ = nullptr;                       // read up to the limit with no cut: the last segment read
    std::exception_ptr readFailure_;
    bool ended_ = false;
    std::uint64_t read_ = 0;  // bytes handed to the walkers
};

// One Process: in segments where more than one thread can walk them and the map allows, else in one walk.
void RunProcess(ByteSource& input, const Run& run, std::size_t segmentSize) {
    if (run.progress) run.progress->SetState(PassState::Processing);
    const std::size_t walkers = PassThreads();
    // With the dictionary option a later segment would depend on the sections removed before it.
    std::optional<SegmentedProcess> segmented;
    if (segmentSize > 0 && walkers > 1 && !run.useDictionary) {
        try {
            segmented.emplace(input, run, segmentSize, walkers);
        } catch (const std::system_error&) {
            // No threads to be had: nothing has been read yet, so the map is walked in one.
        }
    }
    if (segmented) {
        segmented->Process();
    } else {
        WalkStream(input, run);
    }
    if (run.progress) {
        run.progress->SetProgress(run.inputSize, run.inputSize);
        run.progress->SetState(PassState::Processed);
    }
}

// What the scan would record for a Process streamed from text.
StreamFacts FactsOf(std::string_view text) {
    StreamFacts facts;
    for (std::size_t at = text.find('['); at != kNone; at = text.find('[', at + 1)) {
        if (!mapsyntax::BeginsDictionaryEndMarker(text.substr(at))) continue;
        const std::size_t lineStart = text.rfind('\n', at);
        facts.lastDictionaryEnd = lineStart == kNone ? 0 : lineStart + 1;
    }
    return facts;
}

// Writes the result that plan names in place of the input in buffer. Throws (std::bad_alloc) only before
// anything has changed.
void WriteInPlace(std::string& buffer, const PiecePlan& plan) {
    // How far a piece is written ahead of its input (lead), and whether any is written behind it.
    const std::size_t inputSize = buffer.size();
    std::size_t lead = 0;
    bool behind = false;
    std::size_t size = 0;
    for (const Piece& piece : plan.pieces) {
        if (piece.length > 0) {
            if (size > piece.start) lead = std::max<std::size_t>(lead, size - piece.start);
            behind = behind || size < piece.start;
        }
        size +=
            piece.length + (piece.text == kNoText ? 0 : plan.texts[static_cast<std::size_t>(piece.text)].size() + 1);
    }
    // When no piece is written behind its input (the map only grows), the pieces are written from the last
    // to the first where they stand; otherwise the input first moves back by the lead and the pieces are
    // written from the first. Either way, writing overwrites only input already moved.
    const bool fromTheBack = !behind;
    buffer.reserve(fromTheBack ? std::max(inputSize, size) : std::max(inputSize + lead, size));
    buffer.resize(buffer.capacity());
    char* data = buffer.data();
    const auto writeText = [&](char* out, std::int32_t text) {
        const std::string& line = plan.texts[static_cast<std::size_t>(text)];
        std::memcpy(out, line.data(), line.size());
        out[line.size()] = '\n';
        return line.size() + 1;
    };
    if (fromTheBack) {
        char* out = data + size;
        for (auto piece = plan.pieces.rbegin(); piece != plan.pieces.rend(); ++piece) {
            if (piece->text != kNoText) {
                out -= plan.texts[static_cast<std::size_t>(piece->text)].size() + 1;
                writeText(out, piece->text);
            }
            out -= piece->length;
            if (out != data + piece->start) std::memmove(out, data + piece->start, piece->length);
        }
    } else {
        if (lead > 0) std::memmove(data + lead, data, inputSize);
        const char* in = data + lead;
        char* out = data;
        for (const Piece& piece : plan.pieces) {
            std::memmove(out, in + piece.start, piece.length);
            out += piece.length;
            if (piece.text != kNoText) out += writeText(out, piece.text);
        }
    }
    buffer.resize(size);
}

}  // namespace

void ProcessMapStream(ByteSource& input, const StreamFacts& facts, const LevelsTable& levels, const TypeLists& lists,
                      bool useDictionary, DictionaryTables& tables, LineList& dicLines, ByteSink& output,
                      std::size_t bufferSize, ProcessSummary* summary, std::size_t segmentSize) {
    RunProcess(input, {facts, levels, lists, useDictionary, tables, dicLines, &output, nullptr, bufferSize, summary},
               segmentSize);
}

void ProcessMap(MapText& text, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                DictionaryTables& tables, LineList& dicLines, Progress* progress, ProcessSummary* summary,
                std::size_t segmentSize) {
    // The walk only plans the result, as pieces of the input and text lines, and meets every failure while
    // nothing has changed yet. Then the result is written in place, so that a map needs memory for itself,
    // its growth and the plan, not for a second copy.
    const std::string& buffer = text.Buffer();
    TextSource input(buffer);
    const StreamFacts facts = useDictionary ? FactsOf(buffer) : StreamFacts{};
    DictionaryTables newTables = tables;
    LineList newDicLines = dicLines;
    PiecePlan plan;
    RunProcess(input,
               {facts, levels, lists, useDictionary, newTables, newDicLines, nullptr, &plan,
                LineReader::kDefaultCapacity, summary, progress, buffer.size()},
               segmentSize);
    MapText::Parts parts = text.Release();
    try {
        WriteInPlace(parts.buffer, plan);
    } catch (...) {
        text = MapText::FromParts(std::move(parts));
        throw;
    }
    text = MapText::FromNormalised(std::move(parts.buffer));
    tables = newTables;
    dicLines = std::move(newDicLines);
}

void LevelsProcessWrites(const MapText& text, const LevelsTable& levels, const TypeLists& lists,
                         std::vector<WrittenLevel>& written) {
    // Nothing is kept of the result but the levels.
    struct Discard : ByteSink {
        void Write(std::string_view) override {}
    } discard;
    TextSource input(text.Buffer());
    const StreamFacts facts;
    DictionaryTables tables;
    LineList dicLines;
    Run run{facts, levels, lists, false, tables, dicLines, &discard, nullptr, LineReader::kDefaultCapacity, nullptr};
    run.written = &written;
    WalkStream(input, run);
}

}  // namespace stratex
