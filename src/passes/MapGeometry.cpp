#include "passes/MapGeometry.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <iterator>
#include <limits>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "bytes/ByteScan.h"
#include "bytes/Cp1251.h"
#include "bytes/Error.h"
#include "bytes/Strings.h"
#include "grammar/MapSyntax.h"
#include "grammar/ObjectTracker.h"
#include "passes/Parallel.h"

namespace stratex {

void GeoBox::Add(GeoPoint p) {
    if (empty()) {
        *this = {p.lat, p.lon, p.lat, p.lon};
        return;
    }
    minLat = std::min(minLat, p.lat);
    minLon = std::min(minLon, p.lon);
    maxLat = std::max(maxLat, p.lat);
    maxLon = std::max(maxLon, p.lon);
}

void GeoBox::Add(const GeoBox& box) {
    if (box.empty()) return;
    Add(GeoPoint{box.minLat, box.minLon});
    Add(GeoPoint{box.maxLat, box.maxLon});
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The line as a message quotes it: a long coordinate line is cut after its first kExcerpt characters.
constexpr std::size_t kExcerpt = 60;
std::string Excerpt(std::string_view line) {
    return line.size() <= kExcerpt ? Cp1251ToUtf8(line) : Cp1251ToUtf8(line.substr(0, kExcerpt)) + "...";
}

Error TooManyTypes() {
    return Error("The map has more than " + std::to_string(MapGeometry::kMaxTypes) + " object types to draw");
}

// What a fraction of n digits is multiplied by to give millionths.
constexpr std::int64_t kToSixth[] = {1000000, 100000, 10000, 1000, 100, 10, 1};

// The fractions of coordinates are read eight bytes at a time, on processors that keep the first byte of a
// word lowest: the digits' count and value without a branch per digit, the most of a number's cost.
constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0;
constexpr std::uint64_t kDigitNibbles = 0x3030303030303030;

std::uint64_t LoadEight(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// How many of the eight bytes at p are decimal digits before the first that is not.
std::size_t LeadingDigits(const char* p) {
    const std::uint64_t word = LoadEight(p);
    // Non-zero in every byte that is no digit: its high nibble is not 3, or adding 6 carries out of its low
    // one. A carry out of a byte of 0xFA or more reaches only the bytes behind it, which do not count.
    const std::uint64_t others =
        ((word & kHighNibbles) ^ kDigitNibbles) | (((word + 0x0606060606060606) & kHighNibbles) ^ kDigitNibbles);
    return others == 0 ? 8 : static_cast<std::size_t>(std::countr_zero(others)) / 8;
}

// The value of the first count (at most 8) bytes at p, all digits.
std::int64_t DigitsValue(const char* p, std::size_t count) {
    if (count == 0) return 0;
    // The digits go to the top of the word, behind zeros: the bytes beyond them (and what borrowing from
    // them changes) fall out.
    std::uint64_t d = (LoadEight(p) - kDigitNibbles) << (8 * (8 - count));
    d = (d * 10 + (d >> 8)) & 0x00FF00FF00FF00FF;
    d = (d * 100 + (d >> 16)) & 0x0000FFFF0000FFFF;
    d = (d * 10000 + (d >> 32)) & 0xFFFFFFFF;
    return static_cast<std::int64_t>(d);
}

// A reader over a coordinate value that knows where it stands, for located reasons.
class CoordinateReader {
public:
    explicit CoordinateReader(std::string_view text) : text_(text) {}

    void SkipBlanks() {
        while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
    }
    bool AtEnd() const { return at_ >= text_.size(); }
    bool Take(char c) {
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    // A decimal degree value as millionths, within +-limit degrees, into degrees; false where there is none.
    // (An optional returned from here, built in two stores and read in one load, stalled every number.)
    bool Degrees(int limit, std::int32_t& degrees) {
        SkipBlanks();
        start_ = at_;
        // Read through locals, which stay in registers, where the member would be stored at every digit.
        const char* const text = text_.data();
        const std::size_t size = text_.size();
        std::size_t at = at_;
        bool negative = false;
        if (at < size && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
        std::int64_t whole = 0;
        const std::size_t wholeStart = at;
        while (at < size && IsDigit(text[at])) {
            if (whole <= 1000) whole = whole * 10 + (text[at] - '0');
            ++at;
        }
        const std::size_t digits = at - wholeStart;
        std::int64_t fraction = 0;
        std::size_t fractionDigits = 0;
        if (at < size && text[at] == '.') {
            ++at;
            const std::size_t fractionStart = at;
            // Millionths are kept; the seventh digit rounds, the rest are below any map's precision.
            std::size_t kept = 0;
            if (std::endian::native == std::endian::little && size - at >= 8) {
                kept = std::min<std::size_t>(LeadingDigits(text + at), 7);
                fraction = DigitsValue(text + at, kept);
                at += kept;
            } else {
                const std::size_t keptEnd = std::min(size, at + 7);
                while (at < keptEnd && IsDigit(text[at])) fraction = fraction * 10 + (text[at++] - '0');
                kept = at - fractionStart;
            }
            // Six digits or fewer are millionths as they stand; a seventh rounds them.
            fraction = kept == 7 ? (fraction + 5) / 10 : fraction * kToSixth[kept];
            while (at < size && IsDigit(text[at])) ++at;
            fractionDigits = at - fractionStart;
        }
        at_ = at;
        if (digits + fractionDigits == 0) return false;
        const std::int64_t value = whole * 1000000 + fraction;
        if (value > std::int64_t{limit} * 1000000) {
            outOfRange_ = true;
            return false;
        }
        degrees = static_cast<std::int32_t>(negative ? -value : value);
        return true;
    }
    // "character N: what": N counts from 1 within the value.
    std::string Reason(const char* what) const { return "character " + std::to_string(at_ + 1) + ": " + what; }
    std::string NumberReason() const {
        return outOfRange_ ? "character " + std::to_string(start_ + 1) + ": the number is out of range"
                           : Reason("a number is expected");
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t start_ = 0;
    bool outOfRange_ = false;
};

}  // namespace

namespace {

// The reading of ReadCoordinates, handing each point to sink as it is read.
template <typename Sink>
std::optional<std::string> ReadCoordinatesTo(std::string_view value, Sink&& sink) {
    CoordinateReader reader(value);
    do {
        std::int32_t lat = 0;
        std::int32_t lon = 0;
        if (!reader.Take('(')) return reader.Reason("\"(\" is expected");
        if (!reader.Degrees(90, lat)) return reader.NumberReason();
        if (!reader.Take(',')) return reader.Reason("\",\" is expected");
        if (!reader.Degrees(180, lon)) return reader.NumberReason();
        if (!reader.Take(')')) return reader.Reason("\")\" is expected");
        sink(GeoPoint{lat, lon});
    } while (reader.Take(','));
    reader.SkipBlanks();
    if (!reader.AtEnd()) return reader.Reason("\",\" is expected");
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadCoordinates(std::string_view value, std::vector<GeoPoint>& points) {
    const std::size_t before = points.size();
    std::optional<std::string> reason = ReadCoordinatesTo(value, [&](GeoPoint p) { points.push_back(p); });
    if (reason) points.resize(before);
    return reason;
}

// What one part of a map gives, read on its own: its objects, typed by the part's own list of types, its
// findings numbered by the part's own lines, and what goes on into the next part.
struct MapGeometry::Part {
    std::uint64_t start = 0;  // the part's bytes in the map text
    std::uint64_t end = 0;
    std::vector<Object> objects;
    std::vector<Type> types;
    // Per type of types: its objects ended before the part's first Type line, with the type text the
    // parts before leave (types[t].text is then empty).
    std::vector<bool> typeFromBefore;
    GeoBox bounds;
    std::vector<std::pair<std::size_t, std::uint32_t>> startHighs;  // as MapGeometry's, by the part's objects
    std::vector<GeometryFinding> findings;  // the line within the part; the message without "Line N: "
    std::uint64_t findingCount = 0;
    std::uint64_t lines = 0;
    CarriedType typeAfter;  // the type text the part leaves to the parts after it
};

// Collects one object's coordinate lines until its "[END]", then keeps or drops the object.
class MapGeometry::Builder {
public:
    Builder(Part& part, const char* text) : part_(part), text_(text) {}

    void AddCoordinateLine(std::uint64_t lineNumber, std::string_view line, int level) {
        // Only the line's box is kept: its points are read again from the text when drawn.
        GeoBox box{std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
                   std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min()};
        const std::optional<std::string> reason = ReadCoordinatesTo(ValueOf(line), [&](GeoPoint p) {
            box.minLat = std::min(box.minLat, p.lat);
            box.minLon = std::min(box.minLon, p.lon);
            box.maxLat = std::max(box.maxLat, p.lat);
            box.maxLon = std::max(box.maxLon, p.lon);
        });
        if (reason) {
            if (++part_.findingCount > kMaxFindings) return;
            part_.findings.push_back({lineNumber, Excerpt(line) + " cannot be read, " + *reason});
            return;
        }
        box_.Add(box);
        if (!open_) start_ = static_cast<std::uint64_t>(line.data() - text_);
        lowest_ = open_ ? std::min(lowest_, level) : level;
        open_ = true;
    }

    // A section opener: coordinates met since the last "[END]" belong to no object.
    void OpenObject() { Drop(); }

    // An "[END]": the coordinate lines since the previous one make an object of kind and typeText, or of
    // the type text the parts before leave where the part has met no Type line yet.
    void EndObject(bool haveKind, ObjectKind kind, std::string_view typeText, bool typeMet) {
        if (haveKind && open_) {
            Object object;
            object.box = box_;
            object.typeAndLevel = TypeIndex(kind, typeText, !typeMet) |
                                  static_cast<std::uint32_t>(std::min(lowest_, kMaxLowestLevel)) << 24;
            object.startLow = static_cast<std::uint32_t>(start_);
            const auto high = static_cast<std::uint32_t>(start_ >> 32);
            if (high != (part_.startHighs.empty() ? 0 : part_.startHighs.back().second)) {
                part_.startHighs.emplace_back(part_.objects.size(), high);
            }
            part_.bounds.Add(box_);
            part_.objects.push_back(object);
        }
        Drop();
    }

    void Finish() {
        Drop();  // an object left open at the end of the part is not closed: the next opener drops it
    }

private:
    void Drop() {
        open_ = false;
        box_ = {};
    }

    std::uint32_t TypeIndex(ObjectKind kind, std::string_view text, bool fromBefore) {
        // Objects of a type mostly come in runs: the last type found answers most of them without a lookup.
        if (lastType_ < part_.types.size() && part_.types[lastType_].kind == kind &&
            part_.types[lastType_].text == text && part_.typeFromBefore[lastType_] == fromBefore) {
            return lastType_;
        }
        std::string key(1, static_cast<char>((fromBefore ? 'a' : '0') + static_cast<int>(kind)));
        key += text;
        const auto [it, added] = typeIndex_.try_emplace(std::move(key), static_cast<std::uint32_t>(part_.types.size()));
        if (added) {
            if (part_.types.size() == kMaxTypes) throw TooManyTypes();
            part_.types.push_back({kind, std::string(text)});
            part_.typeFromBefore.push_back(fromBefore);
        }
        lastType_ = it->second;
        return it->second;
    }

    Part& part_;
    const char* text_;
    bool open_ = false;  // the object being read has a coordinate line
    std::uint64_t start_ = 0;
    int lowest_ = 0;
    GeoBox box_;
    std::unordered_map<std::string, std::uint32_t> typeIndex_;
    std::uint32_t lastType_ = std::numeric_limits<std::uint32_t>::max();
};

namespace {

// The lines that begin with "[" in text: every object ends at one.
std::size_t CountBracketLines(std::string_view text) {
    const char* const end = text.data() + text.size();
    std::size_t count = 0;
    for (const char* at = text.data(); (at = bytescan::Find(at, end, '[')) != end; ++at) {
        if (at == text.data() || at[-1] == '\n') ++count;
    }
    return count;
}

}  // namespace

bool MapGeometry::ReadPart(const std::string& text, Part& part, const std::atomic<bool>& stop) {
    constexpr std::uint64_t kStopCheck = 4096;  // lines between looks at stop
    const std::string_view bytes = std::string_view(text).substr(part.start, part.end - part.start);
    // Room for an object at every line that can end one spares the copies of a growing store (a copy
    // would hold it twice); room never filled costs no memory.
    part.objects.reserve(CountBracketLines(bytes));
    Builder builder(part, text.data());
    // Lines are read as Process reads them: the kind and the type text are kept from object to object. A
    // part after the first starts at an opener, where only the type text comes from before.
    ObjectTracker<kGeometryReading> tracker(part.start == 0);
    for (std::size_t at = 0; at < bytes.size();) {
        if (part.lines % kStopCheck == 0 && stop.load(std::memory_order_relaxed)) return false;
        const std::size_t lineEnd = std::min(bytes.find('\n', at), bytes.size());
        const std::string_view line = bytes.substr(at, lineEnd - at);
        at = lineEnd + 1;
        ++part.lines;
        const TrackedLine tracked = tracker.Line(line, line.find('['));
        if (tracked.dataLevel >= 0) {
            builder.AddCoordinateLine(part.lines, line, tracked.dataLevel);
        } else if (tracked.opens) {
            builder.OpenObject();
        } else if (tracked.endsObject || tracked.strayEnd) {
            builder.EndObject(tracked.endsObject, tracker.kind(), tracker.typeText(), tracker.carried().met);
        }
    }
    builder.Finish();
    part.typeAfter = tracker.carried();
    return true;
}

MapGeometry MapGeometry::Read(const MapText& map) {
    const std::atomic<bool> never{false};
    return *Read(map, never);
}

std::optional<std::vector<MapGeometry::Part>> MapGeometry::ReadParts(const std::string& text,
                                                                     const std::atomic<bool>& stop, std::size_t parts) {
    std::vector<Part> read(1);
    for (std::size_t k = 1; k < parts; ++k) {
        std::size_t scanned = std::max<std::size_t>(text.size() / parts * k, read.back().start + 1);
        const std::optional<std::size_t> cut = mapsyntax::FindSectionCut(text, scanned, false);
        if (!cut) break;
        read.back().end = *cut;
        read.emplace_back().start = *cut;
    }
    read.back().end = text.size();
    std::vector<char> done(read.size(), 0);
    std::vector<std::exception_ptr> failures(read.size());
    RunSideBySide(read.size(), read.size(), [&](std::size_t k) {
        try {
            done[k] = ReadPart(text, read[k], stop);
        } catch (...) {
            failures[k] = std::current_exception();
        }
    });
    for (const std::exception_ptr& failure : failures) {
        if (failure) std::rethrow_exception(failure);
    }
    if (std::find(done.begin(), done.end(), 0) != done.end()) return std::nullopt;
    return read;
}

std::optional<MapGeometry> MapGeometry::Read(const MapText& map, const std::atomic<bool>& stop, std::size_t parts) {
    const std::string& text = map.Buffer();
    if (parts == 0) parts = std::clamp<std::size_t>(text.size() / kPartSize, 1, PassThreads());
    std::optional<std::vector<Part>> read = ReadParts(text, stop, parts);
    if (!read) return std::nullopt;

    // The parts joined in map order: one list of types, the type text each part leaves to the next, lines
    // numbered from the start of the map.
    MapGeometry geometry;
    std::unordered_map<std::string, std::uint32_t> typeIndex;
    const auto globalType = [&](ObjectKind kind, std::string_view typeText) {
        std::string key(1, static_cast<char>('0' + static_cast<int>(kind)));
        key += typeText;
        const auto [it, added] =
            typeIndex.try_emplace(std::move(key), static_cast<std::uint32_t>(geometry.types_.size()));
        if (added) {
            if (geometry.types_.size() == kMaxTypes) throw TooManyTypes();
            geometry.types_.push_back({kind, std::string(typeText)});
        }
        return it->second;
    };
    CarriedType typeBefore;
    std::uint64_t linesBefore = 0;
    std::size_t objects = 0;
    for (Part& part : *read) {
        std::vector<std::uint32_t> types(part.types.size());
        for (std::size_t t = 0; t < part.types.size(); ++t) {
            types[t] = globalType(part.types[t].kind, part.typeFromBefore[t] ? typeBefore.view() : part.types[t].text);
        }
        geometry.levelCounts_.resize(geometry.types_.size());
        for (Object& object : part.objects) {
            object.typeAndLevel = (object.typeAndLevel & ~(kMaxTypes - 1)) | types[object.type()];
            // A type's objects have few lowest levels: a short list serves.
            auto& counts = geometry.levelCounts_[object.type()];
            const int lowest = object.lowestLevel();
            auto count = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == lowest; });
            if (count == counts.end()) count = counts.insert(counts.end(), {lowest, 0});
            ++count->second;
        }
        for (const auto& [first, high] : part.startHighs) geometry.startHighs_.emplace_back(objects + first, high);
        if (part.typeAfter.met) typeBefore = part.typeAfter;
        for (GeometryFinding& finding : part.findings) {
            if (geometry.findings_.size() == kMaxFindings) break;
            finding.line += linesBefore;
            finding.message = "Line " + std::to_string(finding.line) + ": " + finding.message;
            geometry.findings_.push_back(std::move(finding));
        }
        geometry.findingCount_ += part.findingCount;
        linesBefore += part.lines;
        geometry.bounds_.Add(part.bounds);
        objects += part.objects.size();
        geometry.partEnds_.push_back(objects);
        geometry.parts_.push_back(std::move(part.objects));
    }
    return geometry;
}

int MapGeometry::ShapesAt(std::string_view text, std::size_t object, int level, std::vector<GeoPoint>& points,
                          std::vector<std::size_t>& ends) const {
    points.clear();
    ends.clear();
    const Object& entry = this->object(object);
    const std::string_view rest = text.substr(Start(object));
    // Between the object's first coordinate line and the line that ends it no other object begins (an
    // opener would have dropped the lines before it): its coordinate lines are all there are.
    const auto forEachLine = [&](auto&& take) {
        for (std::size_t at = 0; at < rest.size();) {
            const std::size_t end = std::min(rest.find('\n', at), rest.size());
            const std::string_view line = rest.substr(at, end - at);
            if (line.starts_with('[') && mapsyntax::ClassifyLine(line).end) return;
            if (const std::optional<int> lineLevel = mapsyntax::CoordinateLevel(line)) take(line, *lineLevel);
            at = end + 1;
        }
    };
    // The level is chosen among the lines that were read: where all lines of the highest level at most
    // level fail or hold no point, the next level down draws the object, as if they were not there.
    for (int limit = level; limit >= entry.lowestLevel();) {
        int best = -1;
        forEachLine([&](std::string_view, int lineLevel) {
            if (lineLevel <= limit) best = std::max(best, lineLevel);
        });
        if (best < 0) break;
        forEachLine([&](std::string_view line, int lineLevel) {
            if (lineLevel != best) return;
            const std::size_t before = points.size();
            if (!ReadCoordinates(ValueOf(line), points) && points.size() > before) ends.push_back(points.size());
        });
        if (!ends.empty()) return best;
        limit = best - 1;
    }
    return -1;
}

static_assert(sizeof(MapGeometry::Object) == 24, "an object costs 24 bytes");

std::uint64_t MapGeometry::Start(std::size_t i) const {
    const auto past = std::upper_bound(startHighs_.begin(), startHighs_.end(), i,
                                       [](std::size_t object, const auto& high) { return object < high.first; });
    const std::uint64_t high = past == startHighs_.begin() ? 0 : std::prev(past)->second;
    return high << 32 | object(i).startLow;
}

std::size_t MapGeometry::MemoryBytes() const {
    // The objects' room beyond their count was never written: it costs address space, not memory.
    std::size_t bytes = sizeof(*this) + ObjectCount() * sizeof(Object) + findings_.capacity() * sizeof(GeometryFinding);
    for (const Type& type : types_) bytes += sizeof(Type) + type.text.capacity();
    for (const GeometryFinding& finding : findings_) bytes += finding.message.capacity();
    return bytes;
}

}  // namespace stratex
