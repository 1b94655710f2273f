#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Waits for something a device thread brings about, polling without sleeping; false once the
// limit has passed, so an engine that never gets there fails the test instead of hanging it.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::seconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}
