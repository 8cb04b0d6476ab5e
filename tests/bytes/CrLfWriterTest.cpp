#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bytes/CrLfWriter.h"
#include "bytes/Error.h"

namespace stratex {
namespace {

using namespace std::string_literals;

// Keeps what is written, and the size of each write.
struct RecordingSink : ByteSink {
    std::string bytes;
    std::vector<std::size_t> writes;
    void Write(std::string_view data) override {
        bytes += data;
        writes.push_back(data.size());
    }
};

TEST(CrLfWriter, EndsEveryLineWithCrLfWhateverTheStagingSize) {
    struct Step {
        std::string bytes;
        bool input;  // else a line of the writer's own
        bool crLfOnly;
    };
    struct Case {
        std::vector<Step> steps;
        std::string written;
    };
    const Case cases[] = {
        {{{"a\nb\rc\r\nd", true, false}}, "a\r\nb\r\nc\r\nd\r\n"},
        {{{"\n\r\r\n\r", true, false}}, "\r\n\r\n\r\n\r\n"},
        {{{"x\0y\n"s, true, false}, {"EndLevel=3", false, false}, {"[END]\r\n", true, true}},
         "x\0y\r\nEndLevel=3\r\n[END]\r\n"s},
        {{{"", false, false}, {"", true, true}, {"", true, false}}, "\r\n"},
        {{{"Type=0x16\r\nData0=(1,2)\r\n", true, true}, {std::string(50, 'z') + "\n", true, false}},
         "Type=0x16\r\nData0=(1,2)\r\n" + std::string(50, 'z') + "\r\n"},
    };
    for (const Case& c : cases) {
        for (const bool background : {false, true}) {
            for (const std::size_t staging : {2, 3, 4, 7, 16, 1 << 20}) {
                SCOPED_TRACE(testing::PrintToString(c.written) + " staging " + std::to_string(staging) +
                             (background ? " in the background" : ""));
                RecordingSink sink;
                CrLfWriter writer(sink, staging, background);
                for (const Step& step : c.steps) {
                    step.input ? writer.Input(step.bytes, step.crLfOnly) : writer.Line(step.bytes);
                }
                writer.Flush();
                EXPECT_EQ(sink.bytes, c.written);
            }
        }
    }
}

TEST(CrLfWriter, SendsLongCrLfRunsStraightOut) {
    RecordingSink sink;
    CrLfWriter writer(sink, 64);
    const std::string run(100, 'r');
    writer.Line("head");
    writer.Input(run, true);
    writer.Flush();
    EXPECT_EQ(sink.bytes, "head\r\n" + run);
    // The staged line first, then the run in one write of its own.
    EXPECT_EQ(sink.writes, (std::vector<std::size_t>{6, 100}));
}

// A write that fails on the background thread fails the writer's next step, and every byte handed over
// before it has reached the sink in order.
TEST(CrLfWriter, BackgroundWriteFailureReachesTheCaller) {
    struct FailingSink : RecordingSink {
        void Write(std::string_view data) override {
            if (bytes.size() >= 40) throw Error("Cannot write to standard output");
            RecordingSink::Write(data);
        }
    };
    FailingSink sink;
    try {
        CrLfWriter writer(sink, 8, true);
        for (int k = 0; k < 100; ++k) writer.Line("line" + std::to_string(k));
        writer.Flush();
        ADD_FAILURE() << "no failure";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Cannot write to standard output");
    }
    std::string expected;
    for (int k = 0; k < 6; ++k) expected += "line" + std::to_string(k) + "\r\n";
    EXPECT_EQ(sink.bytes, expected.substr(0, 40));
}

}  // namespace
}  // namespace stratex
