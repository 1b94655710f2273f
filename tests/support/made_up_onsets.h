// SPDX-License-Identifier: GPL-3.0-or-later
// Features of a sound that is loud only for a moment at each of a list of onsets and near
// silence between them: drums alone at a steady beat, or a voice's syllables at no steady
// period. Both dip between their onsets as speech does, so only the onsets' timing tells them
// apart.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "sound_features.h"

namespace made_up {

constexpr float kOnsetLevelDb = -10.0F;
constexpr float kBetweenOnsetsDb = -40.0F;
constexpr double kOnsetSeconds = 0.06;

// Onsets every period seconds from 0 to seconds.
inline std::vector<double> steadyOnsets(double seconds, double period)
{
    std::vector<double> onsets;
    for (double at = 0; at < seconds; at += period) onsets.push_back(at);
    return onsets;
}

// Onsets from 0 to seconds, each a random gap from shortest to longest after the one before.
inline std::vector<double> unevenOnsets(double seconds, double shortest, double longest,
                                        unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> gap(shortest, longest);
    std::vector<double> onsets;
    for (double at = 0; at < seconds; at += gap(random)) onsets.push_back(at);
    return onsets;
}

// Appends the blocks and hops of seconds of sound with the given onsets (from the passage's
// start), at the level between onsets given: near silence, or a band playing on.
inline void appendOnsets(SoundFeatures& features, double seconds, const std::vector<double>& onsets,
                         float betweenDb = kBetweenOnsetsDb)
{
    const auto hops = int32_t(seconds * kSampleRate / kHopFrames);
    features.frames += hops * kHopFrames;
    constexpr int32_t kBlocksPerHop = kHopFrames / kBlockFrames;
    std::vector<bool> loud(size_t(hops * kBlocksPerHop));
    for (const double onset : onsets) {
        const auto first = size_t(onset * kSampleRate / kBlockFrames);
        const auto end = size_t((onset + kOnsetSeconds) * kSampleRate / kBlockFrames) + 1;
        for (size_t block = first; block < std::min(end, loud.size()); ++block) loud[block] = true;
    }
    for (int32_t hop = 0; hop < hops; ++hop) {
        float hopLevel = betweenDb;
        for (int32_t block = 0; block < kBlocksPerHop; ++block) {
            const float level =
                loud[size_t(hop * kBlocksPerHop + block)] ? kOnsetLevelDb : betweenDb;
            features.blockLevels.push_back(level);
            features.blockPeaks.push_back(level > kBetweenOnsetsDb ? 10000 : 300);
            hopLevel = std::max(hopLevel, level);
        }
        SpectralFrame frame;
        frame.flatness = 0.2F;
        frame.chroma.fill(1.0F / kPitchClasses);
        frame.bands.fill(hopLevel + 20.0F);
        features.hops.push_back(frame);
    }
}

inline SoundFeatures onsetFeatures(double seconds, const std::vector<double>& onsets)
{
    SoundFeatures features;
    appendOnsets(features, seconds, onsets);
    return features;
}

}  // namespace made_up
