// SPDX-License-Identifier: GPL-3.0-or-later
// The titles the desktop's players announced while the take was recorded, as hints for the song
// finder. A player names a title when it reads it from the stream, up to 30 s before or after the
// audio changes: a hint says that an edge lies near, never where. The finder prefers the changes
// the audio shows near a hint to those it shows far from every hint, and makes no edge where the
// audio shows none.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class TitleHints {
public:
    TitleHints() = default;
    // The hints at the given frames of the features' track, in any order.
    explicit TitleHints(std::span<const int32_t> frames);

    bool empty() const { return steps_.empty(); }
    // Whether a hint lies within 30 s of the step.
    bool near(int32_t step) const;
    // What a boundary at the step costs, given what it costs with no hint: a change the audio
    // shows near a hint needs less evidence to become an edge.
    double boundaryCost(int32_t step, double cost) const;

private:
    std::vector<int32_t> steps_;  // in order
};

// The frames of the marks' hints moved by offset, for features that begin at a frame other than
// the track's first.
std::vector<int32_t> shiftedHints(std::span<const int32_t> frames, int32_t offset);
