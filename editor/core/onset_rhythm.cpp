// SPDX-License-Identifier: GPL-3.0-or-later
#include "onset_rhythm.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

float onsetCorrelation(const std::vector<float>& envelope, int32_t first, int32_t end, int32_t lag)
{
    first = std::max(0, first);
    end = std::min(int32_t(envelope.size()), end);
    if (lag <= 0 || end - first < 2 * lag) return 0.0F;
    double mean = 0;
    for (int32_t hop = first; hop < end; ++hop) mean += envelope[size_t(hop)];
    mean /= end - first;
    double product = 0;
    double earlier = 0;
    double later = 0;
    for (int32_t hop = first; hop + lag < end; ++hop) {
        const double a = envelope[size_t(hop)] - mean;
        const double b = envelope[size_t(hop + lag)] - mean;
        product += a * b;
        earlier += a * a;
        later += b * b;
    }
    return earlier > 0 && later > 0 ? float(product / std::sqrt(earlier * later)) : 0.0F;
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

float onsetRegularity(const std::vector<float>& envelope, int32_t first, int32_t end)
{
    return onsetBeat(envelope, first, end).regularity;
}
