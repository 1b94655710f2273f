// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace brenvik {

// A thread of the engine's own that runs a loop until it is told to stop, with the mutex and the
// condition variable the loop waits on. Destroying it tells the loop to stop, wakes it and joins
// the thread, so that an owner that declares it last has its loop gone before its other members.
class StoppingThread {
public:
    explicit StoppingThread(std::function<void()> loop)
        : thread_(std::move(loop))
    {}
    ~StoppingThread()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        thread_.join();
    }
    StoppingThread(const StoppingThread&) = delete;
    StoppingThread& operator=(const StoppingThread&) = delete;

    bool isCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }

    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;  // guarded by mutex

private:
    std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace brenvik
