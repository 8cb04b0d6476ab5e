#pragma once

#include <cstddef>
#include <filesystem>

namespace stratex {

// The temporary files of the writes in progress (AtomicFile's), in a fixed table that an interrupted
// process can empty from a signal handler: RemoveTempFiles() deletes every file named there. The table
// takes no lock and allocates nothing, so any thread may add and drop names while a handler runs.
//
// A name goes in before its file is created and leaves once the file is renamed or removed. A path longer
// than the table holds, or a full table, gives kNoTempSlot: that file is then not removed on interruption.

inline constexpr std::size_t kNoTempSlot = static_cast<std::size_t>(-1);

// Names temp, whose file the caller creates next, then calls TempFileCreated() whether the create worked or
// not. Once RemoveTempFiles() has begun this never returns: the process is ending, and no file may appear
// after the table was emptied.
std::size_t AddTempFile(const std::filesystem::path& temp);
void TempFileCreated() noexcept;

// Takes the name of slot out of the table (kNoTempSlot: nothing to do).
void DropTempFile(std::size_t slot) noexcept;

// Deletes every file named in the table, first waiting (a bounded while) for the creates under way. Safe in
// a signal handler (POSIX) and in a console control handler (Windows); later AddTempFile calls block for
// good. Leaves the table as it is.
void RemoveTempFiles() noexcept;

}  // namespace stratex
