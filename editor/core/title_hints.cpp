// SPDX-License-Identifier: GPL-3.0-or-later
#include "title_hints.h"

#include <algorithm>

#include "sound_classifier.h"

namespace {

constexpr int32_t kHintReachSteps = 130;  // 30 s either side of the announcement
// A change near a hint becomes an edge at this share of the evidence it needs elsewhere: the
// player's word stands for the rest, but a song's own sections still cost more than they buy.
constexpr double kHintedBoundaryShare = 0.25;

}  // namespace

TitleHints::TitleHints(std::span<const int32_t> frames)
{
    steps_.reserve(frames.size());
    for (const int32_t frame : frames) steps_.push_back(frame / kStepFrames);
    std::sort(steps_.begin(), steps_.end());
}

bool TitleHints::near(int32_t step) const
{
    const auto after = std::lower_bound(steps_.begin(), steps_.end(), step - kHintReachSteps);
    return after != steps_.end() && *after <= step + kHintReachSteps;
}

double TitleHints::boundaryCost(int32_t step, double cost) const
{
    return near(step) ? cost * kHintedBoundaryShare : cost;
}

std::vector<int32_t> shiftedHints(std::span<const int32_t> frames, int32_t offset)
{
    std::vector<int32_t> shifted;
    shifted.reserve(frames.size());
    for (const int32_t frame : frames) shifted.push_back(frame - offset);
    return shifted;
}
