// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <time.h>

#include <chrono>
#include <functional>

namespace bench {

// Wall-clock seconds that one call of work takes.
inline double seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor seconds the whole process (every thread) spends on one call of work: on a busy
// machine a truer figure than the wall clock for work that runs on one core.
inline double cpuSeconds(const std::function<void()>& work)
{
    const auto now = [] {
        timespec time{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
        return double(time.tv_sec) + double(time.tv_nsec) * 1e-9;
    };
    const double start = now();
    work();
    return now() - start;
}

}  // namespace bench
