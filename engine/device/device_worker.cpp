// SPDX-License-Identifier: GPL-3.0-or-later
#include "device_worker.h"

#include <algorithm>

namespace brenvik::device {

DeviceWorker::DeviceWorker(std::chrono::microseconds interval, std::function<void()> tick)
    : interval_(interval),
      tick_(std::move(tick))
{}

void DeviceWorker::runAndWait(const std::function<void()>& job)
{
    if (thread_.isCurrent()) {
        job();
        return;
    }
    std::unique_lock lock(thread_.mutex);
    thread_.wake.wait(lock, [this] { return job_ == nullptr; });  // one job at a time
    job_ = &job;
    thread_.wake.notify_all();
    thread_.wake.wait(lock, [this, &job] { return job_ != &job; });
}

void DeviceWorker::loop()
{
    auto nextTick = std::chrono::steady_clock::now() + interval_;
    std::unique_lock lock(thread_.mutex);
    while (!thread_.stopping) {
        thread_.wake.wait_until(lock, nextTick,
                                [this] { return thread_.stopping || job_ != nullptr; });
        if (job_ != nullptr) {
            const std::function<void()>* job = job_;
            lock.unlock();
            (*job)();
            lock.lock();
            job_ = nullptr;
            thread_.wake.notify_all();
            continue;
        }
        if (thread_.stopping) {
            break;
        }
        lock.unlock();
        tick_();
        lock.lock();
        // A late tick does not try to catch up tick by tick; the back end counts time itself.
        nextTick = std::max(nextTick + interval_, std::chrono::steady_clock::now());
    }
}

}  // namespace brenvik::device
