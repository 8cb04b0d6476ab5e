#pragma once

namespace stratex {

// Makes an interruption remove the temporary files of the writes in progress (see bytes/TempFiles.h) before
// the process ends as the interruption would end it: SIGINT, SIGTERM and SIGHUP on POSIX (a signal the
// process was started to ignore stays ignored), Ctrl+C, Ctrl+Break and the closing of the console on
// Windows. Files already renamed into place stay. Call once, before any write.
void RemoveTempFilesOnInterrupt();

}  // namespace stratex
