// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdint>

namespace brenvik {

// A frame range given by a caller, clipped to a track of `length` frames: both ends clamped to
// 0..length, and an end before the start taken as empty. Nothing outside the track is touched.
struct FrameRange {
    int64_t from;
    int64_t to;

    static FrameRange clipped(int32_t from, int32_t to, int64_t length)
    {
        const int64_t first = std::clamp<int64_t>(from, 0, length);
        const int64_t last = std::clamp<int64_t>(to, 0, length);
        return {first, std::max(first, last)};
    }
    int64_t size() const { return to - from; }
};

}  // namespace brenvik
