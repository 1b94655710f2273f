// SPDX-License-Identifier: GPL-3.0-or-later
// Which pauses stay pauses once the gaps inside quiet music are left out: on made-up level
// blocks, a soft intro's short gaps go, a gap beside loud sound or a longer pause stays.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "made_up_features.h"
#include "pause_finder.h"

namespace {

using made_up::Passage;

struct GapCase {
    std::string name;
    std::vector<std::pair<double, double>> pauses;  // seconds
    std::vector<size_t> kept;                       // which of them remain
};

// A loud song, a quiet passage from 60 s to 80 s, and loud music again.
const std::vector<Passage> kTake{{60, 120}, {20, 0, 0, -2.0F, -34.0F}, {60, 120}};

const std::vector<GapCase> kCases{
    {"a short gap inside the quiet passage", {{70.0, 70.2}}, {}},
    {"several gaps inside it", {{65.0, 65.2}, {66.0, 66.2}, {72.5, 72.7}}, {}},
    {"a longer pause inside it", {{70.0, 70.5}}, {0}},
    {"a short gap inside loud music", {{30.0, 30.2}}, {0}},
    {"a short gap where the loud music stops", {{59.9, 60.1}}, {0}},
    {"the last gap of the quiet passage, near the one before", {{78.6, 78.8}, {79.9, 80.1}}, {}},
    {"a lone gap at the quiet passage's end", {{79.9, 80.1}}, {0}},
};

TEST(QuietGaps, GapsInsideQuietMusicAreNotPauses)
{
    made_up::FeatureTrack track;
    for (const Passage& passage : kTake) track.add(passage);
    const auto frame = [](double seconds) { return int32_t(std::lround(seconds * kSampleRate)); };
    for (const GapCase& test : kCases) {
        std::vector<FrameRange> pauses;
        for (const auto& [begin, end] : test.pauses) pauses.push_back({frame(begin), frame(end)});
        std::vector<FrameRange> expected;
        for (const size_t n : test.kept) expected.push_back(pauses[n]);
        EXPECT_EQ(withoutGapsInQuietMusic(track.features, pauses), expected) << test.name;
    }
}

}  // namespace
