// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

#include "deadline_caller.h"
#include "device/wave_device.h"

namespace brenvik {
namespace {

TEST(DeadlineCallerTest, CallsRunOnItsThreadAndGiveTheirResultOrTheirThrow)
{
    DeadlineCaller caller(std::chrono::seconds(20));
    std::thread::id callThread;
    EXPECT_EQ(caller.run([&] {
        callThread = std::this_thread::get_id();
        return 7;
    }),
              7);
    EXPECT_NE(callThread, std::this_thread::get_id());

    EXPECT_THROW(caller.run([]() -> int32_t { throw std::length_error("no memory"); }),
                 std::length_error);
    EXPECT_EQ(caller.run([] { return 8; }), 8);  // a throw is an answer: the caller goes on
}

TEST(DeadlineCallerTest, CallThatOverrunsIsLeftRunningAndLaterCallsAreRefused)
{
    DeadlineCaller caller(std::chrono::milliseconds(50));
    std::promise<void> release;
    std::atomic<bool> returned{false};
    EXPECT_EQ(caller.run([answer = release.get_future().share(), &returned] {
        answer.wait();
        returned = true;
        return 0;
    }),
              device::kNotResponding);

    bool ranLater = false;
    EXPECT_EQ(caller.run([&ranLater] {
        ranLater = true;
        return 0;
    }),
              device::kNotResponding);

    // Once the hung call returns, the caller's thread is idle and it may be destroyed.
    release.set_value();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!returned && std::chrono::steady_clock::now() < limit) {
        std::this_thread::yield();
    }
    EXPECT_TRUE(returned);
    EXPECT_FALSE(ranLater);
}

}  // namespace
}  // namespace brenvik
