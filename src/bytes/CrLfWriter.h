#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "bytes/ByteSource.h"

namespace stratex {

// Writes lines to a ByteSink with CR LF after every line, as map files are written. Input lines keep their
// bytes; their line ends become CR LF. Runs of input whose line ends are all CR LF already go out as they
// stand, large ones straight to the sink without a copy; the rest is gathered in a staging buffer of a
// fixed size and written in large blocks.
//
// With background, each full staging buffer goes to the sink on a thread of its own while the caller fills
// a second one, so that the system's write work overlaps with the caller's; every byte then goes through
// the staging buffers, since the caller's bytes may change once a call returns.
//
// "sink" must outlive the writer. Nothing more is written at destruction: call Flush.
class CrLfWriter {
public:
    static constexpr std::size_t kDefaultStaging = std::size_t{1} << 20;

    explicit CrLfWriter(ByteSink& sink, std::size_t staging = kDefaultStaging, bool background = false);
    ~CrLfWriter();

    CrLfWriter(const CrLfWriter&) = delete;
    CrLfWriter& operator=(const CrLfWriter&) = delete;

    // Whole input lines with their line ends as read (CR LF, LF or CR; the very last line of the input
    // may have none); each goes out followed by CR LF. With crLfOnly the caller vouches that every line
    // in bytes ends with CR LF.
    void Input(std::string_view bytes, bool crLfOnly);
    // One line (without a line end), written followed by CR LF.
    void Line(std::string_view line);
    // Writes what is staged, and waits until everything handed to the background thread is written. Throws
    // what the sink throws.
    void Flush();

private:
    class Background;

    // Sends the staged bytes on: written at once, or handed to the background thread.
    void Send();
    void Stage(std::string_view bytes);
    void Expand(std::string_view bytes);

    ByteSink& sink_;
    std::unique_ptr<Background> background_;
    std::unique_ptr<char[]> staging_;
    std::size_t capacity_;
    std::size_t size_ = 0;
};

}  // namespace stratex
