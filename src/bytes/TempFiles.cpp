#include "bytes/TempFiles.h"

#include <array>
#include <atomic>
#include <string>

#include "bytes/WindowsApi.h"

#ifndef _WIN32
#include <time.h>
#include <unistd.h>
#endif

namespace stratex {

namespace {

using Char = std::filesystem::path::value_type;

// A slot goes Free -> Filling (its owner writes the path) -> Named, and back to Free when its owner drops it,
// or to Claimed when RemoveTempFiles takes it; a claimed slot is never reused, so its path stays intact.
enum SlotState : int { kFree, kFilling, kNamed, kClaimed };

// Writes go side by side on at most 64 maps, one file each, and the window adds a few.
constexpr std::size_t kSlots = 128;
constexpr std::size_t kPathChars = 4096;

struct Slot {
    std::atomic<int> state{kFree};
    std::array<Char, kPathChars> path{};
};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "a signal handler may touch only lock-free atomics");

std::array<Slot, kSlots> slots;
std::atomic<bool> closing{false};
std::atomic<int> creating{0};  // AddTempFile calls whose TempFileCreated has not come yet

[[noreturn]] void WaitForTheEnd() {
    for (;;) {
#ifdef _WIN32
        Sleep(INFINITE);
#else
        pause();
#endif
    }
}

void PauseBriefly() noexcept {
#ifdef _WIN32
    Sleep(1);
#else
    const timespec millisecond{0, 1000000};
    nanosleep(&millisecond, nullptr);
#endif
}

}  // namespace

std::size_t AddTempFile(const std::filesystem::path& temp) {
    creating.fetch_add(1);
    if (closing.load()) {
        creating.fetch_sub(1);
        WaitForTheEnd();
    }
    const std::basic_string<Char>& text = temp.native();
    if (text.size() >= kPathChars) return kNoTempSlot;
    for (std::size_t i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        text.copy(slots[i].path.data(), text.size());
        slots[i].path[text.size()] = Char{};
        slots[i].state.store(kNamed);
        return i;
    }
    return kNoTempSlot;
}

void TempFileCreated() noexcept { creating.fetch_sub(1); }

void DropTempFile(std::size_t slot) noexcept {
    if (slot >= kSlots) return;
    int expected = kNamed;
    slots[slot].state.compare_exchange_strong(expected, kFree);
}

void RemoveTempFiles() noexcept {
    closing.store(true);
    // A create under way on another thread ends within moments; one under way on this thread, which the
    // signal interrupted, never ends, hence the bound.
    for (int waited = 0; creating.load() > 0 && waited < 1000; ++waited) PauseBriefly();
    for (Slot& slot : slots) {
        int expected = kNamed;
        if (!slot.state.compare_exchange_strong(expected, kClaimed)) continue;
#ifdef _WIN32
        DeleteFileW(slot.path.data());
#else
        unlink(slot.path.data());
#endif
    }
}

}  // namespace stratex
