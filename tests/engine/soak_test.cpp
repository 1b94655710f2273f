// The whole engine life cycle, many times over, through the shared library on the real-time
// simulated card: open, record until the ring has wrapped, stop, check the rotation, play a
// range to its end or stop it midway, stop, close. Sanitizer builds run it to find races,
// leaks and use after free across the device threads.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "brenvik.h"
#include "transport_steps.h"

namespace {

// The card moves in periods of 441 frames, and 18 periods end 2 frames past the end of this ring
// (36 periods 4 frames, and so on): many recordings stop just past the ring's start, where a
// wrapped ring must still be turned.
constexpr int32_t kTrackLength = 18 * 441 - 2;
constexpr int kDefaultCycles = 1000;

// QUORVEL_SOAK_CYCLES asks for another count, a longer soak by hand for instance.
int cycles()
{
    const char* text = std::getenv("QUORVEL_SOAK_CYCLES");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : kDefaultCycles;
}

// The simulated card writes frame n as (n & 0xFFFF, n >> 16): after a wrapped recording the
// rotated track is one run of consecutive frame numbers, the newest last.
::testing::AssertionResult isOneUnbrokenRun()
{
    for (int32_t frame = 1; frame < kTrackLength; ++frame) {
        if (counterAt(frame) != counterAt(frame - 1) + 1) {
            return ::testing::AssertionFailure()
                   << "break at frame " << frame << ": " << counterAt(frame - 1) << " then "
                   << counterAt(frame);
        }
    }
    return ::testing::AssertionSuccess();
}

void recordAndCheckRotation()
{
    recordUntilTheRingWraps();
    if (!::testing::Test::HasFailure()) {
        EXPECT_TRUE(isOneUnbrokenRun());
    }
}

// Plays a range that moves with the cycle; every fourth cycle is stopped once it has started.
void playAndStop(int cycle)
{
    const int32_t from = cycle * 37 % (kTrackLength / 2);
    const int32_t to = from + kTrackLength / 4 + cycle % 101;
    ASSERT_EQ(PlayWav(from, to), 0);
    if (cycle % 4 == 0) {
        ASSERT_TRUE(eventually([] { return GetPosition() > 0; }));
    } else {
        ASSERT_TRUE(eventually([] { return IsPlaying() == 0; }));
        EXPECT_EQ(GetPosition(), to - from);
    }
    ASSERT_EQ(StopWav(), 0);
    EXPECT_EQ(IsPlaying(), 0);
    EXPECT_EQ(GetPosition(), 0);  // the reset set the count back
}

TEST(SoakTest, ThousandOpenRecordStopPlayCloseCyclesStayExact)
{
    ::setenv("BRENVIK_AUDIO", "sim", 1);
    ::setenv("BRENVIK_SIM_SPEED", "100", 1);
    const int count = cycles();
    for (int cycle = 0; cycle < count; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        ASSERT_EQ(OpenLib(kTrackLength, 0), 0);
        recordAndCheckRotation();
        if (!HasFailure()) {
            playAndStop(cycle);
        }
        EXPECT_EQ(CloseLib(), 0);
        if (HasFailure()) {
            return;
        }
    }
}

}  // namespace
