#include "passes/MapGeometry.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "bytes/Cp1251.h"
#include "bytes/Strings.h"
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
    // A decimal degree value as millionths, within +-limit degrees.
    std::optional<std::int32_t> Degrees(int limit) {
        SkipBlanks();
        start_ = at_;
        bool negative = false;
        if (at_ < text_.size() && (text_[at_] == '-' || text_[at_] == '+')) negative = text_[at_++] == '-';
        std::int64_t whole = 0;
        int digits = 0;
        while (at_ < text_.size() && IsDigit(text_[at_])) {
            if (whole <= 1000) whole = whole * 10 + (text_[at_] - '0');
            ++at_;
            ++digits;
        }
        std::int64_t fraction = 0;
        int fractionDigits = 0;
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            while (at_ < text_.size() && IsDigit(text_[at_])) {
                // Millionths are kept; the seventh digit rounds, the rest are below any map's precision.
                if (fractionDigits < 7) fraction = fraction * 10 + (text_[at_] - '0');
                ++fractionDigits;
                ++at_;
            }
        }
        if (digits + fractionDigits == 0) return std::nullopt;
        for (int k = std::min(fractionDigits, 7); k < 7; ++k) fraction *= 10;
        const std::int64_t value = whole * 1000000 + (fraction + 5) / 10;
        if (value > std::int64_t{limit} * 1000000) {
            outOfRange_ = true;
            return std::nullopt;
        }
        return static_cast<std::int32_t>(negative ? -value : value);
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
        if (!reader.Take('(')) return fail(reader.Reason("\"(\" is expected"));
        const std::optional<std::int32_t> lat = reader.Degrees(90);
        if (!lat) return fail(reader.NumberReason());
        if (!reader.Take(',')) return fail(reader.Reason("\",\" is expected"));
        const std::optional<std::int32_t> lon = reader.Degrees(180);
        if (!lon) return fail(reader.NumberReason());
        if (!reader.Take(')')) return fail(reader.Reason("\")\" is expected"));
        points.push_back({*lat, *lon});
    } while (reader.Take(','));
    reader.SkipBlanks();
    if (!reader.AtEnd()) return fail(reader.Reason("\",\" is expected"));
    return std::nullopt;
}

// Collects one object's shapes until its "[END]", then keeps or drops them.
class MapGeometry::Builder {
public:
    explicit Builder(MapGeometry& geometry) : g_(geometry) {}

    void AddCoordinateLine(std::uint64_t lineNumber, std::string_view line, int level) {
        const std::size_t before = g_.points_.size();
        const std::optional<std::string> reason = ReadCoordinates(ValueOf(line), g_.points_);
        if (!reason && g_.points_.size() == before) return;
        if (reason) {
            if (++g_.findingCount_ > kMaxFindings) return;
            g_.findings_.push_back({lineNumber, "Line " + std::to_string(lineNumber) + ": " + Excerpt(line) +
                                                    " cannot be read, " + *reason});
            return;
        }
        g_.shapes_.push_back({static_cast<std::uint32_t>(before), level});
    }

    // A section opener: coordinates met since the last "[END]" belong to no object.
    void OpenObject() { EndObject(false, ObjectKind::Poi, {}); }

    // An "[END]": the shapes since the previous one become an object of kind and typeText.
    void EndObject(bool haveKind, ObjectKind kind, std::string_view typeText) {
        const std::size_t shapes = g_.shapes_.size();
        if (haveKind && shapes > objectStart_) {
            Object object;
            object.firstShape = static_cast<std::uint32_t>(objectStart_);
            object.type = TypeIndex(kind, typeText);
            object.lowestLevel = std::numeric_limits<std::int32_t>::max();
            for (std::size_t s = objectStart_; s < shapes; ++s) {
                object.lowestLevel = std::min(object.lowestLevel, g_.shapes_[s].level);
            }
            for (std::size_t p = g_.shapes_[objectStart_].firstPoint; p < g_.points_.size(); ++p) {
                object.box.Add(g_.points_[p]);
            }
            g_.bounds_.Add(object.box);
            g_.objects_.push_back(object);
        } else {
            // Coordinates outside an object, or before any section opener, belong to nothing drawn.
            g_.points_.resize(shapes > objectStart_ ? g_.shapes_[objectStart_].firstPoint : g_.points_.size());
            g_.shapes_.resize(objectStart_);
        }
        objectStart_ = g_.shapes_.size();
    }

    void Finish() {
        EndObject(false, ObjectKind::Poi, {});  // an object left open at the end of the map is not closed
        g_.shapes_.push_back({static_cast<std::uint32_t>(g_.points_.size()), 0});
        g_.objects_.push_back({static_cast<std::uint32_t>(g_.shapes_.size() - 1), 0, 0, {}});
        // Parentheses in labels and comments leave the reserve only slightly too large: kept as it is.
        g_.shapes_.shrink_to_fit();
        g_.objects_.shrink_to_fit();
    }

private:
    std::uint32_t TypeIndex(ObjectKind kind, std::string_view text) {
        std::string key(1, static_cast<char>('0' + static_cast<int>(kind)));
        key += text;
        const auto [it, added] = typeIndex_.try_emplace(std::move(key), static_cast<std::uint32_t>(g_.types_.size()));
        if (added) g_.types_.push_back({kind, std::string(text)});
        return it->second;
    }

    MapGeometry& g_;
    std::size_t objectStart_ = 0;
    std::unordered_map<std::string, std::uint32_t> typeIndex_;
};

MapGeometry MapGeometry::Read(const MapText& map) {
    MapGeometry geometry;
    // Every point is written with a "(": room for all of them at once spares the copies of a growing array.
    const std::string& text = map.Buffer();
    geometry.points_.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '(')));
    Builder builder(geometry);
    // Lines are read as Process reads them: the kind and the type text are kept from object to object.
    ObjectTracker<kGeometryReading> tracker;
    for (MapText::Cursor cursor(map); !cursor.AtEnd(); cursor.Next()) {
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

std::span<const MapGeometry::Shape> MapGeometry::ShapesOf(std::size_t object) const {
    const std::size_t first = objects_[object].firstShape;
    return {shapes_.data() + first, objects_[object + 1].firstShape - first};
}

std::span<const GeoPoint> MapGeometry::PointsOf(const Shape& shape) const {
    const Shape* next = &shape + 1;
    return {points_.data() + shape.firstPoint, next->firstPoint - shape.firstPoint};
}

int MapGeometry::ShapeLevelAt(std::size_t object, int level) const {
    int best = -1;
    for (const Shape& shape : ShapesOf(object)) {
        if (shape.level <= level) best = std::max(best, shape.level);
    }
    return best;
}

std::size_t MapGeometry::MemoryBytes() const {
    std::size_t bytes = sizeof(*this) + points_.capacity() * sizeof(GeoPoint) + shapes_.capacity() * sizeof(Shape) +
                        objects_.capacity() * sizeof(Object) + findings_.capacity() * sizeof(GeometryFinding);
    for (const Type& type : types_) bytes += sizeof(Type) + type.text.capacity();
    for (const GeometryFinding& finding : findings_) bytes += finding.message.capacity();
    return bytes;
}

}  // namespace stratex
