#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>

#include "bytes/ByteSource.h"
#include "bytes/FileSource.h"
#include "bytes/MapText.h"

namespace stratex {

// Loads a map file into a MapText on a thread of its own while the caller reads the loaded text as a
// ByteSource, so that reading the file (and the page faults of a fresh buffer, which cost as much as the
// reading) overlaps with the scan that the caller runs over it. The text is normalised and indexed part
// by part as it is read (MapText::Builder): what Read gives is the text as MapText holds it, lines ended
// by "\n", without the "\n" that Finish adds to a last line that has none.
//
// The file is read as FileSource reads it: a file that changes, shrinks or goes while it is read fails the
// load with Error("File <path> changed while it was read"), given by Read.
class MapTextLoader : public ByteSource {
public:
    // Opens path and starts reading. Throws Error("Cannot open file <path>") at once.
    explicit MapTextLoader(const std::filesystem::path& path);
    // Stops the reading thread if it still runs.
    ~MapTextLoader() override;

    MapTextLoader(const MapTextLoader&) = delete;
    MapTextLoader& operator=(const MapTextLoader&) = delete;

    // The next loaded bytes, waiting for them; 0 once the whole file has been given. Throws what reading
    // the file threw.
    std::size_t Read(char* into, std::size_t max) override;
    // The loaded text where it stands, without a copy.
    bool Borrowable() const override { return true; }
    std::string_view Borrow(std::size_t have) override;

    // The file's size when it was opened, and how many loaded bytes Read or Borrow has given: the progress of
    // a pass.
    std::uint64_t fileSize() const { return source_.stamp().size; }
    std::uint64_t given() const { return given_; }

    // The text, after Read has given 0.
    MapText Finish();

private:
    void Load();
    // Where the system can, has the buffer's pages made ready ahead of the reads, on a thread of its own: a
    // fresh page costs as much to fault in as to read into.
    void Prepare();

    FileSource source_;
    MapText::Builder builder_;
    const char* text_;  // the builder's buffer, which never moves

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t ready_ = 0;  // loaded bytes that Read may give
    bool loaded_ = false;
    bool stop_ = false;
    std::exception_ptr failure_;

    std::size_t given_ = 0;
    std::thread preparer_;
    std::thread thread_;
};

}  // namespace stratex
