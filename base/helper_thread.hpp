#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace chpimport {

// A second thread kept for one task at a time: started once and then handed task after
// task, so that work shared between two cores does not pay for a new thread each time.
class HelperThread {
public:
    HelperThread() = default;
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Runs `task` on the helper thread (started on first use). False when no thread can be
    // had: the caller then does the work itself. A task must not throw.
    bool Start(std::function<void()> task);
    // Waits until the task started last has returned (at once when there is none).
    void Wait();

private:
    void Loop();

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> task_;
    bool busy_ = false;
    bool stop_ = false;
};

} // namespace chpimport
