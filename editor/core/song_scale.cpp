// SPDX-License-Identifier: GPL-3.0-or-later
// The rhythm of a step is the autocorrelation of the onset envelope over the seconds around it,
// at lags from a fast beat to a slow bar: a song's beat and bar give it peaks at their periods,
// which another tempo or another groove moves. Harmony and production are the step's mean
// chroma and band levels, the bands without their mean so that a louder passage keeps its shape.
#include "song_scale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "sound_classifier.h"

namespace {

constexpr int32_t kShortestLag = 4;  // 0.19 s: a fast beat's half
constexpr int32_t kLongestLag = 64;  // 3.0 s: a bar at 80 beats a minute
constexpr int32_t kLagStride = 2;
constexpr int kRhythmDims = (kLongestLag - kShortestLag) / kLagStride + 1;
constexpr int kChromaFirst = kRhythmDims;
constexpr int kBandsFirst = kChromaFirst + kPitchClasses;
constexpr int kLoudnessDim = kBandsFirst + kTimbreBands;
constexpr int kDims = kLoudnessDim + 1;
constexpr int32_t kTrendHops = 11;  // the onsets' local mean, 0.5 s either side, is taken away
constexpr int32_t kRhythmReachSteps = 17;      // the rhythm of 4 s either side of a step
constexpr int32_t kHarmonyReachSteps = 65;     // the key of 15 s either side
constexpr int32_t kProductionReachSteps = 17;  // the mix of 4 s either side
constexpr int32_t kLoudnessReachSteps = 9;     // the loudness of 2 s either side
constexpr float kLevelFloorDbfs = -70.0F;
constexpr float kRhythmWeight = 1.0F;
constexpr float kHarmonyWeight = 0.6F;
constexpr float kProductionWeight = 1.0F;
constexpr float kLoudnessWeight = 0.5F;

// The envelope less its local trend, so that the autocorrelation sees the pulse, not the level.
std::vector<float> pulses(const std::vector<float>& envelope)
{
    const auto hops = int32_t(envelope.size());
    std::vector<double> prefix(size_t(hops) + 1);
    for (int32_t hop = 0; hop < hops; ++hop)
        prefix[size_t(hop) + 1] = prefix[size_t(hop)] + envelope[size_t(hop)];
    std::vector<float> result(envelope.size());
    for (int32_t hop = 0; hop < hops; ++hop) {
        const int32_t first = std::max(0, hop - kTrendHops);
        const int32_t end = std::min(hops, hop + kTrendHops + 1);
        const double trend = (prefix[size_t(end)] - prefix[size_t(first)]) / (end - first);
        result[size_t(hop)] = float(envelope[size_t(hop)] - trend);
    }
    return result;
}

// For each step, the sums of the pulses' products at every lag from 0 to kLongestLag over the
// step's own hops.
std::vector<double> stepLagSums(const std::vector<float>& pulse, int32_t steps)
{
    const auto hops = int32_t(pulse.size());
    std::vector<double> sums(size_t(steps) * (kLongestLag + 1));
    for (int32_t hop = 0; hop < hops; ++hop) {
        double* row = sums.data() + size_t(hop / kStepHops) * (kLongestLag + 1);
        const int32_t lags = std::min(kLongestLag, hops - 1 - hop);
        for (int32_t lag = 0; lag <= lags; ++lag)
            row[lag] += double(pulse[size_t(hop)]) * pulse[size_t(hop + lag)];
    }
    return sums;
}

}  // namespace

std::vector<float> onsetEnvelope(const SoundFeatures& features)
{
    std::vector<float> envelope(features.hops.size());
    for (size_t hop = 1; hop < features.hops.size(); ++hop) {
        float rise = 0;
        for (size_t band = 0; band < kTimbreBands; ++band)
            rise += std::max(0.0F, features.hops[hop].bands[band] -
                                       std::max(features.hops[hop - 1].bands[band], -100.0F));
        envelope[hop] = rise;
    }
    return envelope;
}

StepDescriptors::StepDescriptors(const SoundFeatures& features)
    : steps_(int32_t((features.hops.size() + kStepHops - 1) / kStepHops)),
      values_(size_t(steps_) * kDims)
{
    addRhythm(features);
    addSound(features);
    addLevels(features);
}

void StepDescriptors::averageOverSongScale()
{
    smooth(kChromaFirst, kBandsFirst, kHarmonyReachSteps);
    smooth(kBandsFirst, kLoudnessDim, kProductionReachSteps);
    smooth(kLoudnessDim, kDims, kLoudnessReachSteps);
}

void StepDescriptors::smooth(int firstDim, int endDim, int32_t reach)
{
    std::vector<double> prefix(size_t(steps_) + 1);
    for (int dim = firstDim; dim < endDim; ++dim) {
        for (int32_t step = 0; step < steps_; ++step)
            prefix[size_t(step) + 1] =
                prefix[size_t(step)] + values_[size_t(step) * kDims + size_t(dim)];
        for (int32_t step = 0; step < steps_; ++step) {
            const int32_t first = std::max(0, step - reach);
            const int32_t end = std::min(steps_, step + reach + 1);
            values_[size_t(step) * kDims + size_t(dim)] =
                float((prefix[size_t(end)] - prefix[size_t(first)]) / (end - first));
        }
    }
}

int StepDescriptors::dims()
{
    return kDims;
}

float StepDescriptors::weight(int dim)
{
    if (dim < kChromaFirst) return kRhythmWeight / kRhythmDims;
    if (dim < kBandsFirst) return kHarmonyWeight / kPitchClasses;
    if (dim < kLoudnessDim) return kProductionWeight / kTimbreBands;
    return kLoudnessWeight;
}

void StepDescriptors::addRhythm(const SoundFeatures& features)
{
    const std::vector<double> sums = stepLagSums(pulses(onsetEnvelope(features)), steps_);
    // A running sum over the steps within reach.
    std::vector<double> window(kLongestLag + 1);
    const auto add = [&](int32_t step, double sign) {
        if (step < 0 || step >= steps_) return;
        for (int32_t lag = 0; lag <= kLongestLag; ++lag)
            window[size_t(lag)] += sign * sums[size_t(step) * (kLongestLag + 1) + size_t(lag)];
    };
    for (int32_t step = -kRhythmReachSteps; step < kRhythmReachSteps; ++step) add(step, 1);
    for (int32_t step = 0; step < steps_; ++step) {
        add(step + kRhythmReachSteps, 1);
        float* row = values_.data() + size_t(step) * kDims;
        const double power = window[0];
        for (int dim = 0; dim < kRhythmDims; ++dim)
            row[dim] = power > 1e-6 ? float(window[size_t(kShortestLag + dim * kLagStride)] / power)
                                    : 0.0F;
        add(step - kRhythmReachSteps, -1);
    }
}

void StepDescriptors::addSound(const SoundFeatures& features)
{
    for (size_t hop = 0; hop < features.hops.size(); ++hop) {
        float* row = values_.data() + (hop / kStepHops) * kDims;
        const SpectralFrame& frame = features.hops[hop];
        float mean = 0;
        for (const float band : frame.bands) mean += std::max(band, -100.0F) / kTimbreBands;
        for (size_t k = 0; k < kPitchClasses; ++k) row[kChromaFirst + k] += frame.chroma[k];
        for (size_t k = 0; k < kTimbreBands; ++k)
            row[kBandsFirst + k] += std::max(frame.bands[k], -100.0F) - mean;
    }
    // The last step may hold fewer hops.
    for (int32_t step = 0; step < steps_; ++step) {
        const size_t hops =
            std::min(size_t(kStepHops), features.hops.size() - size_t(step) * kStepHops);
        float* row = values_.data() + size_t(step) * kDims;
        for (int dim = kChromaFirst; dim < kLoudnessDim; ++dim) row[dim] /= float(hops);
    }
}

void StepDescriptors::addLevels(const SoundFeatures& features)
{
    constexpr size_t kBlocksPerStep = kStepFrames / kBlockFrames;
    levels_.assign(size_t(steps_), kLevelFloorDbfs);
    for (int32_t step = 0; step < steps_; ++step) {
        const size_t first = size_t(step) * kBlocksPerStep;
        const size_t end = std::min(features.blockLevels.size(), first + kBlocksPerStep);
        if (first >= end) continue;
        double sum = 0;
        for (size_t block = first; block < end; ++block)
            sum += std::max(features.blockLevels[block], kLevelFloorDbfs);
        levels_[size_t(step)] = float(sum / double(end - first));
        values_[size_t(step) * kDims + kLoudnessDim] = levels_[size_t(step)];
    }
}
