#include "map/Process.h"

#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

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
constexpr std::size_t kOutputSlack = 64 * 1024;

bool ContainsEndMarker(std::string_view line) {
    return ContainsNoCase(line, "[END-DICTIONARY]") || ContainsNoCase(line, "[END DICTIONARY]");
}

bool BeginsLevelRun(std::string_view line) {
    return StartsWithNoCase(line, "Level") || StartsWithNoCase(line, "Zoom");
}

// The lines that the pass has not examined yet, in list order: the generated header lines still waiting
// to be examined, then the rest of the input buffer. Taking and removing lines both consume from here, so
// the pass never moves text that lies ahead of it.
class LineSource {
public:
    struct Line {
        std::string_view text;
        bool header;  // the line belongs to the header part
    };

    LineSource(const std::string& input, std::uint64_t inputLines) : input_(input), inputLines_(inputLines) {}

    bool AtEnd() const { return next_ == pending_.size() && pos_ >= input_.size(); }
    std::uint64_t RemainingLines() const { return (pending_.size() - next_) + (inputLines_ - takenInput_); }
    std::size_t RemainingInputBytes() const { return input_.size() - pos_; }

    Line Take() {
        if (next_ < pending_.size()) return {pending_[next_++], true};
        const std::size_t end = LineEnd(pos_);
        const std::string_view text(input_.data() + pos_, end - pos_);
        const bool header = inHeader_;
        if (inHeader_ && Contains(text, kHeaderEnd)) inHeader_ = false;
        pos_ = end + 1;
        ++takenInput_;
        return {text, header};
    }

    // Lines that stand in front of the remaining input, examined next. Only called while none are waiting:
    // the views returned by Take stay valid until the pass ends.
    void Inject(std::vector<std::string> lines) {
        pending_ = std::move(lines);
        next_ = 0;
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
        for (std::size_t i = next_; i < pending_.size() && !markerAhead; ++i) markerAhead = ContainsEndMarker(pending_[i]);
        const std::size_t inputMarkerEnd = NextInputMarkerEnd();
        markerAhead = markerAhead || inputMarkerEnd != std::string::npos;

        while (next_ < pending_.size()) {
            const std::string_view line = pending_[next_];
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
            SkipInputTo(bracketLine == std::string::npos ? input_.size() : bracketLine + 1);
        }
    }

private:
    // Offset of the "\n" that ends the input line starting at start.
    std::size_t LineEnd(std::size_t start) const {
        const void* nl = std::memchr(input_.data() + start, '\n', input_.size() - start);
        return nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - input_.data()) : input_.size();
    }

    std::string_view Peek() const {
        if (next_ < pending_.size()) return pending_[next_];
        return std::string_view(input_.data() + pos_, LineEnd(pos_) - pos_);
    }

    void SkipInputTo(std::size_t end) {
        const std::string_view skipped(input_.data() + pos_, end - pos_);
        if (inHeader_ && Contains(skipped, kHeaderEnd)) inHeader_ = false;
        for (const char c : skipped) takenInput_ += (c == '\n');
        pos_ = end;
    }

    // Offset just past the first input line at or after the current position that holds an end marker, or
    // npos. The answer is kept: the position only moves forward, so the input is searched once overall.
    std::size_t NextInputMarkerEnd() {
        if (markerSearched_ && (markerEnd_ == std::string::npos || markerStart_ >= pos_)) return markerEnd_;
        markerSearched_ = true;
        markerStart_ = markerEnd_ = std::string::npos;
        const char* data = input_.data();
        std::size_t at = pos_;
        while (at < input_.size()) {
            const void* found = std::memchr(data + at, '[', input_.size() - at);
            if (!found) break;
            const std::size_t bracket = static_cast<std::size_t>(static_cast<const char*>(found) - data);
            const std::string_view rest(data + bracket + 1, std::min<std::size_t>(15, input_.size() - bracket - 1));
            if (EqualsNoCase(rest, "END-DICTIONARY]") || EqualsNoCase(rest, "END DICTIONARY]")) {
                const std::size_t nl = input_.rfind('\n', bracket);
                markerStart_ = (nl == std::string::npos || nl < pos_) ? pos_ : nl + 1;
                markerEnd_ = LineEnd(bracket) + 1;
                break;
            }
            at = bracket + 1;
        }
        return markerEnd_;
    }

    const std::string& input_;
    std::uint64_t inputLines_;
    std::size_t pos_ = 0;  // start of the next input line
    std::uint64_t takenInput_ = 0;
    bool inHeader_ = true;  // no input line holding "[END-IMG ID]" taken yet
    std::vector<std::string> pending_;
    std::size_t next_ = 0;
    bool markerSearched_ = false;
    std::size_t markerStart_ = std::string::npos;
    std::size_t markerEnd_ = std::string::npos;
};

// The lines the pass has finished with, as one buffer with "\n" after every line.
class Output {
public:
    explicit Output(const LineSource& source) : source_(source) {
        const std::size_t input = source.RemainingInputBytes();
        buffer_.reserve(input + input / 8 + kOutputSlack);
    }

    std::uint64_t lines() const { return lines_; }
    std::size_t size() const { return buffer_.size(); }
    std::string Release() { return std::move(buffer_); }

    void Append(std::string_view line) {
        Room(line.size() + 1);
        lastStart_ = buffer_.size();
        buffer_.append(line);
        buffer_.push_back('\n');
        ++lines_;
    }

    // Puts lineNl (a line with its "\n") in front of the last line; at the start when there is none.
    void InsertBeforeLast(std::string_view lineNl) {
        Room(lineNl.size());
        buffer_.insert(lastStart_, lineNl);
        lastStart_ += lineNl.size();
        ++lines_;
    }

    // Replaces the text of the line at start (length bytes, without its "\n") by line.
    void Replace(std::size_t start, std::size_t length, std::string_view line) {
        if (line.size() > length) Room(line.size() - length);
        buffer_.replace(start, length, line);
        if (start < lastStart_) lastStart_ = lastStart_ + line.size() - length;
    }

private:
    // Grows by what the rest of the input is expected to need rather than by doubling, which would leave
    // up to the whole map's size unused.
    void Room(std::size_t n) {
        if (buffer_.size() + n <= buffer_.capacity()) return;
        const std::size_t rest = source_.RemainingInputBytes();
        buffer_.reserve(buffer_.size() + n + rest + rest / 8 + kOutputSlack);
    }

    const LineSource& source_;
    std::string buffer_;
    std::size_t lastStart_ = 0;  // offset of the last line
    std::uint64_t lines_ = 0;
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

}  // namespace

void ProcessMap(MapText& text, const LevelsTable& levels, const TypeLists& lists, bool useDictionary,
                DictionaryTables& tables, LineList& dicLines, Progress* progress) {
    if (progress) progress->SetStatus(kWaitStatus);

    // Everything is built on locals and committed at the end, so a failure leaves the caller's state alone.
    LineSource source(text.Buffer(), text.LineCount());
    Output out(source);
    DictionaryTables newTables = tables;
    LineList newDicLines;
    bool dictionaryBuilt = false;
    LevelCache levelCache(lists);
    std::string headerLine;  // the generated "Levels=" line while it is examined

    bool headerDone = false;
    bool haveKind = false;
    ObjectKind kind = ObjectKind::Poi;
    char typeText[6] = {};
    std::size_t typeLength = 0;
    // The EndLevel line to replace at the next object end: its offset and length in the output.
    bool endLevelSet = false;
    std::size_t endLevelStart = 0;
    std::size_t endLevelLength = 0;

    bool iterated = false;
    std::uint64_t lastMaximum = 0;
    std::uint64_t lastPosition = 0;
    std::uint64_t untilReport = kProgressStep;

    while (!source.AtEnd()) {
        // The index is the number of lines already passed; the list is those plus the lines still ahead.
        iterated = true;
        lastPosition = out.lines();
        lastMaximum = lastPosition + source.RemainingLines();
        if (progress && --untilReport == 0) {
            untilReport = kProgressStep;
            progress->SetProgress(lastMaximum, lastPosition);
        }

        LineSource::Line current = source.Take();
        std::string_view line = current.text;

        if (!headerDone && current.header && StartsWithNoCase(line, "Levels=")) {
            source.RemoveLevelRun();
            std::vector<std::string> header = HeaderLines(levels);
            headerLine = std::move(header.front());
            header.erase(header.begin());
            source.Inject(std::move(header));
            headerDone = true;
            line = headerLine;
        }

        if (useDictionary) {
            if (line == kHeaderEnd) {
                // Later generations would give the same lines and tables, so one build serves every such line.
                if (!dictionaryBuilt) {
                    newDicLines = BuildDictionary(lists, newTables);
                    dictionaryBuilt = true;
                }
                out.Append(line);
                for (const std::string& dicLine : newDicLines) out.Append(dicLine);
                continue;  // this exact text opens no section and holds no key that the steps below look for
            }
            if (Contains(line, kDictionaryStart)) {
                source.RemoveDictionarySection(line);
                continue;
            }
        }

        // In the object part comment lines are never recognised and the Type and EndLevel keys must begin
        // their line; header part lines are tested anywhere in the line.
        const bool objectPart = !current.header;
        if (objectPart && !line.empty() && line.front() == ';') {
            out.Append(line);
            continue;
        }
        const std::size_t bracket = line.find('[');
        const std::string_view bracketed = bracket == std::string_view::npos ? std::string_view() : line.substr(bracket);
        if (!bracketed.empty()) {
            // Tested in this order; the last test that matches decides, wherever the openers stand.
            for (const auto& [opener, openerKind] : kOpeners) {
                if (Contains(bracketed, opener)) {
                    haveKind = true;
                    kind = openerKind;
                }
            }
        }
        if (objectPart ? StartsWith(line, "Type") : Contains(line, "Type")) {
            const std::string_view value = Mid(line, 6, 11);
            typeLength = value.size();
            std::memcpy(typeText, value.data(), value.size());
        }
        const bool isEndLevel = objectPart ? StartsWith(line, "EndLevel") : Contains(line, "EndLevel");
        const bool isEnd = !bracketed.empty() && Contains(bracketed, "[END]");

        if (!isEnd) {
            if (isEndLevel) {
                endLevelSet = true;
                endLevelStart = out.size();
                endLevelLength = line.size();
            }
            out.Append(line);
            continue;
        }

        if (!haveKind) {
            out.Append(line);
            endLevelSet = false;
            continue;
        }
        const std::int32_t level = levelCache.LevelOf(kind, std::string_view(typeText, typeLength));
        char newLine[32] = "EndLevel=";
        const std::size_t prefix = std::strlen(newLine);
        char* end = std::to_chars(newLine + prefix, newLine + sizeof(newLine) - 1, level).ptr;
        *end = '\n';
        const std::string_view replacement(newLine, static_cast<std::size_t>(end - newLine));
        if (isEndLevel) {
            out.Append(replacement);  // the "[END]" line is itself the EndLevel line
        } else if (endLevelSet) {
            out.Replace(endLevelStart, endLevelLength, replacement);
            out.Append(line);
        } else {
            out.InsertBeforeLast(std::string_view(newLine, replacement.size() + 1));
            out.Append(line);
        }
        endLevelSet = false;
    }

    MapText result = MapText::FromNormalised(out.Release());
    text = std::move(result);
    if (dictionaryBuilt) dicLines = std::move(newDicLines);
    tables = newTables;

    if (progress) {
        if (iterated) progress->SetProgress(lastMaximum, lastPosition);
        progress->SetStatus(kDoneStatus);
    }
}

}  // namespace stratex
