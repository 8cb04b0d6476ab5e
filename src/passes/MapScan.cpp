#include "passes/MapScan.h"

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "bytes/ByteScan.h"
#include "bytes/Error.h"
#include "bytes/Integer.h"
#include "bytes/LineReader.h"
#include "bytes/Strings.h"
#include "grammar/DictionaryRow.h"
#include "grammar/MapSyntax.h"
#include "grammar/ObjectTracker.h"
#include "levels/ZoomTable.h"
#include "passes/Parallel.h"
#include "passes/Parts.h"

namespace stratex {

namespace {

// The progress bar moves every this many lines; reporting every line would cost more than the scan.
constexpr std::uint64_t kProgressStep = 65536;

constexpr std::size_t kTableSize = 256;

std::size_t KindIndex(ObjectKind kind) { return static_cast<std::size_t>(kind); }

// The dictionary tables as the scan sees them at each line, read as the lines come. A section read from
// line s ends at E, the first line at or after s that holds the end marker (or the last line). Every
// "[DICTIONARY]" line s2 with s < s2 <= E ends at the same E, so the stretch s..E is read once, keeping for
// each entry the last row that marks it; the tables read from s2 then hold that row's level when the row
// stands at or after s2, and 0 otherwise. While a stretch is open its later rows are not known yet: an
// entry asked for then is answered once the stretch ends (Entry with the start of that moment).
class DictionaryState {
public:
    explicit DictionaryState(const DictionaryTables& initial) : initial_(initial) {}

    // Line index, which holds "[DICTIONARY]".
    void Start(std::uint64_t index) {
        start_ = index;
        if (open_) return;
        open_ = true;
        read_ = true;
        for (auto& table : last_) table.fill(Mark{});
    }

    // Line index, met after Start(index) if it holds "[DICTIONARY]": a row of an open stretch counts.
    void Row(std::string_view line, std::uint64_t index) {
        if (!open_) return;
        if (const auto row = ReadDictionaryRow(line)) {
            auto& table = last_[KindIndex(row->kind)];
            ForEachMarkedType(*row, [&](std::size_t k) { table[k] = Mark{index, row->level, true}; });
        }
    }

    // Ends the open stretch: at a line that holds the end marker, or after the last line.
    void End() { open_ = false; }

    // Whether a stretch is open: Entry must wait for its end.
    bool open() const { return open_; }
    std::uint64_t start() const { return start_; }

    // The entry as the tables read from line start give it.
    std::int32_t Entry(ObjectKind kind, std::size_t n, std::uint64_t start) const {
        if (!read_) return initial_.Of(kind)[n];
        const Mark& mark = last_[KindIndex(kind)][n];
        return mark.set && mark.line >= start ? mark.level : 0;
    }

    // The tables as they stand after the last line.
    DictionaryTables Final() const {
        if (!read_) return initial_;
        DictionaryTables tables;
        for (const ObjectKind kind : kAllKinds) {
            auto& table = tables.Of(kind);
            for (std::size_t n = 0; n < kTableSize; ++n) table[n] = Entry(kind, n, start_);
        }
        return tables;
    }

private:
    struct Mark {
        std::uint64_t line = 0;
        std::int32_t level = 0;
        bool set = false;
    };

    DictionaryTables initial_;
    bool read_ = false;
    bool open_ = false;
    std::uint64_t start_ = 0;  // the last "[DICTIONARY]" line met
    std::array<std::array<Mark, kTableSize>, 3> last_{};
};

// Everything one scan keeps while it walks the lines.
class Scanner {
public:
    // With laterPart, the scan starts at an opener past the header part (the later part of a map scanned in
    // two parts side by side), knowing nothing of the lines before it.
    Scanner(const TypeNameFiles& names, bool useDictionary, const DictionaryTables& tables, bool laterPart = false)
        : names_(names),
          useDictionary_(useDictionary),
          dictionary_(tables),
          laterPart_(laterPart),
          tracker_(!laterPart) {
        result_.levels.Clear();
    }

    // Examines line i; bracket is the offset of its first "[" or npos. The lines come once each, in order:
    // nothing is looked up ahead of the current line.
    void Line(std::string_view line, std::uint64_t i, std::size_t bracket) {
        if (!emptyKeyValue_ && !line.empty() && line.front() == '=') SetEmptyKeyValue(line.substr(1));
        if ((useDictionary_ || !result_.figures.hasDictionary) && mapsyntax::BeginsDictionary(line, bracket)) {
            result_.figures.hasDictionary = true;
            if (useDictionary_) dictionary_.Start(i);
        }
        if (useDictionary_) {
            dictionary_.Row(line, i);
            dictionaryLevels_ = true;
        }
        Examine(line, bracket);
        // The stretch ends after this line's own object end, which still waits for its rows.
        if (dictionary_.open() && mapsyntax::EndsDictionaryForReading(line)) EndDictionaryStretch();
    }

    // After the last line.
    void Finish() {
        if (AwaitsEmptyKeyValue()) ResolveEmptyKey();
        if (dictionary_.open()) EndDictionaryStretch();
        CollectFigures();
    }

    // A level line without "=" waits for the first line that begins with "=" (its value); Line gives it as
    // it comes, Finish when none came. After a failure the caller hands the lines on to WatchEmptyKey
    // until that line is found, then calls ResolveEmptyKey: the earlier level line fails first.
    bool AwaitsEmptyKeyValue() const { return !pendingLevelRows_.empty(); }
    void WatchEmptyKey(std::string_view line) {
        if (!emptyKeyValue_ && !line.empty() && line.front() == '=') emptyKeyValue_ = std::string(line.substr(1));
    }
    void ResolveEmptyKey() {
        if (!emptyKeyValue_) emptyKeyValue_.emplace();
        SetEmptyKeyValue(*emptyKeyValue_);
    }

    bool inHeader() const { return tracker_.inHeader(); }

    // A later part needs what the lines before it left: an object ended there without a Type line of its
    // own, so its type would be the last one met before the part. Its scan is no good then.
    bool NeedsEarlierLines() const { return needsEarlierLines_; }
    // After the earlier part: nothing is left open that the later part would have to carry on (the header
    // part, a section, a dictionary stretch, a level line waiting for its value).
    bool EndsCleanly() const {
        return !tracker_.inHeader() && !tracker_.inSection() && !dictionary_.open() && pendingLevelRows_.empty();
    }

    // Adds what the scan of the later part found, as if this scan had gone on through its lines: its new
    // types follow in the order it met them, the figures of the others add up. Only after EndsCleanly, and
    // without the dictionary option (the later part's levels then depend on no earlier line).
    void Absorb(const Scanner& later) {
        for (const ObjectKind kind : kAllKinds) {
            const std::size_t k = KindIndex(kind);
            for (std::size_t row = 0; row < later.counted_[k].size(); ++row) {
                const Counted& theirs = later.counted_[k][row];
                const auto [slot, isNew] = SlotOf(kind, theirs.value);
                if (isNew) {
                    const TypeRow& added = later.result_.lists.Of(kind)[row];
                    result_.lists.Of(kind).AddTypeRow(added.code, added.name, added.level);
                    counted_[k][slot] = theirs;
                } else {
                    counted_[k][slot].Add(theirs);
                }
            }
        }
        result_.figures.hasDictionary = result_.figures.hasDictionary || later.result_.figures.hasDictionary;
    }
    // True when a plain line (as the grammar defines it) would change nothing now.
    bool SkipsPlainLines() const { return !tracker_.inHeader() && !dictionary_.open(); }
    ScanResult& result() { return result_; }
    DictionaryTables FinalTables() const { return dictionary_.Final(); }

private:
    void Examine(std::string_view line, std::size_t bracket) {
        const TrackedLine tracked = tracker_.Line(line, bracket);
        if (tracked.header) {
            if (mapsyntax::IsLevelLine(line)) AddLevelRow(line);
            if (mapsyntax::IsLevelsLine(line)) result_.figures.hasLevelsLine = true;
        }
        if (tracked.endsObject) FinishObject();
    }

    // The up-to text of the object's EndLevel line; "0" for an object without one.
    std::string_view UpToText() const { return tracker_.hasEndLevel() ? tracker_.upToText() : "0"; }

    // Puts the figures counted into the result, by normalised code.
    void CollectFigures() {
        for (const ObjectKind kind : kAllKinds) {
            auto& types = result_.figures.Of(kind);
            for (const Counted& counted : counted_[KindIndex(kind)]) {
                types.emplace(NormalisedTypeCode(kind, counted.value), counted.Figures());
            }
        }
    }

    void AddLevelRow(std::string_view line) {
        const std::string_view key = KeyOf(line);
        if (!HasKey(line) && !emptyKeyValue_) {
            // The empty key's value is that of the first line that begins with "=", not met yet.
            pendingLevelRows_.push_back(result_.levels.size());
            result_.levels.AddScannedRow(std::string(key), std::string());
            return;
        }
        // The value of the first line with this key; such a line begins with "Level" and a digit as well,
        // so it is a level line met already or this one.
        const std::string& valueText =
            HasKey(line) ? firstValues_.try_emplace(AsciiLowerCopy(key), ValueOf(line)).first->second : *emptyKeyValue_;
        const std::int32_t bits = ReadInteger(valueText);
        result_.levels.AddScannedRow(std::string(key), LevelValue(valueText, bits));
    }

    // The first line that begins with "=" gives the empty key its value, also for the level rows that
    // waited for it.
    void SetEmptyKeyValue(std::string_view value) {
        emptyKeyValue_ = std::string(value);
        if (pendingLevelRows_.empty()) return;
        const std::int32_t bits = ReadInteger(*emptyKeyValue_);
        for (const std::size_t row : pendingLevelRows_) result_.levels.SetValue(row, LevelValue(*emptyKeyValue_, bits));
        pendingLevelRows_.clear();
    }

    void EndDictionaryStretch() {
        dictionary_.End();
        for (const PendingEntry& pending : pendingEntries_) {
            result_.lists.Of(pending.kind)
                .SetLevel(pending.row, std::to_string(dictionary_.Entry(pending.kind, pending.entry, pending.start)));
        }
        pendingEntries_.clear();
    }

    void FinishObject() {
        if (laterPart_ && !tracker_.carried().met) {
            needsEarlierLines_ = true;
            return;
        }
        kind_ = tracker_.kind();
        const std::int32_t value = TypeValue();
        const auto [slot, isNew] = SlotOf(kind_, value);
        if (isNew) {
            std::string code = NormalisedTypeCode(kind_, value);
            std::string name = LookupTypeName(names_.Of(kind_), code);
            std::string level = LevelText(code, value);
            result_.lists.Of(kind_).AddTypeRow(std::move(code), std::move(name), std::move(level));
            if (pendingEntry_) {
                pendingEntries_.push_back(
                    {kind_, result_.lists.Of(kind_).size() - 1, *pendingEntry_, dictionary_.start()});
                pendingEntry_.reset();
            }
        }
        counted_[KindIndex(kind_)][slot].Count(tracker_.hasEndLevel(), UpToText());
    }

    // The type text read as an integer. Maps repeat a few type texts millions of times, so the texts read
    // are remembered (only those that read).
    std::int32_t TypeValue() {
        const std::string_view text = tracker_.typeText();
        std::uint32_t hash = 2166136261u;
        for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        ReadType& known = readTypes_[hash % readTypes_.size()];
        if (known.read && known.text == text) return known.value;
        const std::int32_t value = ReadInteger(text);
        known = {true, std::string(text), value};
        return value;
    }

    // Codes are normalised from the value, one code per value, so the values stand for the codes. The slot
    // of value in counted_ for kind of, and whether value is new there.
    std::pair<std::size_t, bool> SlotOf(ObjectKind of, std::int32_t value) {
        const std::size_t kind = KindIndex(of);
        std::vector<Counted>& counted = counted_[kind];
        const auto next = static_cast<std::uint32_t>(counted.size());
        if (value >= 0 && value < static_cast<std::int32_t>(kCommonCodes)) {
            std::vector<std::uint32_t>& slots = commonSlots_[kind];
            if (slots.empty()) slots.resize(kCommonCodes);
            std::uint32_t& slot = slots[static_cast<std::size_t>(value)];
            if (slot != 0) return {slot - 1, false};
            slot = next + 1;
        } else {
            const auto [found, added] = otherSlots_[kind].try_emplace(value, next);
            if (!added) return {found->second, false};
        }
        counted.push_back(Counted{value, {}, {}});
        return {next, true};
    }

    // The level of a new row. An entry of a dictionary stretch still open is answered at its end
    // (pendingEntry_ then names it, and the text returned stands in until then).
    std::string LevelText(std::string_view code, std::int32_t value) {
        if (!dictionaryLevels_) return std::string(UpToText());
        std::size_t entry = 0;
        if (kind_ == ObjectKind::Poi) {
            // POI types share the entry of their high byte: "0x2f" of "0x2f06".
            entry = static_cast<std::size_t>(ReadInteger(code.substr(0, 4)));
        } else if (value < 0 || value >= static_cast<std::int32_t>(kTableSize)) {
            // Longer or negative codes have no entry and keep the up-to text.
            return std::string(UpToText());
        } else {
            entry = static_cast<std::size_t>(value);
        }
        if (dictionary_.open()) {
            pendingEntry_ = entry;
            return std::string();
        }
        return std::to_string(dictionary_.Entry(kind_, entry, dictionary_.start()));
    }

    // A new row's dictionary entry that waits for the end of the open stretch.
    struct PendingEntry {
        ObjectKind kind;
        std::size_t row;
        std::size_t entry;
        std::uint64_t start;
    };

    // The figures of one type value while the scan runs. The up-to texts are at most two characters, held
    // packed with their length: a map has few distinct ones and millions of objects.
    struct Counted {
        std::int32_t value;
        TypeFigures figures;
        std::vector<std::pair<std::uint32_t, std::uint64_t>> upTo;  // packed up-to text -> objects

        void Count(bool hasEndLevel, std::string_view upToText) {
            ++figures.objects;
            if (!hasEndLevel) {
                ++figures.withoutEndLevel;
                return;
            }
            std::uint32_t key = static_cast<std::uint32_t>(upToText.size()) << 16;
            for (std::size_t k = 0; k < upToText.size(); ++k) {
                key |= static_cast<std::uint32_t>(static_cast<unsigned char>(upToText[k])) << (8 * (1 - k));
            }
            for (auto& [packed, objects] : upTo) {
                if (packed == key) {
                    ++objects;
                    return;
                }
            }
            upTo.emplace_back(key, 1);
        }

        // Adds the figures of the same value counted elsewhere.
        void Add(const Counted& other) {
            figures.objects += other.figures.objects;
            figures.withoutEndLevel += other.figures.withoutEndLevel;
            for (const auto& [key, objects] : other.upTo) {
                bool found = false;
                for (auto& [packed, mine] : upTo) {
                    if (packed == key) {
                        mine += objects;
                        found = true;
                        break;
                    }
                }
                if (!found) upTo.emplace_back(key, objects);
            }
        }

        TypeFigures Figures() const {
            TypeFigures result = figures;
            for (const auto& [packed, objects] : upTo) {
                std::string text;
                for (std::uint32_t k = 0; k < (packed >> 16); ++k) {
                    text.push_back(static_cast<char>((packed >> (8 * (1 - k))) & 0xFF));
                }
                result.endLevels[text] += objects;
            }
            return result;
        }
    };

    const TypeNameFiles& names_;
    bool useDictionary_;
    DictionaryState dictionary_;
    ScanResult result_;

    bool laterPart_;
    bool needsEarlierLines_ = false;
    ObjectTracker<kScanReading> tracker_;
    ObjectKind kind_ = ObjectKind::Poi;  // of the object being finished
    bool dictionaryLevels_ = false;

    std::unordered_map<std::string, std::string> firstValues_;  // lower-cased level key -> value text
    std::optional<std::string> emptyKeyValue_;                  // the value of the first line that begins with "="
    std::vector<std::size_t> pendingLevelRows_;                 // level rows waiting for emptyKeyValue_
    std::optional<std::size_t> pendingEntry_;
    std::vector<PendingEntry> pendingEntries_;
    static constexpr std::size_t kCommonCodes = 65536;
    // Per kind, value -> 1 + its slot in counted_ (0: not met yet) for 16-bit values, allocated on first
    // need; other values in hash maps.
    std::array<std::vector<std::uint32_t>, 3> commonSlots_;
    std::array<std::unordered_map<std::int32_t, std::uint32_t>, 3> otherSlots_;
    std::array<std::vector<Counted>, 3> counted_;
    struct ReadType {
        bool read = false;
        std::string text;
        std::int32_t value = 0;
    };
    std::array<ReadType, 64> readTypes_;
};

}  // namespace

namespace {

// What a finished scan gives: the lists sorted when the text is a Polish map, tables updated.
ScanResult Conclude(Scanner& scanner, bool useDictionary, DictionaryTables& tables, int sortColumn) {
    scanner.Finish();
    ScanResult& result = scanner.result();
    result.isPolishMap = !scanner.inHeader();
    if (result.isPolishMap) result.lists.SortAll(sortColumn);
    if (useDictionary) tables = scanner.FinalTables();
    return std::move(result);
}

}  // namespace

ScanResult ScanMap(const MapText& text, const TypeNameFiles& names, bool useDictionary, DictionaryTables& tables,
                   int sortColumn, Progress* progress) {
    TextSource input(text.Buffer());
    StreamFacts unused;
    return ScanMapStream(input, names, useDictionary, tables, sortColumn, unused, LineReader::kDefaultCapacity,
                         progress, text.Buffer().size());
}

namespace {

// The scan's walk over the lines that reader gives, into scanner: i counts the lines taken, and a failure
// met at a line carries its number. A later part's walk stops where it turns out to need earlier lines.
void WalkLines(Scanner& scanner, LineReader& reader, bool useDictionary, StreamFacts& found, std::uint64_t& i,
               Progress* progress, std::uint64_t inputSize) {
    std::uint64_t nextReport = 0;
    LineReader::Finder brackets('[');
    LineReader::Line line;
    do {
        while (reader.Next(line)) {
            if (progress && i >= nextReport) {
                progress->SetProgress(inputSize, line.offset);
                nextReport = i + kProgressStep;
            }
            const std::size_t bracket = brackets.In(reader, line);
            // Every end marker is 16 characters long and begins with "[".
            if (useDictionary && bracket != std::string_view::npos && line.text.size() - bracket >= 16 &&
                mapsyntax::EndsDictionaryForRemoval(line.text)) {
                found.lastDictionaryEnd = line.offset;
            }
            ++i;
            try {
                scanner.Line(line.text, i - 1, bracket);
            } catch (...) {
                if (progress) progress->SetProgress(inputSize, line.offset);
                RethrowAtLine(i);  // lines count from 1 in messages
            }
            if (scanner.NeedsEarlierLines()) return;
            // Most lines of the objects' part are plain and only counted.
            if (bracket == std::string_view::npos && scanner.SkipsPlainLines()) {
                LineReader::Run plain;
                reader.TakePlain(mapsyntax::kNotPlainTable, brackets.ClearUpTo(), plain);
                i += plain.lines;
            }
        }
    } while (reader.Fill());
}

}  // namespace

ScanResult ScanMapStream(ByteSource& input, const TypeNameFiles& names, bool useDictionary, DictionaryTables& tables,
                         int sortColumn, StreamFacts& facts, std::size_t bufferSize, Progress* progress,
                         std::uint64_t inputSize) {
    Scanner scanner(names, useDictionary, tables);
    if (progress) progress->SetState(PassState::Scanning);
    LineReader reader(input, bufferSize);
    StreamFacts found;
    std::uint64_t i = 0;
    try {
        WalkLines(scanner, reader, useDictionary, found, i, progress, inputSize);
    } catch (const Error&) {
        if (!scanner.AwaitsEmptyKeyValue()) throw;
        const std::exception_ptr failure = std::current_exception();
        LineReader::Line line;
        do {
            while (reader.Next(line)) scanner.WatchEmptyKey(line.text);
        } while (reader.Fill());
        scanner.ResolveEmptyKey();
        std::rethrow_exception(failure);
    }
    ScanResult result = Conclude(scanner, useDictionary, tables, sortColumn);
    facts = found;
    if (progress) {
        progress->SetProgress(i, i == 0 ? 0 : i - 1);
        progress->SetState(result.isPolishMap ? PassState::Scanned : PassState::NotAMap);
    }
    return result;
}

namespace {

// What the scan of one part found.
struct ScanPart {
    std::optional<Scanner> scanner;
    std::uint64_t lines = 0;
    std::exception_ptr failure;
};

// The scan of a map file in parts side by side, each after the first scanned as a later part. A part joins
// the scan of those before it where the one pass would have gone on into it as its own scan began: nothing
// open across the cut, and no object in it that takes its type from before it. Otherwise the scan of those
// before goes on through the part's lines itself. Nothing where the one pass has to give the result: a
// failure that only the one pass can place.
std::optional<ScanResult> ScanInParts(const PartInput& input, const TypeNameFiles& names, DictionaryTables& tables,
                                      int sortColumn, std::uint64_t partSize) {
    constexpr std::size_t kBuffer = std::size_t{64} << 10;
    const auto scan = [&](ScanPart& part, Scanner& scanner, std::uint64_t from, std::uint64_t to) {
        const std::unique_ptr<ByteSource> source = input.Open(from, to);
        LineReader reader(*source, kBuffer);
        StreamFacts unused;
        WalkLines(scanner, reader, false, unused, part.lines, nullptr, 0);
    };
    PartWalkers<ScanPart> walkers(input, partSize, 64 * partSize, PassThreads(), PassThreads() + 2,
                                  [&](const Part& part, std::exception_ptr failure, ScanPart& result) {
                                      result.scanner.emplace(names, false, tables, !part.first);
                                      result.lines = 0;
                                      result.failure = failure;
                                      if (failure) return;
                                      try {
                                          scan(result, *result.scanner, part.start, part.end);
                                      } catch (...) {
                                          result.failure = std::current_exception();
                                      }
                                  });
    Part part;
    ScanPart total = std::move(*walkers.Take(0, part));
    walkers.Release(0);
    if (total.failure || part.tooLong) return std::nullopt;
    for (std::uint64_t k = 1; ScanPart* next = walkers.Take(k, part); walkers.Release(k++)) {
        const std::uint64_t to = part.tooLong ? input.size() : part.end;
        if (!part.tooLong && total.scanner->EndsCleanly() && !next->scanner->NeedsEarlierLines()) {
            if (next->failure) RethrowMovedBy(next->failure, total.lines);
            total.scanner->Absorb(*next->scanner);
            total.lines += next->lines;
        } else {
            try {
                scan(total, *total.scanner, part.start, to);
            } catch (...) {
                return std::nullopt;
            }
        }
        if (part.tooLong) break;
    }
    return Conclude(*total.scanner, false, tables, sortColumn);
}

}  // namespace

ScanResult ScanMapFile(const std::filesystem::path& path, const TypeNameFiles& names, bool useDictionary,
                       DictionaryTables& tables, int sortColumn, StreamFacts& facts, FileSource::Stamp& stamp,
                       std::uint64_t partSize) {
    FileSource whole(path);
    stamp = whole.stamp();
    // With the dictionary option a later part's levels would depend on the dictionary read before it.
    if (!useDictionary && partSize > 0 && stamp.size > partSize && PassThreads() > 1) {
        try {
            DictionaryTables partTables = tables;
            std::optional<ScanResult> result =
                ScanInParts(FileParts(path, stamp), names, partTables, sortColumn, partSize);
            if (result) {
                facts = StreamFacts{};
                return std::move(*result);
            }
        } catch (const std::system_error&) {
            // No threads to be had: the file is scanned in one pass.
        }
    }
    return ScanMapStream(whole, names, useDictionary, tables, sortColumn, facts);
}

void ReadDictionary(const MapText& text, std::uint64_t start, DictionaryTables& tables) {
    tables = DictionaryTables{};
    for (MapText::Cursor cursor(text, start); !cursor.AtEnd(); cursor.Next()) {
        const std::string_view line = cursor.Line();
        if (const auto row = ReadDictionaryRow(line)) {
            auto& table = tables.Of(row->kind);
            ForEachMarkedType(*row, [&](std::size_t k) { table[k] = row->level; });
        }
        if (mapsyntax::EndsDictionaryForReading(line)) break;
    }
}

}  // namespace stratex
