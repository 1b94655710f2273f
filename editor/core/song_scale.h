// SPDX-License-Identifier: GPL-3.0-or-later
// What stays the same over a whole song, described step by step: its rhythm (the beat's period
// and the bar's pattern, from how the onsets repeat over several seconds), its harmony (the
// pitch classes it dwells on, which give its key), its production (the spectral balance of the
// mix) and its loudness. Each step gets one row of these; a song's rows scatter around values of
// its own, another song's around others, so a stretch that holds one song is homogeneous and a
// stretch that holds two is not.
#pragma once

#include <cstdint>
#include <vector>

#include "sound_features.h"

// The onset strength of each hop: how much the band levels rose since the hop before.
std::vector<float> onsetEnvelope(const SoundFeatures& features);

class StepDescriptors {
public:
    explicit StepDescriptors(const SoundFeatures& features);

    int32_t steps() const { return steps_; }
    static int dims();
    // How much dimension dim counts when stretches are compared: each group of dimensions
    // (rhythm, harmony, production, loudness) shares one weight.
    static float weight(int dim);
    const float* row(int32_t step) const { return values_.data() + size_t(step) * size_t(dims()); }
    float level(int32_t step) const { return levels_[size_t(step)]; }  // dBFS

    // Each row becomes its mean over the seconds around it, over a reach of each group's own
    // (the key over 30 s, the mix over 8 s): what holds over a song, not over a bar.
    void averageOverSongScale();

private:
    void addRhythm(const SoundFeatures& features);
    void addSound(const SoundFeatures& features);
    void addLevels(const SoundFeatures& features);
    void smooth(int firstDim, int endDim, int32_t reach);

    int32_t steps_ = 0;
    std::vector<float> values_;  // steps x dims, step-major
    std::vector<float> levels_;
};
