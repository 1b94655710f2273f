// SPDX-License-Identifier: GPL-3.0-or-later
// The players' titles as hints to the song finder, on features of made-up songs: a change the
// audio shows becomes an edge when a title was announced up to 30 s from it, and a title where
// the audio goes on unchanged makes no edge.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "made_up_features.h"
#include "song_segmenter.h"

namespace {

using made_up::Passage;

struct HintCase {
    std::string name;
    std::vector<Passage> passages;
    std::vector<double> hints;       // seconds
    std::vector<double> boundaries;  // seconds
};

constexpr double kToleranceSeconds = 3.0;
const Passage kDip{3, 0, 0, -2.0F, -30.0F};
// Two songs of one tempo, key and production but for a slight change of mix, one fading under
// the next: too alike to split on the audio alone.
const std::vector<Passage> kAlikeSongs{{150, 120, 0, -2.0F}, kDip, {150, 120, 0, -1.9F}};

const std::vector<HintCase> kCases{
    {"alike songs, no hint", kAlikeSongs, {}, {}},
    {"alike songs, a title 10 s after the change", kAlikeSongs, {161.5}, {151.5}},
    {"alike songs, a title 10 s before the change", kAlikeSongs, {141.5}, {151.5}},
    {"alike songs, a title 50 s from the change", kAlikeSongs, {100}, {}},
    {"one steady song, a title in its middle", {{200, 120}}, {100}, {}},
    {"one steady song, titles every 100 s", {{300, 120}}, {100, 200}, {}},
    {"a quiet intro, a title as the band starts",
     {{25, 0, 0, -3.5F, -32.0F}, {150, 120}},
     {25},
     {}},
    {"a short dip inside a song, a title at it", {{90, 100}, kDip, {90, 100}}, {91}, {}},
    {"a change of tempo, a title far from it",
     {{150, 120, 0, -2.0F}, kDip, {150, 96, 0, -1.9F}},
     {90},
     {151.5}},
};

TEST(HintedEdges, ATitleNearAChangeTheAudioShowsMakesItAnEdgeAndNoneElsewhere)
{
    for (const HintCase& test : kCases) {
        made_up::FeatureTrack track;
        for (const Passage& passage : test.passages) track.add(passage);
        std::vector<int32_t> frames;
        for (const double seconds : test.hints) frames.push_back(int32_t(seconds * kSampleRate));
        const SongSegmenter segmenter(track.features, TitleHints(frames));
        const auto steps = int32_t((track.features.hops.size() + kStepHops - 1) / kStepHops);
        const std::vector<int32_t> found = segmenter.boundaries({0, steps, false, false});
        ASSERT_EQ(found.size(), test.boundaries.size()) << test.name;
        for (size_t n = 0; n < found.size(); ++n)
            EXPECT_NEAR(double(found[n]) * kStepFrames / kSampleRate, test.boundaries[n],
                        kToleranceSeconds)
                << test.name;
    }
}

}  // namespace
