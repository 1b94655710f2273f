// SPDX-License-Identifier: GPL-3.0-or-later
// Where one song fades out while the next fades in. The seconds before and after a likely change
// give the two songs' sounds (their band levels); each spectral frame between them is explained
// as a mix of the two. Across a crossfade the mix moves from the one song to the other gradually,
// as the outgoing song's gain falls and the incoming one's rises; a new section of one song
// replaces the old sound at once, with no such passage between.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "sound_features.h"

class CrossfadeFinder {
public:
    static constexpr int32_t kReachHops = 43;  // the middle lies within 2 s of the guess
    static constexpr int32_t kReachFrames = kReachHops * kHopFrames;

    explicit CrossfadeFinder(const SoundFeatures& features);

    // The hop at the middle of a crossfade within kReachHops of `hop`, where both songs play at
    // the same share of their own loudness, judged from hops firstHop .. endHop - 1 only; nothing
    // when the sound there does not fade from one piece into another.
    std::optional<int32_t> middleNear(int32_t hop, int32_t firstHop, int32_t endHop) const;

private:
    using Bands = std::array<float, kTimbreBands>;
    struct Songs;

    std::optional<Songs> songsAround(int32_t middle, int32_t firstHop, int32_t endHop) const;
    std::vector<float> incomingShare(const Songs& songs, int32_t from, int32_t to) const;
    std::vector<float> shapeProgress(const Songs& songs, int32_t from, int32_t to) const;

    std::vector<Bands> powers_;  // each hop's band powers
    std::vector<Bands> shapes_;  // each hop's band levels in dB, less their mean over the bands
};
