// SPDX-License-Identifier: GPL-3.0-or-later
#include "onset_rhythm.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

float onsetRegularity(const std::vector<float>& envelope, int32_t first, int32_t end)
{
    first = std::max(0, first);
    end = std::min(int32_t(envelope.size()), end);
    if (end - first < 2 * kLongestBeatHops) return 0.0F;
    double mean = 0;
    for (int32_t hop = first; hop < end; ++hop) mean += envelope[size_t(hop)];
    mean /= end - first;
    float best = 0.0F;
    for (int32_t lag = kShortestBeatHops; lag <= kLongestBeatHops; ++lag) {
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
        if (earlier > 0 && later > 0)
            best = std::max(best, float(product / std::sqrt(earlier * later)));
    }
    return best;
}
