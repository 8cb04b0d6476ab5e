#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace stratex {

// A thread of the Preview window that runs one task at a time, the latest one given: a new task asks the
// task under way to stop (through the flag each task is given, which it must look at often) and takes the
// place of any task not yet started. A task hands its result to the window thread itself.
class PreviewWorker {
public:
    using Task = std::function<void(const std::atomic<bool>& stop)>;

    PreviewWorker();
    // Stops as Stop does and ends the thread.
    ~PreviewWorker();
    PreviewWorker(const PreviewWorker&) = delete;
    PreviewWorker& operator=(const PreviewWorker&) = delete;

    void Run(Task task);
    // Asks the task under way to stop, drops the one waiting and waits for the thread to be idle: when it
    // returns, no task given before runs any more.
    void Stop();
    // Waits until the tasks given so far have run (for tests and the benchmark).
    void WaitIdle();

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    Task waiting_;
    bool running_ = false;
    bool quit_ = false;
    std::atomic<bool> stop_{false};  // the running task's
    std::thread thread_;
};

}  // namespace stratex
