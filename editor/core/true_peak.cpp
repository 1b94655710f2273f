// SPDX-License-Identifier: GPL-3.0-or-later
#include "true_peak.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kFactor = 4;
constexpr int kTaps = 49;
constexpr int kPhaseTaps = 12;  // taps j of a phase p: j % kFactor == p, outside the window's zeros
constexpr int kDelay = kTaps / 2;  // the filter's centre, in output samples
constexpr size_t kSide = kPhaseTaps / 2;
static_assert(kSide == kTruePeakReachFrames);

using Phase = std::array<float, kPhaseTaps>;

// The low-pass that fills in three points between samples: a sinc cut at the input's Nyquist
// frequency, Hann-windowed over 49 taps at the fourfold rate. Phase 0 falls on the samples
// themselves (the sinc is zero at every other whole sample), so only phases 1 to 3 are kept.
// Tap k of phase p weighs the input sample k - kPhaseTaps / 2 + 1 places back of the point.
std::array<Phase, kFactor - 1> interpolatorPhases()
{
    std::array<Phase, kFactor - 1> phases{};
    for (int p = 1; p < kFactor; ++p) {
        for (int k = 0; k < kPhaseTaps; ++k) {
            const int j = k * kFactor + p;
            const double m = double(j - kDelay) / kFactor;
            const double sinc = std::sin(std::numbers::pi * m) / (std::numbers::pi * m);
            const double hann = 0.5 * (1 - std::cos(2 * std::numbers::pi * j / (kTaps - 1)));
            phases[size_t(p - 1)][size_t(k)] = float(sinc * hann);
        }
    }
    return phases;
}

// One channel of the stretch with kSide samples of its surroundings on either side, as floats at
// full scale 1, in samples (resized to fit).
void channelWithSurroundings(const int16_t* values, size_t total, size_t first, size_t count,
                             int channel, std::vector<float>& samples)
{
    samples.assign(count + 2 * kSide, 0.0f);
    const size_t begin = first >= kSide ? first - kSide : 0;
    const size_t end = std::min(total, first + count + kSide);
    for (size_t frame = begin; frame < end; ++frame)
        samples[frame + kSide - first] = float(values[2 * frame + size_t(channel)]) / 32768.0f;
}

// The largest magnitude of the points of one phase between samples i and i + 1, i from 0 to
// count - 1; each sums the kPhaseTaps samples around its place. The taps are summed in one
// order for every point, so that the compiler can work on several points at once.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
// Processors with AVX2 and FMA take eight points at a time.
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
float phasePeak(const float* samples, size_t count, const Phase& phase)
{
    float peak = 0;
    for (size_t i = 0; i < count; ++i) {
        float point = 0;
        for (size_t k = 0; k < kPhaseTaps; ++k)
            point += phase[kPhaseTaps - 1 - k] * samples[i + k + 1];
        peak = std::max(peak, std::fabs(point));
    }
    return peak;
}

float channelPeak(const std::vector<float>& samples, size_t count,
                  const std::array<Phase, kFactor - 1>& phases)
{
    float peak = 0;
    for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::fabs(samples[i + kSide]));
    for (const Phase& phase : phases)
        peak = std::max(peak, phasePeak(samples.data(), count, phase));
    return peak;
}

}  // namespace

double truePeak(const int16_t* values, size_t total, size_t first, size_t count)
{
    static const std::array<Phase, kFactor - 1> phases = interpolatorPhases();
    thread_local std::vector<float> samples;
    float peak = 0;
    for (int channel = 0; channel < 2; ++channel) {
        channelWithSurroundings(values, total, first, count, channel, samples);
        peak = std::max(peak, channelPeak(samples, count, phases));
    }
    return peak;
}
