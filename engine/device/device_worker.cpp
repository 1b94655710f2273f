// SPDX-License-Identifier: GPL-3.0-or-later
#include "device_worker.h"

#include <algorithm>

namespace brenvik::device {

DeviceWorker::DeviceWorker(std::chrono::microseconds interval, std::function<void()> tick)
    : interval_(interval),
      tick_(std::move(tick)),
      thread_([this] { loop(); })
{}

DeviceWorker::~DeviceWorker()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DeviceWorker::runAndWait(const std::function<void()>& job)
{
    if (std::this_thread::get_id() == thread_.get_id()) {
        job();
        return;
    }
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return job_ == nullptr; });  // one job at a time
    job_ = &job;
    wake_.notify_all();
    wake_.wait(lock, [this, &job] { return job_ != &job; });
}

void DeviceWorker::loop()
{
    auto nextTick = std::chrono::steady_clock::now() + interval_;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_until(lock, nextTick, [this] { return stopping_ || job_ != nullptr; });
        if (job_ != nullptr) {
            const std::function<void()>* job = job_;
            lock.unlock();
            (*job)();
            lock.lock();
            job_ = nullptr;
            wake_.notify_all();
            continue;
        }
        if (stopping_) {
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
