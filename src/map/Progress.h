#pragma once

#include <cstdint>
#include <string_view>

namespace stratex {

// Where long operations (the scan, Process) report progress. The engine throttles its calls: it reports
// now and then while it runs, and always the final state of the progress bar before it returns.
class Progress {
public:
    virtual ~Progress() = default;
    // The status bar text (UTF-8), shown at once.
    virtual void SetStatus(std::string_view text) = 0;
    // The progress bar's maximum and position.
    virtual void SetProgress(std::uint64_t maximum, std::uint64_t position) = 0;
};

}  // namespace stratex
