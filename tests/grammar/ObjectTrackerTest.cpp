#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "grammar/ObjectTracker.h"

namespace stratex {
namespace {

// What the tracker says of each line, one word a line: "h" for a header line ("H" for the one that ends
// the header part), then "o" for an opener taken, "!" for an opener met in an open section, and for an object
// end "end(<kind> <type> <up-to>)" or "stray"; "-" for a line that says nothing. With data levels, the
// object's lowest and highest level follow its end.
template <TrackerOptions options>
std::string Events(const std::vector<std::string>& lines) {
    ObjectTracker<options> tracker;
    std::string events;
    for (const std::string& line : lines) {
        const TrackedLine t = tracker.Line(line, line.find('['));
        std::string word = t.endsHeader ? "H" : t.header ? "h" : "";
        if (t.opens) word += "o";
        if (t.opensInOpenSection) word += "!";
        if (t.endsObject) {
            const char kinds[] = {'P', 'L', 'G'};
            word += std::string("end(") + kinds[static_cast<int>(tracker.kind())] + " " +
                    std::string(tracker.typeText()) + " " + std::string(tracker.upToText()) + ")";
            if (options.readsData && tracker.maxData() >= 0) {
                word += std::to_string(tracker.minData()) + ".." + std::to_string(tracker.maxData());
            }
        }
        if (t.strayEnd) word += "stray";
        events += (word.empty() ? "-" : word) + " ";
    }
    return events;
}

struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* scan;     // kScanReading
    const char* process;  // kProcessReading
};

// Where the two readings part, on purpose, and where they agree.
const Case kCases[] = {
    {"an object",
     {"[END-IMG ID]", "[POLYLINE]", "Type=0x16", "EndLevel=2", "Data0=(1,2)", "[END]"},
     "H o - - - end(L 0x16 2) ",
     "H o - - - end(L 0x16 2) "},
    {"an end before any opener",
     {"[END-IMG ID]", "[END]", "[POI]", "Type=0x2f06", "[END]"},
     "H - o - end(P 0x2f06 ) ",
     "H stray o - end(P 0x2f06 ) "},
    {"a second end keeps the kind only in Process's reading",
     {"[END-IMG ID]", "[POI]", "Type=0x2f06", "[END]", "EndLevel=4", "[END]"},
     "H o - end(P 0x2f06 ) - - ",
     "H o - end(P 0x2f06 ) - end(P 0x2f06 4) "},
    {"an opener inside a section",
     {"[END-IMG ID]", "[POI]", "[POLYGON]", "Type=0x4c", "[END]"},
     "H o ! - end(P 0x4c ) ",
     "H o o! - end(G 0x4c ) "},
    {"an object in the header part",
     {"[POI]", "Type=0x2f06", "[END]", "[END-IMG ID]"},
     "h h h H ",
     "ho h hend(P 0x2f06 ) H "},
    {"a type carried to an object without one",
     {"[END-IMG ID]", "[POI]", "Type=0x2f06", "[END]", "[POI]", "EndLevel=1", "[END]"},
     "H o - end(P 0x2f06 ) o - end(P 0x2f06 1) ",
     "H o - end(P 0x2f06 ) o! - end(P 0x2f06 1) "},
    {"a marker later in the line ends the header part",
     {"; [END-IMG ID]", "[POI]", "[END]"},
     "H o end(P  ) ",
     "H o end(P  ) "},
};

TEST(ObjectTracker, ReadingsPartWhereTheyShould) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Events<kScanReading>(c.lines), c.scan);
        EXPECT_EQ(Events<kProcessReading>(c.lines), c.process);
    }
}

TEST(ObjectTracker, DataLevelsCountOnlyInsideTheObject) {
    const std::vector<std::string> lines = {"[END-IMG ID]",  "Data4=(1,2)", "[POLYGON]", "Type=0x4c",   "Data1=(1,2)",
                                            "Origin3=(1,2)", "[END]",       "[POI]",     "Type=0x2f06", "[END]"};
    EXPECT_EQ(Events<kCheckReading>(lines), "H - o - - - end(G 0x4c )1..3 o - end(P 0x2f06 ) ");
}

// A walk that starts within the map knows nothing of the type before it until told; the type it meets wins.
TEST(ObjectTracker, CarriedTypeGoesOnUntilATypeIsMet) {
    ProcessTracker before;
    before.Line("Type=0x16", std::string_view::npos);
    ProcessTracker later(false);
    EXPECT_FALSE(later.carried().met);
    later.Carry(before.carried());
    EXPECT_EQ(later.typeText(), "0x16");
    later.Line("Type=0x1f", std::string_view::npos);
    later.Carry(before.carried());
    EXPECT_EQ(later.typeText(), "0x1f");
}

}  // namespace
}  // namespace stratex
