// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <future>

#include "stopping_thread.h"

namespace brenvik {

// Makes calls that may block for good (a sound driver that stops answering) on a thread of its
// own, and waits for each at most a deadline. A call that overruns it is left where it is: its
// thread is neither stopped nor joined, and the caller is stuck from then on, refusing every
// further call at once. Used from one thread at a time.
class DeadlineCaller {
public:
    explicit DeadlineCaller(std::chrono::milliseconds deadline);
    // Joins the thread. A stuck caller must never be destroyed: its thread is still inside the
    // call that overran, and uses this object once that call returns.
    ~DeadlineCaller() = default;
    DeadlineCaller(const DeadlineCaller&) = delete;
    DeadlineCaller& operator=(const DeadlineCaller&) = delete;

    // The call's result, or BRENVIK_ERR_NOT_RESPONDING when it overran the deadline or the
    // caller was already stuck (the call is then not made). What the call throws is thrown here.
    // The call may go on after an overrun, so it must capture nothing that its caller's return
    // ends.
    int32_t run(std::function<int32_t()> call);

private:
    void loop();

    const std::chrono::milliseconds deadline_;
    bool stuck_ = false;                         // the calling thread's only
    std::packaged_task<int32_t()> pending_;      // guarded by thread_.mutex
    StoppingThread thread_{[this] { loop(); }};  // last: starts once the rest is ready
};

}  // namespace brenvik
