#include "app/AsideWork.h"

#include <QEventLoop>
#include <QTimer>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

#include "bytes/Error.h"

#ifdef _WIN32
#include "bytes/WindowsApi.h"
#elif defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace stratex {

namespace {

// The work yields the processor to the window thread: on Linux the niceness is the thread's own and the
// threads that the work starts inherit it; on Windows the work's own thread only.
void YieldToTheWindow() {
#ifdef _WIN32
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#elif defined(__linux__)
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
#endif
}

}  // namespace

bool AsideWork::Run(const std::function<void(Progress&)>& work) {
    running_ = true;
    cancelled_ = false;
    std::exception_ptr failure;
    QEventLoop loop;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [this] { Show(); });
    ticker.start(kShowInterval);
    std::thread worker([&] {
        YieldToTheWindow();
        try {
            work(*this);
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued: the loop may not have started yet, and then quits as soon as it does.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    ticker.stop();
    Show();
    running_ = false;
    if (cancelled_) return false;
    if (failure) std::rethrow_exception(failure);
    return true;
}

void AsideWork::SetState(PassState state) {
    const std::lock_guard lock(mutex_);
    states_.push_back(state);
}

void AsideWork::SetProgress(std::uint64_t maximum, std::uint64_t position) {
    if (cancelled_) throw Error("Cancelled");
    const std::lock_guard lock(mutex_);
    position_.emplace(maximum, position);
}

void AsideWork::Show() {
    std::vector<PassState> states;
    std::optional<std::pair<std::uint64_t, std::uint64_t>> position;
    {
        const std::lock_guard lock(mutex_);
        states.swap(states_);
        position = std::exchange(position_, std::nullopt);
    }
    // The states in the order met, the position last: the text of a pass's end stays.
    for (const PassState state : states) shown_.SetState(state);
    if (position) shown_.SetProgress(position->first, position->second);
}

}  // namespace stratex
