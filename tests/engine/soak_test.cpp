// SPDX-License-Identifier: GPL-3.0-or-later
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

constexpr int kDefaultCycles = 1000;

// QUORVEL_SOAK_CYCLES asks for another count, a longer soak by hand for instance.
int cycles()
{
    const char* text = std::getenv("QUORVEL_SOAK_CYCLES");
    const int count = text ? std::atoi(text) : 0;
    return count > 0 ? count : kDefaultCycles;
}

void recordAndCheckRotation(int32_t length)
{
    recordUntilTheRingWraps();
    if (!::testing::Test::HasFailure()) {
        EXPECT_TRUE(isOneUnbrokenRun(length));
    }
}

// Plays a range that moves with the cycle; every fourth cycle is stopped once it has started.
void playAndStop(int cycle, int32_t length)
{
    const int32_t from = cycle * 37 % (length / 2);
    const int32_t to = from + length / 4 + cycle % 101;
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

// The track length: the card moves in periods of 441 frames, and 18 periods end 2 frames past
// the end of the even ring (36 periods 4 frames, and so on) and 1 frame past the end of the odd
// one: many recordings stop just past the ring's start, where a wrapped ring must still be
// turned. The odd ring's halves differ by one frame.
class SoakTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(SoakTest, ThousandOpenRecordStopPlayCloseCyclesStayExact)
{
    ::setenv("BRENVIK_AUDIO", "sim", 1);
    ::setenv("BRENVIK_SIM_SPEED", "100", 1);
    const int32_t length = GetParam();
    const int count = cycles();
    for (int cycle = 0; cycle < count; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        ASSERT_EQ(OpenLib(length, 0), 0);
        recordAndCheckRotation(length);
        if (!HasFailure()) {
            playAndStop(cycle, length);
        }
        EXPECT_EQ(CloseLib(), 0);
        if (HasFailure()) {
            return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EvenAndOddRings, SoakTest, ::testing::Values(18 * 441 - 2, 18 * 441 - 1));

}  // namespace
