// SPDX-License-Identifier: GPL-3.0-or-later
// The titles the desktop's players announced while the take was recorded, as hints for the song
// finder. A player names a title when it reads it from the stream, up to 30 s before or after the
// audio changes: a hint says that an edge lies near, never where. The changes the audio shows
// near a hint need less evidence to become an edge, and near a hint where it shows none, fainter
// changes are looked at; no hint makes an edge where the audio shows no change at all.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

constexpr int32_t kHintReachSteps = 130;  // 30 s either side of the announcement

class TitleHints {
public:
    TitleHints() = default;
    // The hints at the given frames of the features' track, in any order.
    explicit TitleHints(std::span<const int32_t> frames);

    // Whether a hint lies within 30 s of the step.
    bool near(int32_t step) const;
    // The hints with none of the places (in order) within 30 s of them.
    std::vector<int32_t> withoutPlaceNear(const std::vector<int32_t>& places) const;
    // The places (in order) within 30 s of a hint, in order. A hint within 30 s of one of the
    // edges already known is spent on it, and favours no place.
    std::vector<int32_t> placesNear(const std::vector<int32_t>& places,
                                    std::span<const int32_t> edges) const;

private:
    std::vector<int32_t> steps_;  // in order
};

// A boundary at a place a hint favours costs this much of what it costs elsewhere.
double hintedBoundaryCost(double cost);

// The frames of the marks' hints moved by offset, for features that begin at a frame other than
// the track's first.
std::vector<int32_t> shiftedHints(std::span<const int32_t> frames, int32_t offset);
