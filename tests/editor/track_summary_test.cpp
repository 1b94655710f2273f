// SPDX-License-Identifier: GPL-3.0-or-later
// The track's summary of extremes against a plain scan of the same frames, over random audio,
// ranges of every shape, and changes marked dirty afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fake_engine.h"
#include "track_summary.h"

namespace {

// The extremes of frames from to to, read value by value.
ChannelExtremes scanned(const std::vector<int16_t>& track, int32_t from, int32_t to)
{
    ChannelExtremes result;
    for (int32_t frame = from; frame < to; ++frame) {
        for (int channel = 0; channel < 2; ++channel) {
            const int16_t value = track[2 * size_t(frame) + size_t(channel)];
            result.lowest[channel] = std::min(result.lowest[channel], value);
            result.highest[channel] = std::max(result.highest[channel], value);
        }
    }
    return result;
}

class Summary : public ::testing::Test {
protected:
    // Three coarse blocks and a part of one, so the last blocks of both sizes are partial.
    static constexpr int32_t kFrames = 3 * TrackSummary::kCoarseFrames + 1000;
    FakeEngine fakeEngine;
    EngineApi engine = fakeEngine.api();
    TrackSummary summary{engine};
    std::mt19937 random{20};

    void SetUp() override
    {
        engine.OpenLib(kFrames, 0);
        // Quiet noise, so that single loud values written later stand out.
        std::uniform_int_distribution<int> noise(-3000, 3000);
        for (int16_t& value : fakeEngine.track) value = int16_t(noise(random));
        summary.reset(kFrames);
    }

    int32_t anyFrame(int32_t end = kFrames)
    {
        return std::uniform_int_distribution<int32_t>(0, end)(random);
    }

    void expectMatchesAScan(int ranges)
    {
        // Short ranges inside one block, ranges across block edges, long ones over coarse blocks.
        for (int32_t length : {1, 2, 255, 256, 257, 700, 65535, 65536, 65537, 150000}) {
            for (int i = 0; i < ranges; ++i) {
                const int32_t from = anyFrame(kFrames - length);
                ASSERT_EQ(summary.extremes(from, from + length),
                          scanned(fakeEngine.track, from, from + length))
                    << from << " + " << length;
            }
        }
        EXPECT_EQ(summary.extremes(0, kFrames), scanned(fakeEngine.track, 0, kFrames));
        EXPECT_EQ(summary.extremes(kFrames - 3, kFrames + 500),
                  scanned(fakeEngine.track, kFrames - 3, kFrames));
        EXPECT_TRUE(summary.extremes(500, 500).empty());
        EXPECT_TRUE(summary.extremes(kFrames, kFrames + 10).empty());
    }
};

TEST_F(Summary, ExtremesOfAnyRange_AreThoseOfAPlainScan_ChangesMarkedDirtyAreSeen_OthersAreNot)
{
    expectMatchesAScan(40);
    std::uniform_int_distribution<int> loud(-32768, 32767);
    for (int change = 0; change < 30; ++change) {
        const int32_t from = anyFrame(kFrames - 1);
        const int32_t to = std::min(kFrames, from + 1 + anyFrame(change % 3 == 0 ? 70000 : 300));
        for (int32_t value = 2 * from; value < 2 * to; ++value)
            fakeEngine.track[size_t(value)] = int16_t(loud(random));
        summary.markDirty(from, to);
        if (change % 4 == 0) expectMatchesAScan(1);  // several marks may come before a read
    }
    expectMatchesAScan(10);

    // A change nobody marked stays unseen: the summary does not read the track again.
    const ChannelExtremes before = summary.extremes(0, kFrames);
    fakeEngine.track[2 * 5000] = before.highest[0] == 32767 ? -32768 : 32767;
    fakeEngine.track[2 * 5000 + 1] = fakeEngine.track[2 * 5000];
    EXPECT_EQ(summary.extremes(4990, 5010), scanned(fakeEngine.track, 4990, 5010))
        << "frames of partial blocks are read from the track";
    EXPECT_EQ(summary.extremes(0, kFrames), before);
}

TEST_F(Summary, NoTrackOrAClosedEngine_GivesNothing)
{
    summary.reset(0);
    EXPECT_TRUE(summary.extremes(0, 1000).empty());
    summary.reset(kFrames);
    engine.CloseLib();
    EXPECT_TRUE(summary.extremes(0, kFrames).empty());
    EXPECT_TRUE(summary.extremes(10, 20).empty());
}

}  // namespace
