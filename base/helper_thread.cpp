#include "base/helper_thread.hpp"

#include <system_error>
#include <utility>

namespace chpimport {

HelperThread::~HelperThread() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool HelperThread::Start(std::function<void()> task) {
    Wait();
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { Loop(); });
        } catch (const std::system_error&) {
            return false;
        }
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        task_ = std::move(task);
        busy_ = true;
    }
    changed_.notify_all();
    return true;
}

void HelperThread::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
}

void HelperThread::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stop_; });
        if (stop_) return;
        std::function<void()> task = std::move(task_);
        lock.unlock();
        task();
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace chpimport
