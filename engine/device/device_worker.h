// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>

#include "stopping_thread.h"

namespace brenvik::device {

// The device layer's own thread for one device: it calls tick every interval and runs the jobs
// other threads hand it between ticks, so a device's callbacks always come from this one thread.
class DeviceWorker {
public:
    DeviceWorker(std::chrono::microseconds interval, std::function<void()> tick);
    ~DeviceWorker() = default;  // finishes the current tick or job, then joins the thread
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    // Runs job on the worker thread and returns when it has finished (at once, inline, when
    // called from the worker thread itself).
    void runAndWait(const std::function<void()>& job);

private:
    void loop();

    const std::chrono::microseconds interval_;
    const std::function<void()> tick_;
    const std::function<void()>* job_ = nullptr;  // guarded by thread_.mutex
    StoppingThread thread_{[this] { loop(); }};   // last: starts once the rest is ready
};

}  // namespace brenvik::device
