// SPDX-License-Identifier: GPL-3.0-or-later
// What the song finder's feature extraction would make of songs described by a few numbers: a
// beat at a tempo, a key, a spectral tilt and a level, hop by hop, with a little noise. The
// finder's later stages are tested on these without audio.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <random>

#include "sound_features.h"

namespace made_up {

struct Passage {
    double seconds = 60;
    double beatsPerMinute = 120;  // 0: no beat
    int key = 0;                  // the tonic's pitch class, of a major key
    float tiltDb = -2.0F;         // from one band to the next up
    float levelDb = -18.0F;
};

class FeatureTrack {
public:
    // Appends the hops and level blocks of a passage.
    void add(const Passage& passage)
    {
        constexpr std::array<float, kPitchClasses> kMajorProfile{
            6.35F, 2.23F, 3.48F, 2.33F, 4.38F, 4.09F, 2.52F, 5.19F, 2.39F, 3.66F, 2.29F, 2.88F};
        std::normal_distribution<float> noise(0.0F, 1.0F);
        const auto hops = int32_t(passage.seconds * kSampleRate / kHopFrames);
        for (int32_t n = 0; n < hops; ++n, ++hop_) {
            const double seconds = double(hop_) * kHopFrames / kSampleRate;
            const double beats = seconds * passage.beatsPerMinute / 60;
            const bool onBeat = passage.beatsPerMinute > 0 && beats - std::floor(beats) < 0.12;
            const float level = passage.levelDb + (onBeat ? 10.0F : 0.0F);
            SpectralFrame frame;
            frame.flatness = 0.1F;
            float total = 0;
            for (int k = 0; k < kPitchClasses; ++k) {
                const float value =
                    std::max(0.1F, kMajorProfile[size_t((k - passage.key + 12) % 12)] +
                                       0.8F * noise(random_));
                frame.chroma[size_t(k)] = value;
                total += value;
            }
            for (float& value : frame.chroma) value /= total;
            for (int band = 0; band < kTimbreBands; ++band)
                frame.bands[size_t(band)] =
                    level + 20.0F + passage.tiltDb * float(band) + 0.5F * noise(random_);
            features.hops.push_back(frame);
            for (int32_t block = 0; block < kHopFrames / kBlockFrames; ++block) {
                features.blockLevels.push_back(level + 0.5F * noise(random_));
                features.blockPeaks.push_back(8000);
            }
            features.frames += kHopFrames;
        }
    }

    SoundFeatures features;

private:
    int32_t hop_ = 0;
    std::mt19937 random_{7};
};

}  // namespace made_up
