// SPDX-License-Identifier: GPL-3.0-or-later
// Runs one piece of work on a worker thread, so that the window's events go on meanwhile. The
// work has its own copies of what it needs; its result and that it is done are handed back
// through done() and result(). The caller keeps every other engine call away until done() is
// true: the engine serves one caller at a time.
#pragma once

#include <atomic>
#include <functional>
#include <system_error>
#include <thread>
#include <utility>

template <typename Result>
class BackgroundWork {
public:
    explicit BackgroundWork(std::function<Result()> work)
        : work_(std::move(work))
    {
        try {
            worker_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            run();  // no thread to be had: the work is done all the same, with the window waiting
        }
    }
    ~BackgroundWork() { finish(); }
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    bool done() const { return done_.load(); }
    // Waits for the work to end; what it returned.
    Result result()
    {
        finish();
        return result_;
    }

private:
    void run()
    {
        result_ = work_();
        done_.store(true);
    }
    void finish()
    {
        if (worker_.joinable()) worker_.join();
    }

    const std::function<Result()> work_;
    Result result_{};  // written by the worker before done_
    std::atomic<bool> done_{false};
    std::thread worker_;  // last: it starts once the members it writes exist
};
