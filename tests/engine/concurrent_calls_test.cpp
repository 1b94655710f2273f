// SPDX-License-Identifier: GPL-3.0-or-later
// Two threads calling the engine at once: a poll on one thread never disturbs the transport the
// other one runs. Run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

#include "brenvik.h"
#include "transport_steps.h"

namespace {

constexpr int32_t kTrackFrames = 4410;
constexpr int kCycles = 25;

struct Poll {
    const char* name;
    void (*call)();
};

const Poll kPolls[] = {
    {"GetPosition", [] { GetPosition(); }},
    {"IsPlaying", [] { IsPlaying(); }},
    {"GetLostInput", [] { GetLostInput(nullptr, 0); }},
    {"TrackReadFrames",
     [] {
         std::array<int16_t, 2 * 64> values{};
         TrackReadFrames(0, 64, values.data());
     }},
};

TEST(ConcurrentCalls, APollOnAnotherThread_LeavesEachRecordAndStopDoingWhatItSays)
{
    ::setenv("BRENVIK_AUDIO", "sim", 1);
    ::setenv("BRENVIK_SIM_SPEED", "100", 1);
    for (const Poll& poll : kPolls) {
        SCOPED_TRACE(poll.name);
        ASSERT_EQ(OpenLib(kTrackFrames, 0), 0);
        std::atomic<bool> polling{true};
        std::thread poller([&] {
            while (polling.load()) poll.call();
        });
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            EXPECT_EQ(RecordWav(), 0) << "cycle " << cycle;
            EXPECT_TRUE(eventually([] { return GetPosition() > 0; }));
            EXPECT_EQ(StopWav(), 0) << "cycle " << cycle;
            EXPECT_EQ(IsPlaying(), 0) << "the recording ended at cycle " << cycle;
        }
        polling.store(false);
        poller.join();
        EXPECT_EQ(CloseLib(), 0);
    }
    ::unsetenv("BRENVIK_AUDIO");
    ::unsetenv("BRENVIK_SIM_SPEED");
}

}  // namespace
