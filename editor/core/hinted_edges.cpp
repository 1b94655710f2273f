// SPDX-License-Identifier: GPL-3.0-or-later
#include "hinted_edges.h"

#include <algorithm>
#include <cstdlib>

#include "sound_classifier.h"

namespace {

// The player's word stands for most of the evidence, but a song's own sections still cost more
// than they buy.
constexpr double kHintedBoundaryShare = 0.1;

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

std::vector<int32_t> TitleHints::withoutPlaceNear(const std::vector<int32_t>& places) const
{
    std::vector<int32_t> lonely;
    for (const int32_t hint : steps_) {
        const auto after = std::lower_bound(places.begin(), places.end(), hint - kHintReachSteps);
        if (after == places.end() || *after > hint + kHintReachSteps) lonely.push_back(hint);
    }
    return lonely;
}

std::vector<int32_t> TitleHints::placesNear(const std::vector<int32_t>& places,
                                            std::span<const int32_t> edges) const
{
    std::vector<int32_t> near;
    for (const int32_t hint : steps_) {
        const bool spent = std::any_of(edges.begin(), edges.end(), [hint](int32_t edge) {
            return std::abs(edge - hint) <= kHintReachSteps;
        });
        if (spent) continue;
        const auto first = std::lower_bound(places.begin(), places.end(), hint - kHintReachSteps);
        const auto end = std::upper_bound(first, places.end(), hint + kHintReachSteps);
        near.insert(near.end(), first, end);
    }
    std::sort(near.begin(), near.end());
    near.erase(std::unique(near.begin(), near.end()), near.end());
    return near;
}

double hintedBoundaryCost(double cost)
{
    return cost * kHintedBoundaryShare;
}

std::vector<int32_t> shiftedHints(std::span<const int32_t> frames, int32_t offset)
{
    std::vector<int32_t> shifted;
    shifted.reserve(frames.size());
    for (const int32_t frame : frames) shifted.push_back(frame - offset);
    return shifted;
}
