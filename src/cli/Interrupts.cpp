#include "cli/Interrupts.h"

#include <csignal>

#include "bytes/TempFiles.h"
#include "bytes/WindowsApi.h"

namespace stratex {

namespace {

#ifdef _WIN32
// Runs on a thread of its own; the next handler, the system's, then ends the process with its usual status.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) RemoveTempFiles();
    return FALSE;
}
#else
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The disposition was reset on entry (SA_RESETHAND): the signal raised again ends the process once the
// handler returns, with the status that the signal gives.
void OnSignal(int signal) {
    RemoveTempFiles();
    raise(signal);
}
#endif

}  // namespace

void RemoveTempFilesOnInterrupt() {
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) sigaddset(&action.sa_mask, signal);
    for (const int signal : kSignals) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
#endif
}

}  // namespace stratex
