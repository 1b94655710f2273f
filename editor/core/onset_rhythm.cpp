// SPDX-License-Identifier: GPL-3.0-or-later
#include "onset_rhythm.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// The correlation of the envelope over hops first .. first + count - 1, less mean, with the hops
// lag later, less later.
float shiftedCorrelation(const std::vector<float>& envelope, int32_t first, int32_t count,
                         int32_t lag, double mean, double laterMean)
{
    double product = 0;
    double earlier = 0;
    double later = 0;
    for (int32_t hop = first; hop < first + count; ++hop) {
        const double a = envelope[size_t(hop)] - mean;
        const double b = envelope[size_t(hop + lag)] - laterMean;
        product += a * b;
        earlier += a * a;
        later += b * b;
    }
    return earlier > 0 && later > 0 ? float(product / std::sqrt(earlier * later)) : 0.0F;
}

double meanOf(const std::vector<float>& envelope, int32_t first, int32_t end)
{
    double sum = 0;
    for (int32_t hop = first; hop < end; ++hop) sum += envelope[size_t(hop)];
    return sum / (end - first);
}

}  // namespace

float onsetCorrelation(const std::vector<float>& envelope, int32_t first, int32_t end, int32_t lag)
{
    first = std::max(0, first);
    end = std::min(int32_t(envelope.size()), end);
    if (lag <= 0 || end - first < 2 * lag) return 0.0F;
    const double mean = meanOf(envelope, first, end);
    return shiftedCorrelation(envelope, first, end - lag - first, lag, mean, mean);
}

float onsetContinuity(const std::vector<float>& envelope, int32_t hop, int32_t reach)
{
    const int32_t first = hop - reach;
    if (first < 0 || reach <= 0 || hop + reach + kLongestBeatHops > int32_t(envelope.size()))
        return 0.0F;
    const double mean = meanOf(envelope, first, hop);
    // The later stretch's sum slides on a hop with each lag.
    double laterSum = mean * reach;
    float best = 0;
    for (int32_t lag = 1; lag <= reach + kLongestBeatHops; ++lag) {
        laterSum += envelope[size_t(hop + lag - 1)] - envelope[size_t(first + lag - 1)];
        if (lag < reach) continue;
        best =
            std::max(best, shiftedCorrelation(envelope, first, reach, lag, mean, laterSum / reach));
    }
    return best;
}

OnsetBeat onsetBeat(const std::vector<float>& envelope, int32_t first, int32_t end)
{
    OnsetBeat best;
    if (std::min(int32_t(envelope.size()), end) - std::max(0, first) < 2 * kLongestBeatHops)
        return best;
    for (int32_t lag = kShortestBeatHops; lag <= kLongestBeatHops; ++lag) {
        const float correlation = onsetCorrelation(envelope, first, end, lag);
        if (correlation > best.regularity) best = {lag, correlation};
    }
    return best;
}

float tempoKept(const std::vector<float>& envelope, int32_t hop, int32_t reach)
{
    // Each side's beat is looked for in the other: the best lag of a side may be a multiple of
    // the beat, and another multiple in the other.
    const OnsetBeat before = onsetBeat(envelope, hop - reach, hop);
    const OnsetBeat after = onsetBeat(envelope, hop, hop + reach);
    const auto heldBy = [&](const OnsetBeat& beat, int32_t first, int32_t end) {
        return beat.lag == 0
                   ? 0.0F
                   : std::min(beat.regularity, onsetCorrelation(envelope, first, end, beat.lag));
    };
    return std::max({0.0F, heldBy(before, hop, hop + reach), heldBy(after, hop - reach, hop)});
}

float onsetRegularity(const std::vector<float>& envelope, int32_t first, int32_t end)
{
    return onsetBeat(envelope, first, end).regularity;
}
