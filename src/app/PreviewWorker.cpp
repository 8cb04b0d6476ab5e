#include "app/PreviewWorker.h"

#include <utility>

namespace stratex {

PreviewWorker::PreviewWorker() : thread_([this] { Loop(); }) {}

PreviewWorker::~PreviewWorker() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        waiting_ = nullptr;
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PreviewWorker::Run(Task task) {
    {
        const std::lock_guard lock(mutex_);
        waiting_ = std::move(task);
        stop_ = true;
    }
    wake_.notify_all();
}

void PreviewWorker::Stop() {
    std::unique_lock lock(mutex_);
    waiting_ = nullptr;
    stop_ = true;
    idle_.wait(lock, [this] { return !running_; });
}

void PreviewWorker::WaitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !running_ && !waiting_; });
}

void PreviewWorker::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || waiting_; });
        if (quit_) return;
        Task task = std::move(waiting_);
        waiting_ = nullptr;
        stop_ = false;
        running_ = true;
        lock.unlock();
        try {
            task(stop_);
        } catch (...) {
            // A task reports its own failures; one that escapes (memory) costs the picture, not the window.
        }
        task = nullptr;  // what the task holds goes on this thread, before the window is told it is idle
        lock.lock();
        running_ = false;
        idle_.notify_all();
    }
}

}  // namespace stratex
