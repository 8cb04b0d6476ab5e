#pragma once

#include <cstdint>

namespace stratex {

// The states of a long pass that the front ends show in their own words.
enum class PassState {
    Scanning,    // the scan has started
    Scanned,     // the scan has ended and found a Polish map
    NotAMap,     // the scan has ended: no line ends a header part
    Processing,  // Process has started
    Processed,   // Process has ended
};

// Where long operations (the scan, Process) report progress. The engine throttles its calls: it reports
// now and then while it runs, and always the final state of the progress bar before it returns.
class Progress {
public:
    virtual ~Progress() = default;
    // The pass has reached state.
    virtual void SetState(PassState state) = 0;
    // The progress bar's maximum and position.
    virtual void SetProgress(std::uint64_t maximum, std::uint64_t position) = 0;
};

}  // namespace stratex
