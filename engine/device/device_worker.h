// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace brenvik::device {

// The device layer's own thread for one device: it calls tick every interval and runs the jobs
// other threads hand it between ticks, so a device's callbacks always come from this one thread.
class DeviceWorker {
public:
    DeviceWorker(std::chrono::microseconds interval, std::function<void()> tick);
    ~DeviceWorker();  // finishes the current tick or job, then joins the thread
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    // Runs job on the worker thread and returns when it has finished (at once, inline, when
    // called from the worker thread itself).
    void runAndWait(const std::function<void()>& job);

private:
    void loop();

    const std::chrono::microseconds interval_;
    const std::function<void()> tick_;
    std::mutex mutex_;
    std::condition_variable wake_;
    const std::function<void()>* job_ = nullptr;  // guarded by mutex_
    bool stopping_ = false;                       // guarded by mutex_
    std::thread thread_;                          // last: starts once the rest is ready
};

}  // namespace brenvik::device
