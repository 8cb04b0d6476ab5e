#include "passes/MapGeometry.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "bytes/ByteScan.h"
#include "bytes/Cp1251.h"
#include "bytes/Strings.h"
#include "grammar/MapSyntax.h"
#include "grammar/ObjectTracker.h"

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

std::optional<std::string> ReadCoordinates(std::string_view value, std::vector<GeoPoint>& points) {
    const std::size_t before = points.size();
    CoordinateReader reader(value);
    const auto fail = [&](std::string reason) {
        points.resize(before);
        return std::optional<std::string>(std::move(reason));
    };
    do {
        std::int32_t lat = 0;
        std::int32_t lon = 0;
        if (!reader.Take('(')) return fail(reader.Reason("\"(\" is expected"));
        if (!reader.Degrees(90, lat)) return fail(reader.NumberReason());
        if (!reader.Take(',')) return fail(reader.Reason("\",\" is expected"));
        if (!reader.Degrees(180, lon)) return fail(reader.NumberReason());
        if (!reader.Take(')')) return fail(reader.Reason("\")\" is expected"));
        points.push_back({lat, lon});
    } while (reader.Take(','));
    reader.SkipBlanks();
    if (!reader.AtEnd()) return fail(reader.Reason("\",\" is expected"));
    return std::nullopt;
}

// Collects one object's coordinate lines until its "[END]", then keeps or drops the object.
class MapGeometry::Builder {
public:
    Builder(MapGeometry& geometry, const std::string& text) : g_(geometry), text_(text.data()) {}

    void AddCoordinateLine(std::uint64_t lineNumber, std::string_view line, int level) {
        points_.clear();
        const std::optional<std::string> reason = ReadCoordinates(ValueOf(line), points_);
        if (reason) {
            if (++g_.findingCount_ > kMaxFindings) return;
            g_.findings_.push_back({lineNumber, "Line " + std::to_string(lineNumber) + ": " + Excerpt(line) +
                                                    " cannot be read, " + *reason});
            return;
        }
        for (const GeoPoint& point : points_) box_.Add(point);
        const auto offset = static_cast<std::uint64_t>(line.data() - text_);
        if (!open_) start_ = offset;
        end_ = offset + line.size();
        lowest_ = open_ ? std::min(lowest_, level) : level;
        open_ = true;
    }

    // A section opener: coordinates met since the last "[END]" belong to no object.
    void OpenObject() { Drop(); }

    // An "[END]": the coordinate lines since the previous one make an object of kind and typeText.
    void EndObject(bool haveKind, ObjectKind kind, std::string_view typeText) {
        // A stretch beyond what an entry can hold (4 GiB of coordinates, or a map of 256 TiB) is not kept.
        if (haveKind && open_ && end_ - start_ <= std::numeric_limits<std::uint32_t>::max() && start_ >> 48 == 0) {
            Object object;
            object.box = box_;
            object.type = TypeIndex(kind, typeText);
            object.length = static_cast<std::uint32_t>(end_ - start_);
            object.startLow = static_cast<std::uint32_t>(start_);
            object.startHigh = static_cast<std::uint16_t>(start_ >> 32);
            object.lowestLevel = static_cast<std::int16_t>(lowest_);
            g_.bounds_.Add(box_);
            g_.objects_.push_back(object);
        }
        Drop();
    }

    void Finish() {
        Drop();  // an object left open at the end of the map is not closed
    }

private:
    void Drop() {
        open_ = false;
        box_ = {};
    }

    std::uint32_t TypeIndex(ObjectKind kind, std::string_view text) {
        // Objects of a type mostly come in runs: the last type found answers most of them without a lookup.
        if (lastType_ < g_.types_.size() && g_.types_[lastType_].kind == kind && g_.types_[lastType_].text == text) {
            return lastType_;
        }
        std::string key(1, static_cast<char>('0' + static_cast<int>(kind)));
        key += text;
        const auto [it, added] = typeIndex_.try_emplace(std::move(key), static_cast<std::uint32_t>(g_.types_.size()));
        if (added) g_.types_.push_back({kind, std::string(text)});
        lastType_ = it->second;
        return it->second;
    }

    MapGeometry& g_;
    const char* text_;
    std::vector<GeoPoint> points_;  // the points of the line being read
    bool open_ = false;             // the object being read has a coordinate line
    std::uint64_t start_ = 0;
    std::uint64_t end_ = 0;
    int lowest_ = 0;
    GeoBox box_;
    std::unordered_map<std::string, std::uint32_t> typeIndex_;
    std::uint32_t lastType_ = std::numeric_limits<std::uint32_t>::max();
};

MapGeometry MapGeometry::Read(const MapText& map) {
    const std::atomic<bool> never{false};
    return *Read(map, never);
}

std::optional<MapGeometry> MapGeometry::Read(const MapText& map, const std::atomic<bool>& stop) {
    constexpr std::uint64_t kStopCheck = 4096;  // lines between looks at stop
    MapGeometry geometry;
    // Every object ends at a line that begins with "[": room for that many objects at once spares the
    // copies of a growing store (a copy would hold the store twice), and room never filled costs no memory.
    const std::string& text = map.Buffer();
    std::size_t brackets = 0;
    for (const char* at = text.data();
         (at = bytescan::Find(at, text.data() + text.size(), '[')) != text.data() + text.size(); ++at) {
        if (at == text.data() || at[-1] == '\n') ++brackets;
    }
    geometry.objects_.reserve(brackets);
    Builder builder(geometry, text);
    // Lines are read as Process reads them: the kind and the type text are kept from object to object.
    ObjectTracker<kGeometryReading> tracker;
    for (MapText::Cursor cursor(map); !cursor.AtEnd(); cursor.Next()) {
        if (cursor.index() % kStopCheck == 0 && stop.load(std::memory_order_relaxed)) return std::nullopt;
        const std::string_view line = cursor.Line();
        const TrackedLine tracked = tracker.Line(line, line.find('['));
        if (tracked.dataLevel >= 0) {
            builder.AddCoordinateLine(cursor.index() + 1, line, tracked.dataLevel);
        } else if (tracked.opens) {
            builder.OpenObject();
        } else if (tracked.endsObject || tracked.strayEnd) {
            builder.EndObject(tracked.endsObject, tracker.kind(), tracker.typeText());
        }
    }
    builder.Finish();
    return geometry;
}

int MapGeometry::ShapesAt(std::string_view text, std::size_t object, int level, std::vector<GeoPoint>& points,
                          std::vector<std::size_t>& ends) const {
    points.clear();
    ends.clear();
    const Object& entry = objects_[object];
    const std::string_view stretch = text.substr(entry.start(), entry.length);
    const auto forEachLine = [&](auto&& take) {
        for (std::size_t at = 0; at < stretch.size();) {
            std::size_t end = stretch.find('\n', at);
            if (end == std::string_view::npos) end = stretch.size();
            const std::string_view line = stretch.substr(at, end - at);
            if (const std::optional<int> lineLevel = mapsyntax::CoordinateLevel(line)) take(line, *lineLevel);
            at = end + 1;
        }
    };
    // The level is chosen among the lines that were read: where all lines of the highest level at most
    // level fail or hold no point, the next level down draws the object, as if they were not there.
    for (int limit = level; limit >= entry.lowestLevel;) {
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

std::size_t MapGeometry::MemoryBytes() const {
    // The objects' room beyond their count was never written: it costs address space, not memory.
    std::size_t bytes =
        sizeof(*this) + objects_.size() * sizeof(Object) + findings_.capacity() * sizeof(GeometryFinding);
    for (const Type& type : types_) bytes += sizeof(Type) + type.text.capacity();
    for (const GeometryFinding& finding : findings_) bytes += finding.message.capacity();
    return bytes;
}

}  // namespace stratex
