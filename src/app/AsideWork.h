#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "passes/Progress.h"

namespace stratex {

// Runs one long operation of the window (Process, Save MAP) on a thread of its own while the window thread
// goes on handling events, and hands the operation's progress to the window's progress on the window thread.
// One operation runs at a time.
class AsideWork : public Progress {
public:
    // How often the window thread shows what was reported, in milliseconds.
    static constexpr int kShowInterval = 40;

    // shown: the window's progress; it must outlive this object and is only called on the window thread.
    explicit AsideWork(Progress& shown) : shown_(shown) {}

    // Runs work(*this) on a new thread and handles the window thread's events until it ends. Returns false
    // when Cancel() stopped it (work's failure is then dropped); otherwise rethrows work's failure.
    bool Run(const std::function<void(Progress&)>& work);
    bool running() const { return running_; }
    // Asks the running work to stop: its next progress report throws.
    void Cancel() { cancelled_ = true; }

    // From the work's thread. Once Cancel() has been called, SetProgress throws Error("Cancelled").
    void SetState(PassState state) override;
    void SetProgress(std::uint64_t maximum, std::uint64_t position) override;

private:
    // On the window thread: hands what was reported since the last call to shown_.
    void Show();

    Progress& shown_;
    std::mutex mutex_;
    std::vector<PassState> states_;  // reported and not yet shown
    std::optional<std::pair<std::uint64_t, std::uint64_t>> position_;
    std::atomic<bool> cancelled_{false};
    bool running_ = false;
};

}  // namespace stratex
