// SPDX-License-Identifier: GPL-3.0-or-later
// The song finder's boundaries in continuous music, on features of made-up songs: a change of
// tempo, key or production between two songs is a boundary; a song's own breakdown, quiet intro
// or short dip is not, and near silence between two songs belongs to neither; a title a player
// announced near a faint change makes it one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "made_up_features.h"
#include "song_segmenter.h"

namespace {

using made_up::Passage;

struct SegmentCase {
    std::string name;
    std::vector<Passage> passages;
    std::vector<double> boundaries;  // seconds
    bool openAfter = false;          // the last passage runs into the take's end
    std::vector<double> hints = {};  // seconds: where players announced a title
};

constexpr double kToleranceSeconds = 2.0;
// A change too faint to be an edge without a title is placed less sharply.
constexpr double kHintedToleranceSeconds = 3.0;
const Passage kDip{3, 0, 0, -2.0F, -30.0F};  // one song fading under the next
// Two songs of one tempo, key and production but for a slight change of mix, one fading under
// the next: too alike to split on the audio alone, unless a title was announced near the change.
const std::vector<Passage> kAlikeSongs{{150, 120, 0, -2.0F}, kDip, {150, 120, 0, -1.9F}};

const std::vector<SegmentCase> kCases{
    {"a slight change of mix alone", kAlikeSongs, {}},
    {"the same with a change of tempo", {{150, 120, 0, -2.0F}, kDip, {150, 96, 0, -1.9F}}, {151.5}},
    {"the same with a change of key", {{150, 120, 0, -2.0F}, kDip, {150, 120, 6, -1.9F}}, {151.5}},
    {"a production change without a dip",
     {{150, 120, 2, -2.0F, -18.0F}, {150, 120, 2, -0.5F, -14.0F}},
     {150}},
    {"a second song of another tempo, key and production",
     {{120, 128, 4, -2.5F, -16.0F}, kDip, {200, 84, 9, -1.0F, -20.0F}},
     {121.5}},
    {"a breakdown inside a song", {{80, 120}, {20, 0, 0, -3.0F, -28.0F}, {80, 120}}, {}},
    {"a quiet intro before the band", {{25, 0, 0, -3.5F, -32.0F}, {150, 120}}, {}},
    {"a short dip inside a song", {{90, 100}, kDip, {90, 100}}, {}},
    {"one steady song", {{200, 120}}, {}},
    {"the start of the next song at the take's end, after candidates in the song",
     {{150, 120, 0, -2.0F}, kDip, {10, 84, 9, -1.0F, -20.0F}, kDip, {10, 84, 9, -1.0F, -20.0F}},
     {151.5},
     true},
    // A title announced up to 30 s from a change the audio shows makes it an edge; one where
    // the audio goes on unchanged makes none.
    {"alike songs, a title 10 s after the change", kAlikeSongs, {151.5}, false, {161.5}},
    {"alike songs, a title 10 s before the change", kAlikeSongs, {151.5}, false, {141.5}},
    {"alike songs, a title 50 s from the change", kAlikeSongs, {}, false, {100}},
    {"one steady song, a title in its middle", {{200, 120}}, {}, false, {100}},
    {"one steady song, titles every 100 s", {{300, 120}}, {}, false, {100, 200}},
    {"a quiet intro, a title as the band starts",
     {{25, 0, 0, -3.5F, -32.0F}, {150, 120}},
     {},
     false,
     {25}},
    {"a short dip inside a song, a title at it", {{90, 100}, kDip, {90, 100}}, {}, false, {91}},
    {"a change of tempo, a title far from it",
     {{150, 120, 0, -2.0F}, kDip, {150, 96, 0, -1.9F}},
     {151.5},
     false,
     {90}},
};

double seconds(int32_t step)
{
    return double(step) * kStepFrames / kSampleRate;
}

std::vector<SongJoin> boundariesOf(const made_up::FeatureTrack& track, TitleHints hints = {},
                                   bool openAfter = false)
{
    const SongSegmenter segmenter(track.features, std::move(hints));
    const auto steps = int32_t((track.features.hops.size() + kStepHops - 1) / kStepHops);
    return segmenter.boundaries({0, steps, false, openAfter});
}

TEST(SongSegmenter, BoundariesLieBetweenSongsNotBetweenTheirSections)
{
    for (const SegmentCase& test : kCases) {
        made_up::FeatureTrack track;
        for (const Passage& passage : test.passages) track.add(passage);
        std::vector<int32_t> frames;
        for (const double seconds : test.hints) frames.push_back(int32_t(seconds * kSampleRate));
        const std::vector<SongJoin> found = boundariesOf(track, TitleHints(frames), test.openAfter);
        ASSERT_EQ(found.size(), test.boundaries.size()) << test.name;
        const double tolerance = test.hints.empty() ? kToleranceSeconds : kHintedToleranceSeconds;
        for (size_t n = 0; n < found.size(); ++n) {
            EXPECT_NEAR(seconds(found[n].end), test.boundaries[n], tolerance) << test.name;
            EXPECT_NEAR(seconds(found[n].start), test.boundaries[n], tolerance) << test.name;
        }
    }
}

// Near silence between two songs belongs to neither; where they cross while both play, or the
// quiet is the next song's own quiet opening, they meet at one step.
TEST(SongSegmenter, NearSilenceBetweenSongsBelongsToNeither)
{
    // The 3 s from 150 s between the songs; where the first ends and the second starts, in s.
    const std::vector<std::tuple<std::string, Passage, double, double, double>> cases{
        {"near silence", {3, 0, 0, -2.0F, -30.0F}, 150.0, 153.0, 0.3},
        {"a crossfade, both songs playing", {3, 0, 0, -2.0F, -24.0F}, 151.5, 151.5, 2.0},
        {"the next song's quiet opening", {3, 84, 9, -1.0F, -30.0F}, 150.0, 150.0, 0.3},
    };
    for (const auto& [name, between, end, start, tolerance] : cases) {
        made_up::FeatureTrack track;
        for (const Passage& passage :
             {Passage{150, 120, 0, -2.0F}, between, Passage{150, 84, 9, -1.0F}})
            track.add(passage);
        const std::vector<SongJoin> found = boundariesOf(track);
        ASSERT_EQ(found.size(), 1U) << name;
        EXPECT_NEAR(seconds(found[0].end), end, tolerance) << name;
        EXPECT_NEAR(seconds(found[0].start), start, tolerance) << name;
        if (end == start) {
            EXPECT_EQ(found[0].end, found[0].start) << name;
        }
    }
}

}  // namespace
