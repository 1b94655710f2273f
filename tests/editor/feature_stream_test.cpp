// SPDX-License-Identifier: GPL-3.0-or-later
// The song finder's features computed as the frames come in runs of any length: the same, to
// the bit, as one pass over the whole track.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "made_up_sound.h"
#include "sound_features.h"

namespace {

const std::vector<int16_t>* readTrack = nullptr;

int32_t readMadeUp(int32_t from, int32_t to, int16_t* values)
{
    std::copy(readTrack->begin() + 2 * from, readTrack->begin() + 2 * to, values);
    return to - from;
}

void append(SoundFeatures& whole, SoundFeatures piece)
{
    whole.frames = piece.frames;
    whole.blockLevels.insert(whole.blockLevels.end(), piece.blockLevels.begin(),
                             piece.blockLevels.end());
    whole.blockPeaks.insert(whole.blockPeaks.end(), piece.blockPeaks.begin(),
                            piece.blockPeaks.end());
    whole.hops.insert(whole.hops.end(), piece.hops.begin(), piece.hops.end());
}

TEST(FeatureStream, RunsOfAnyLength_GiveTheFeaturesOfOnePass)
{
    struct Case {
        int32_t frames;       // the track's length, seldom a whole number of blocks
        int32_t longestRun;   // runs are drawn from 1 to this many frames
        bool takenMeanwhile;  // the complete part is taken out after every run
    };
    const Case cases[] = {
        {0, 1, false},       {1000, 1, false},      {70001, 3, true},      {150000, 511, false},
        {150000, 513, true}, {200003, 4096, false}, {200003, 70000, true}, {300000, 300000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frames << " frames, runs up to " << c.longestRun);
        const std::vector<int16_t> track = madeUpSound(c.frames, unsigned(c.longestRun));
        readTrack = &track;
        const std::optional<SoundFeatures> onePass = extractFeatures(readMadeUp, c.frames);
        ASSERT_TRUE(onePass);

        std::mt19937 random(7);
        std::uniform_int_distribution<int32_t> runLength(1, c.longestRun);
        FeatureStream stream;
        SoundFeatures streamed;
        for (int32_t first = 0; first < c.frames;) {
            const int32_t count = std::min(runLength(random), c.frames - first);
            stream.feed(track.data() + 2 * first, count);
            first += count;
            if (c.takenMeanwhile) append(streamed, stream.takeCompleted());
        }
        EXPECT_EQ(stream.frames(), c.frames);
        append(streamed, stream.finish());
        EXPECT_TRUE(streamed == *onePass);
        EXPECT_EQ(streamed.hops.size(), onePass->hops.size());
    }
}

}  // namespace
