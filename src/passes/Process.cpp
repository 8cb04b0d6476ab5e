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
#include "passes/Parts.h"
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
    // The result goes out as bytes with CR LF line ends, or, for the map in memory, into a plan of pieces;
    // with neither, nowhere.
    ByteSink* output;
    PiecePlan* plan;
    std::size_t bufferSize;
    ProcessSummary* summary;
    Progress* progress = nullptr;
    std::uint64_t inputSize = 0;
    WrittenLevels* written = nullptr;
    ProcessWarnings* warnings = nullptr;
    ProcessFailures* failures = nullptr;
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
        Walk(source, plan, tracker, generated,
             {run.useDictionary, run.summary, false, run.written, run.warnings, run.failures});
        plan.Finish();
    };
    if (run.plan) {
        std::vector<Piece> pieces;
        PiecesOutput output(pieces, base);
        walk(output);
        run.plan->Append(pieces, generated.texts.All());
    } else if (!run.output) {
        NullOutput output;
        walk(output);
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
// What the walk of one part gave: bytes, or pieces and their texts.
struct ProcessPart {
    StringSink output;
    std::vector<Piece> pieces;
    std::vector<std::string> texts;
    std::uint64_t lines = 0;         // input lines walked
    bool endsClean = false;          // past the header part, and no EndLevel line waits for the end of its object
    bool needsEarlierLines = false;  // stopped at an object that takes its type from before the part
    ProcessTracker tracker;          // as the walk left it
    ProcessSummary summary;
    ProcessWarnings warnings;  // its lines count from the part's start
    std::exception_ptr failure;
};

// Walks part of input into result. A part other than the first is walked as a later part (stopping at an
// object that would take its type from before it) unless start gives the state that the lines before it
// leave.
void WalkPart(const PartInput& input, const Part& part, const Run& run, const DictionaryTables& tables,
              const ProcessTracker* start, ProcessPart& result) {
    constexpr std::size_t kBuffer = std::size_t{64} << 10;
    result.output.bytes.clear();
    result.pieces.clear();
    result.summary = ProcessSummary{};
    result.warnings = ProcessWarnings{};
    result.failure = nullptr;
    result.needsEarlierLines = false;
    result.endsClean = false;
    result.lines = 0;
    result.tracker = start ? *start : ProcessTracker(part.first);
    try {
        const std::unique_ptr<ByteSource> source = input.Open(part.start, part.end);
        Generated generated(run.levels, run.lists, tables);
        LineReader reader(*source, kBuffer);
        if (!run.plan) result.output.bytes.reserve((part.end - part.start) + (part.end - part.start) / 8);
        CrLfWriter writer(result.output, kBuffer);
        BytesOutput bytesOutput(generated.texts, reader, writer);
        PiecesOutput piecesOutput(result.pieces, part.start);
        PlanOutput& output = run.plan ? static_cast<PlanOutput&>(piecesOutput) : bytesOutput;
        StreamPlan plan(generated.texts, output);
        StreamSource stream(reader, plan, std::nullopt);
        const bool laterPart = !part.first && start == nullptr;
        bool carriesCoordinates = false;
        const bool whole = Walk(stream, plan, result.tracker, generated,
                                {false, run.summary ? &result.summary : nullptr, laterPart, nullptr,
                                 run.warnings ? &result.warnings : nullptr},
                                &carriesCoordinates);
        result.lines = stream.InputLinesTaken();
        result.needsEarlierLines = !whole;
        // A part that ends within the header part leaves its rewrite to the next, which is walked as if past it;
        // coordinate lines behind its last object belong to the next part's first.
        result.endsClean = !plan.HasEndLevel() && !result.tracker.inHeader() && !carriesCoordinates;
        if (whole) {
            plan.Finish();
            writer.Flush();
            if (run.plan) result.texts = generated.texts.All();
        }
    } catch (...) {
        result.failure = std::current_exception();
    }
}

// Process in parts: the parts are walked side by side, each as a later part, and their results written in
// order. Each joins the one before where the one walk would have gone on into it as its own walk began: no
// EndLevel line waiting across the cut, and no object in it that takes its type from before it. Otherwise
// the two are walked again as one, from the start of the earlier one, which gives what the one walk gives
// there. Where a part would grow too large (a huge object or header part, or parts that keep joining), the
// rest of the map is walked in one, streamed, from the start of the part not yet written.
class PartsProcess {
public:
    // Throws std::system_error when no thread can be started.
    PartsProcess(const PartInput& input, const Run& run, std::uint64_t partSize, std::size_t threads)
        : input_(input),
          run_(run),
          tablesBefore_(run.tables),
          limit_(8 * partSize),
          walkers_(input, partSize, limit_, threads, threads + 8,
                   [this](const Part& part, std::exception_ptr failure, ProcessPart& result) {
                       WalkPart(input_, part, run_, tablesBefore_, nullptr, result);
                       if (failure) result.failure = failure;
                   }) {}

    void Process() {
        held_ = walkers_.Take(0, heldPart_);
        if (Stopped(heldPart_)) return;
        for (std::uint64_t k = 1;; ++k) {
            Part part;
            ProcessPart* next = walkers_.Take(k, part);
            if (!next) break;
            if (part.tooLong) return WalkRest(heldPart_.start);
            if (!held_->endsClean || next->needsEarlierLines) {
                walkers_.Release(k);
                // Parts joined take up the room of those ahead: too many, and the rest is walked in one.
                if (part.end - heldPart_.start > limit_ || k - heldFirst_ + 2 > walkers_.window()) {
                    return WalkRest(heldPart_.start);
                }
                heldPart_.end = part.end;
                heldPart_.index = k;
                WalkPart(input_, heldPart_, run_, tablesBefore_, heldPart_.first ? nullptr : &carriedIn_, *held_);
                if (held_->failure) Fail(*held_);
                continue;
            }
            Write(*held_, heldPart_);
            held_ = next;
            heldPart_ = part;
            heldFirst_ = k;
            if (Stopped(heldPart_)) return;
        }
        Write(*held_, heldPart_);
    }

private:
    // Where a part cannot be walked on its own: too long, or failed.
    bool Stopped(const Part& part) {
        if (part.tooLong) {
            WalkRest(part.start);
            return true;
        }
        if (held_->failure) Fail(*held_);
        return false;
    }

    [[noreturn]] void Fail(ProcessPart& part) {
        if (run_.summary) run_.summary->Add(part.summary);
        RethrowMovedBy(part.failure, linesBefore_);
    }

    // Writes the held part out and releases the parts it took up.
    void Write(ProcessPart& part, const Part& where) {
        if (run_.plan) {
            run_.plan->Append(part.pieces, part.texts);
        } else {
            run_.output->Write(part.output.bytes);
        }
        if (run_.warnings) run_.warnings->Add(part.warnings, linesBefore_);
        linesBefore_ += part.lines;
        if (run_.summary) run_.summary->Add(part.summary);
        part.tracker.Carry(carriedIn_.carried());
        carriedIn_ = part.tracker;
        walkers_.Release(heldFirst_);
        if (run_.progress) run_.progress->SetProgress(run_.inputSize, where.end);
    }

    // The one walk from offset from to the end of the map.
    void WalkRest(std::uint64_t from) {
        walkers_.Stop();  // what they would still walk is walked again here
        ProcessSummary counted;
        ProcessWarnings warned;
        Run walk = run_;
        walk.useDictionary = false;
        walk.summary = run_.summary ? &counted : nullptr;
        walk.warnings = run_.warnings ? &warned : nullptr;
        try {
            const std::unique_ptr<ByteSource> rest = input_.Open(from, input_.size());
            WalkStream(*rest, walk, from == 0 ? ProcessTracker() : carriedIn_, from);
        } catch (...) {
            if (run_.summary) run_.summary->Add(counted);
            RethrowMovedBy(std::current_exception(), linesBefore_);
        }
        if (run_.summary) run_.summary->Add(counted);
        if (run_.warnings) run_.warnings->Add(warned, linesBefore_);
    }

    const PartInput& input_;
    const Run& run_;
    const DictionaryTables tablesBefore_;  // read by every walker: the walk of the rest assigns the run's tables
    std::uint64_t limit_;
    ProcessPart* held_ = nullptr;  // the last part joined, not written yet, in the room of part heldFirst_
    Part heldPart_;
    std::uint64_t heldFirst_ = 0;
    ProcessTracker carriedIn_{false};  // the state that the parts written leave
    std::uint64_t linesBefore_ = 0;    // input lines before the held part
    // Last: on a failure the walkers stop first, while the parts they may still walk into are there.
    PartWalkers<ProcessPart> walkers_;
};

// One Process: in parts where more than one thread can walk them and the map allows, else in one walk.
void RunProcess(const PartInput& input, const Run& run, std::uint64_t partSize) {
    if (run.progress) run.progress->SetState(PassState::Processing);
    const std::size_t threads = PassThreads();
    // With the dictionary option a later part would depend on the sections removed before it.
    std::optional<PartsProcess> parts;
    if (partSize > 0 && threads > 1 && !run.useDictionary && input.size() > partSize) {
        try {
            parts.emplace(input, run, partSize, threads);
        } catch (const std::system_error&) {
            // No threads to be had: the map is walked in one.
        }
    }
    if (parts) {
        parts->Process();
    } else {
        const std::unique_ptr<ByteSource> whole = input.Open(0, input.size());
        WalkStream(*whole, run);
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
    const std::size_t room = fromTheBack ? std::max(inputSize, size) : std::max(inputSize + lead, size);
    buffer.reserve(room);
    buffer.resize(room);
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
                      std::size_t bufferSize, ProcessSummary* summary, ProcessWarnings* warnings) {
    Run run{facts, levels, lists, useDictionary, tables, dicLines, &output, nullptr, bufferSize, summary};
    run.warnings = warnings;
    WalkStream(input, run);
}

void ProcessMapParts(const PartInput& input, const StreamFacts& facts, const LevelsTable& levels,
                     const TypeLists& lists, bool useDictionary, DictionaryTables& tables, LineList& dicLines,
                     ByteSink& output, ProcessSummary* summary, std::uint64_t partSize, ProcessWarnings* warnings) {
    Run run{facts,  levels, lists, useDictionary, tables, dicLines, &output, nullptr, LineReader::kDefaultCapacity,
            summary};
    run.warnings = warnings;
    RunProcess(input, run, partSize);
}

void ProcessMap(MapText& text, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                DictionaryTables& tables, LineList& dicLines, Progress* progress, ProcessSummary* summary,
                std::uint64_t partSize, ProcessWarnings* warnings) {
    // The walk only plans the result, as pieces of the input and text lines, and meets every failure while
    // nothing has changed yet. Then the result is written in place, so that a map needs memory for itself,
    // its growth and the plan, not for a second copy.
    const std::string& buffer = text.Buffer();
    const TextParts input(buffer);
    const StreamFacts facts = useDictionary ? FactsOf(buffer) : StreamFacts{};
    DictionaryTables newTables = tables;
    LineList newDicLines = dicLines;
    PiecePlan plan;
    Run run{facts,         levels,    lists,
            useDictionary, newTables, newDicLines,
            nullptr,       &plan,     LineReader::kDefaultCapacity,
            summary,       progress,  buffer.size()};
    run.warnings = warnings;
    RunProcess(input, run, partSize);
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

void ProcessDry(ByteSource& input, const StreamFacts& facts, const LevelsTable& levels, const TypeLists& lists,
                bool useDictionary, ProcessVerdict& verdict) {
    DictionaryTables tables;
    LineList dicLines;
    Run run{facts, levels, lists, useDictionary, tables, dicLines, nullptr, nullptr, LineReader::kDefaultCapacity,
            nullptr};
    run.written = &verdict.written;
    run.warnings = &verdict.warnings;
    run.failures = &verdict.failures;
    WalkStream(input, run);
}

}  // namespace stratex
