#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "grammar/MapSyntax.h"
#include "grammar/ObjectKind.h"

namespace stratex {

// How a pass reads the objects of a map where passes differ on purpose; every other rule is read alike.
struct TrackerOptions {
    // Lines of the header part are read for objects too. Process does, so that an object written in front
    // of "[END-IMG ID]" still gets its EndLevel; the scan and the checker read the header part only for its
    // level lines.
    bool objectsInHeaderPart = false;
    // A section, once opened, stays open: an object end keeps its kind, so that the "[END]" of a section
    // whose opener was not recognised ends an object of the kind last opened; an opener inside a section
    // takes its kind; Type and EndLevel lines count wherever they stand. Process and the geometry reader
    // read so. Otherwise an object end closes the section, an opener counts only outside one, and only the
    // lines inside a section count.
    bool sectionsStayOpen = false;
    // The levels of coordinate lines ("DataN", "OriginN") are read.
    bool readsData = false;
};

// The readings of the passes: the scan and the checker, which reports on what the scan reads; Process and
// the geometry reader, which draws what Process would give.
inline constexpr TrackerOptions kScanReading{false, false, false};
inline constexpr TrackerOptions kCheckReading{false, false, true};
inline constexpr TrackerOptions kProcessReading{true, true, false};
inline constexpr TrackerOptions kGeometryReading{true, true, true};

// The type text of the last Type line read, which an object without a Type line of its own takes.
struct CarriedType {
    bool met = false;  // a Type line has been read
    std::uint8_t length = 0;
    char text[mapsyntax::kMaxTypeText] = {};

    std::string_view view() const { return {text, length}; }
};

// What one line is to the objects of the map, as ObjectTracker::Line tells it.
struct TrackedLine {
    mapsyntax::LineClass lineClass;   // in the header part only its markers, and only without objectsInHeaderPart
    bool header = false;              // the line belongs to the header part (the line that ends it included)
    bool endsHeader = false;          // the line ends the header part
    bool counts = false;              // its Type, EndLevel and coordinate lines count for the object being read
    bool opens = false;               // it opens an object section of kind()
    bool opensInOpenSection = false;  // it is an opener met while a section is open
    bool endsObject = false;  // it ends an object of kind(): the object's lines stay readable until the next line
    bool strayEnd = false;    // it is an object end with no section open
    int dataLevel = -1;       // with readsData, the level of a coordinate line that counts
};

// Follows the sections and objects of a map line by line: the header part, the open section and its kind,
// and the lines of interest of the object being read (its Type, EndLevel and coordinate levels). Every pass
// over a map drives one and keeps only its own state. The tracker holds no view of a line after Line
// returns, so lines may move between calls. The options are fixed for a pass, so that the rules it does not
// read by cost nothing at every line.
template <TrackerOptions options_>
class ObjectTracker {
public:
    // inHeader: the first line belongs to the header part (a walk that starts at the start of the map).
    // carried: the type text that the lines before the first one leave to an object without a Type line.
    explicit ObjectTracker(bool inHeader = true, const CarriedType& carried = {})
        : inHeader_(inHeader), type_(carried) {}

    // Reads the next line; bracket is the offset of its first "[" or npos.
    [[gnu::always_inline]] TrackedLine Line(std::string_view line, std::size_t bracket) {
        if (ended_) ResetObject();
        TrackedLine t;
        if (inHeader_) {
            t.header = true;
            if (bracket != std::string_view::npos && mapsyntax::EndsHeaderPart(line.substr(bracket))) {
                t.endsHeader = true;
                inHeader_ = false;
            }
            if constexpr (!options_.objectsInHeaderPart) {
                if (bracket == 0) t.lineClass = mapsyntax::ClassifyLine(line);
                return t;
            }
        }
        // Outside a section only an opener counts, and every opener begins with "[".
        if (!open_ && !options_.sectionsStayOpen && bracket != 0) return t;
        t.lineClass = mapsyntax::ClassifyLine(line);
        const mapsyntax::LineClass& c = t.lineClass;
        if (c.opens) {
            t.opensInOpenSection = open_;
            if (!open_ || options_.sectionsStayOpen) {
                t.opens = true;
                open_ = true;
                kind_ = c.kind;
            }
        }
        t.counts = open_ || options_.sectionsStayOpen;
        if (!t.counts) return t;
        if (c.type) {
            const std::string_view value = mapsyntax::TypeText(line);
            type_.met = true;
            type_.length = static_cast<std::uint8_t>(value.size());
            // A "Type" line of five characters or fewer has no type text (and no data pointer to copy).
            if (!value.empty()) std::memcpy(type_.text, value.data(), value.size());
            typeInObject_ = true;
        } else if (c.endLevel) {
            const std::string_view upTo = mapsyntax::UpToText(line);
            upToLength_ = static_cast<std::uint8_t>(upTo.size());
            if (!upTo.empty()) std::memcpy(upTo_, upTo.data(), upTo.size());
            hasEndLevel_ = true;
        } else if (options_.readsData && !c.end && !c.opens) {
            if (const std::optional<int> level = mapsyntax::CoordinateLevel(line)) {
                t.dataLevel = *level;
                if (*level < minData_) minData_ = *level;
                if (*level > maxData_) maxData_ = *level;
            }
        }
        if (c.end) {
            ended_ = true;
            t.endsObject = open_;
            t.strayEnd = !open_;
            open_ = open_ && options_.sectionsStayOpen;
        }
        return t;
    }

    // A stretch of lines that a pass takes away unread (a dictionary section that Process removes) ends the
    // header part when a line of it would have.
    void SkipLines(std::string_view lines) {
        if (inHeader_ && mapsyntax::EndsHeaderPart(lines)) inHeader_ = false;
    }

    bool inHeader() const { return inHeader_; }
    // A section is open: the lines that follow count for an object (with sectionsStayOpen, once the first
    // opener has been read).
    bool inSection() const { return open_; }
    ObjectKind kind() const { return kind_; }

    // The object being read, or the one that the last line ended.
    std::string_view typeText() const { return type_.view(); }
    // The type as it stands for the lines that follow: a walk that starts there goes on with it.
    const CarriedType& carried() const { return type_; }
    // A walk that started knowing nothing of the lines before it: where it met no Type line, the type that
    // those lines left goes on.
    void Carry(const CarriedType& before) {
        if (!type_.met) type_ = before;
    }
    bool typeInObject() const { return typeInObject_; }
    bool hasEndLevel() const { return hasEndLevel_; }
    // The up-to text of the object's last EndLevel line.
    std::string_view upToText() const { return {upTo_, upToLength_}; }
    // With readsData, the lowest and highest level of the object's coordinate lines; none when
    // maxData() < 0.
    int minData() const { return minData_; }
    int maxData() const { return maxData_; }

private:
    static constexpr int kNoData = 0x7FFFFFFF;

    void ResetObject() {
        ended_ = false;
        typeInObject_ = false;
        hasEndLevel_ = false;
        upToLength_ = 0;
        minData_ = kNoData;
        maxData_ = -1;
    }

    bool inHeader_;
    bool open_ = false;
    ObjectKind kind_ = ObjectKind::Poi;
    CarriedType type_;
    bool ended_ = false;  // the last line ended an object: its state goes at the next line
    bool typeInObject_ = false;
    bool hasEndLevel_ = false;
    std::uint8_t upToLength_ = 0;
    char upTo_[2] = {};
    int minData_ = kNoData;
    int maxData_ = -1;
};

}  // namespace stratex

namespace stratex {

using ProcessTracker = ObjectTracker<kProcessReading>;

}  // namespace stratex
