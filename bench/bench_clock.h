#pragma once

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

}  // namespace bench
