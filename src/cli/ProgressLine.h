#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <ostream>
#include <sstream>
#include <string>

#include "cli/CliSteps.h"

namespace stratex {

// Maps at least this large show their progress on a terminal even alone.
inline constexpr std::uint64_t kLongRunBytes = 100 * 1000 * 1000;

// The size of a map file given on the command line; 0 where it cannot be told.
inline std::uint64_t FileBytes(const std::string& map) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(AbsolutePath(map), ec);
    return ec ? 0 : static_cast<std::uint64_t>(size);
}

// "1.2 GB", "340 MB", "12 kB".
inline std::string BytesText(std::uint64_t bytes) {
    const char* units[] = {"bytes", "kB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1000 && unit + 1 < std::size(units)) {
        value /= 1000;
        ++unit;
    }
    std::ostringstream text;
    text.precision(value < 10 && unit > 0 ? 2 : 3);
    text << value << ' ' << units[unit];
    return text.str();
}

// The progress line of a long run on a terminal: maps done, bytes done and the time left, redrawn in
// place at most a few times a second from whichever thread has news. Silent where standard error is no
// terminal, or with --quiet.
class ProgressLine {
public:
    ProgressLine(const Options& options, std::uint64_t totalBytes, std::ostream& err)
        : err_(err),
          maps_(options.maps.size()),
          totalBytes_(totalBytes),
          shown_(options.errIsTerminal && !options.quiet && (maps_ > 1 || totalBytes >= kLongRunBytes)) {}

    // Whether the line is shown at all: where it is not, nobody need tell it anything.
    bool shown() const { return shown_; }
    // A callback that tells the line of bytes written, or none where the line is not shown (so that a pass
    // does not call it for every piece it writes for nothing).
    std::function<void(std::uint64_t)> BytesCallback() {
        if (!shown_) return {};
        return [this](std::uint64_t bytes) { AddBytes(bytes); };
    }
    void AddBytes(std::uint64_t bytes) {
        bytes_ += bytes;
        Draw(false);
    }
    void MapDone() {
        ++mapsDone_;
        Draw(false);
    }
    // Clears the line, so that the report's last lines stand alone.
    void Finish() {
        if (!shown_) return;
        const std::lock_guard lock(mutex_);
        err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
    }
    // Messages of the maps go out between two drawings of the line.
    std::mutex& mutex() { return mutex_; }
    void ClearForMessages() {
        if (shown_ && width_ > 0) err_ << '\r' << std::string(width_, ' ') << '\r';
        width_ = 0;
    }

private:
    void Draw(bool force) {
        if (!shown_) return;
        const std::unique_lock lock(mutex_, std::try_to_lock);
        if (!lock) return;
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - lastDrawn_ < std::chrono::milliseconds(200)) return;
        lastDrawn_ = now;
        const std::uint64_t done = std::min<std::uint64_t>(bytes_, totalBytes_);
        // A single map tells its bytes alone.
        std::string line =
            maps_ > 1 ? std::to_string(mapsDone_.load()) + " of " + std::to_string(maps_) + " maps, " : "";
        line += BytesText(done) + " of " + BytesText(totalBytes_);
        const double seconds = std::chrono::duration<double>(now - start_).count();
        if (done > 0 && seconds > 1) {
            const auto left = static_cast<std::uint64_t>(seconds * static_cast<double>(totalBytes_ - done) /
                                                         static_cast<double>(done));
            line += ", " + std::to_string(left / 60) + ":" + (left % 60 < 10 ? "0" : "") + std::to_string(left % 60) +
                    " left";
        }
        const std::size_t width = line.size();
        line.resize(std::max(width, width_), ' ');
        width_ = width;
        err_ << '\r' << line << std::flush;
    }

    std::ostream& err_;
    std::size_t maps_;
    std::uint64_t totalBytes_;
    bool shown_;
    std::atomic<std::uint64_t> bytes_{0};
    std::atomic<std::size_t> mapsDone_{0};
    std::mutex mutex_;
    std::size_t width_ = 0;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDrawn_{};
};

}  // namespace stratex
