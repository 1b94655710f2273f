// SPDX-License-Identifier: GPL-3.0-or-later
#include "deadline_caller.h"

#include "brenvik.h"

namespace brenvik {

DeadlineCaller::DeadlineCaller(std::chrono::milliseconds deadline)
    : deadline_(deadline)
{}

int32_t DeadlineCaller::run(std::function<int32_t()> call)
{
    if (stuck_) {
        return BRENVIK_ERR_NOT_RESPONDING;
    }
    std::packaged_task<int32_t()> task(std::move(call));
    std::future<int32_t> result = task.get_future();
    {
        std::lock_guard lock(thread_.mutex);
        pending_ = std::move(task);
    }
    thread_.wake.notify_all();
    if (result.wait_for(deadline_) != std::future_status::ready) {
        stuck_ = true;  // the task keeps its own share of the result; nobody waits for it
        return BRENVIK_ERR_NOT_RESPONDING;
    }
    return result.get();
}

void DeadlineCaller::loop()
{
    std::unique_lock lock(thread_.mutex);
    for (;;) {
        thread_.wake.wait(lock, [this] { return thread_.stopping || pending_.valid(); });
        if (!pending_.valid()) {
            return;
        }
        {
            std::packaged_task<int32_t()> task = std::move(pending_);
            lock.unlock();
            task();
        }
        lock.lock();
    }
}

}  // namespace brenvik
