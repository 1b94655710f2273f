// SPDX-License-Identifier: GPL-3.0-or-later
// Two measures of how far the sound has moved from the outgoing song to the incoming one, frame
// by frame: the incoming song's share of the mix, from the band powers (where two songs add up),
// and where the spectrum's shape lies between the two songs' shapes, from the band levels in dB
// (which a song's own swells do not move). Each is fitted with a ramp from 0 to 1: the share's
// ramp places the middle, the shape's ramp tells a gradual change from a switch.
#include "crossfade_finder.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

constexpr double kHopsPerSecond = double(kSampleRate) / kHopFrames;
// Each song's sound is taken from 10 s of it, starting 3 s from the middle: past the end of a
// fade of up to 6 s.
constexpr int32_t kGapHops = 65;
constexpr int32_t kSongHops = 215;
constexpr int32_t kShortestSongHops = 43;  // 2 s at least, where the take starts or ends nearby
constexpr int32_t kFitReachHops = 86;      // the ramps are fitted over 4 s either side of their middle
constexpr int32_t kMiddleStepHops = 2;
constexpr std::array kRampSeconds{0.0, 0.5, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0};
constexpr double kTinyPower = 1e-12;
// Two songs whose spectral shapes differ by less than this (the root mean square over the bands)
// cannot be told apart in their mix.
constexpr double kLeastShapeChangeDb = 3.0;
// A crossfade takes a second at least, and a gradual ramp explains it clearly better than any
// switch at once: its mean squared error is at most 70 % of the switch's.
constexpr double kShortestFadeSeconds = 1.0;
constexpr double kGradualCostShare = 0.7;

struct RampFit {
    double middle = 0;  // in hops
    double seconds = 0;
    double cost = INFINITY;        // the mean squared distance of the progress from the ramp
    double abruptCost = INFINITY;  // the same for the best switch at once
};

// Linear fades: the incoming song's gain rises as the outgoing one's falls, and its share of the
// mix's power goes as the square of its gain.
double equalFadeShare(double along)
{
    return along * along / (along * along + (1 - along) * (1 - along));
}

double straight(double along)
{
    return along;
}

// The ramp from 0 to 1 that the progress (one value a hop from hop `from`) follows best, its
// middle within kReachHops of guess. Each hop's error is capped at 1, so that a hop of something
// else entirely weighs no more than one at the wrong end.
template <typename Ramp>
RampFit fitRamp(const std::vector<float>& progress, int32_t from, int32_t guess, Ramp ramp)
{
    // Sums of the errors of 0 and of 1 make the flat parts of a ramp cost nothing to add up.
    std::vector<double> belowSums(progress.size() + 1);
    std::vector<double> aboveSums(progress.size() + 1);
    for (size_t at = 0; at < progress.size(); ++at) {
        belowSums[at + 1] = belowSums[at] + std::min(1.0, double(progress[at]) * progress[at]);
        aboveSums[at + 1] = aboveSums[at] + std::min(1.0, (1.0 - progress[at]) * (1.0 - progress[at]));
    }
    RampFit best;
    const auto to = int32_t(from + progress.size());
    constexpr int32_t reach = CrossfadeFinder::kReachHops;
    for (int32_t middle = guess - reach; middle <= guess + reach; middle += kMiddleStepHops) {
        const int32_t first = std::max(from, middle - kFitReachHops);
        const int32_t end = std::min(to, middle + kFitReachHops);
        if (end - first < kFitReachHops) continue;
        for (const double seconds : kRampSeconds) {
            const double hops = seconds * kHopsPerSecond;
            const int32_t rampFirst = std::clamp(int32_t(std::floor(middle - hops / 2)), first, end);
            const int32_t rampEnd = std::clamp(int32_t(std::ceil(middle + hops / 2)), rampFirst, end);
            double cost = belowSums[size_t(rampFirst - from)] - belowSums[size_t(first - from)] +
                          aboveSums[size_t(end - from)] - aboveSums[size_t(rampEnd - from)];
            for (int32_t hop = rampFirst; hop < rampEnd; ++hop) {
                const double along = std::clamp(0.5 + (hop + 0.5 - middle) / hops, 0.0, 1.0);
                const double error = progress[size_t(hop - from)] - ramp(along);
                cost += std::min(error * error, 1.0);
            }
            cost /= end - first;
            if (seconds == 0.0) best.abruptCost = std::min(best.abruptCost, cost);
            if (cost < best.cost) {
                best.middle = middle;
                best.seconds = seconds;
                best.cost = cost;
            }
        }
    }
    return best;
}

}  // namespace

struct CrossfadeFinder::Songs {
    Bands powerBefore{};  // the mean power of each band
    Bands powerAfter{};
    Bands shapeBefore{};  // the mean shape
    Bands shapeAfter{};

    double shapeDistanceDb() const
    {
        double sum = 0;
        for (size_t k = 0; k < kTimbreBands; ++k)
            sum += double(shapeAfter[k] - shapeBefore[k]) * (shapeAfter[k] - shapeBefore[k]);
        return std::sqrt(sum / kTimbreBands);
    }
};

CrossfadeFinder::CrossfadeFinder(const SoundFeatures& features)
    : powers_(features.hops.size()), shapes_(features.hops.size())
{
    for (size_t hop = 0; hop < features.hops.size(); ++hop) {
        const auto& levels = features.hops[hop].bands;
        float mean = 0;
        for (const float level : levels) mean += level / kTimbreBands;
        for (size_t k = 0; k < kTimbreBands; ++k) {
            powers_[hop][k] = std::pow(10.0F, levels[k] / 10.0F);
            shapes_[hop][k] = levels[k] - mean;
        }
    }
}

std::optional<CrossfadeFinder::Songs> CrossfadeFinder::songsAround(int32_t middle, int32_t firstHop, int32_t endHop) const
{
    const int32_t beforeEnd = middle - kGapHops;
    const int32_t beforeFirst = std::max(firstHop, beforeEnd - kSongHops);
    const int32_t afterFirst = middle + kGapHops;
    const int32_t afterEnd = std::min(endHop, afterFirst + kSongHops);
    if (beforeEnd - beforeFirst < kShortestSongHops || afterEnd - afterFirst < kShortestSongHops) return std::nullopt;
    Songs songs;
    const auto addMean = [this](int32_t first, int32_t end, Bands& power, Bands& shape) {
        const float share = 1.0F / float(end - first);
        for (int32_t hop = first; hop < end; ++hop) {
            for (size_t k = 0; k < kTimbreBands; ++k) {
                power[k] += powers_[size_t(hop)][k] * share;
                shape[k] += shapes_[size_t(hop)][k] * share;
            }
        }
    };
    addMean(beforeFirst, beforeEnd, songs.powerBefore, songs.shapeBefore);
    addMean(afterFirst, afterEnd, songs.powerAfter, songs.shapeAfter);
    return songs;
}

// Each hop's band powers are fitted as a non-negative mix of the two songs' mean powers, each
// band measured against the two songs' sum so that quiet bands count as much as loud ones.
std::vector<float> CrossfadeFinder::incomingShare(const Songs& songs, int32_t from, int32_t to) const
{
    Bands before{};
    Bands after{};
    Bands scale{};
    double beforeBefore = 0;
    double beforeAfter = 0;
    double afterAfter = 0;
    for (size_t k = 0; k < kTimbreBands; ++k) {
        scale[k] = float(1.0 / (double(songs.powerBefore[k]) + songs.powerAfter[k] + kTinyPower));
        before[k] = songs.powerBefore[k] * scale[k];
        after[k] = songs.powerAfter[k] * scale[k];
        beforeBefore += double(before[k]) * before[k];
        beforeAfter += double(before[k]) * after[k];
        afterAfter += double(after[k]) * after[k];
    }
    const double determinant = std::max(beforeBefore * afterAfter - beforeAfter * beforeAfter, kTinyPower);
    std::vector<float> shares;
    shares.reserve(size_t(to - from));
    for (int32_t hop = from; hop < to; ++hop) {
        double onBefore = 0;
        double onAfter = 0;
        for (size_t k = 0; k < kTimbreBands; ++k) {
            const double power = double(powers_[size_t(hop)][k]) * scale[k];
            onBefore += before[k] * power;
            onAfter += after[k] * power;
        }
        double gainBefore = (afterAfter * onBefore - beforeAfter * onAfter) / determinant;
        double gainAfter = (beforeBefore * onAfter - beforeAfter * onBefore) / determinant;
        if (gainBefore < 0) {
            gainBefore = 0;
            gainAfter = onAfter / std::max(afterAfter, kTinyPower);
        } else if (gainAfter < 0) {
            gainAfter = 0;
            gainBefore = onBefore / std::max(beforeBefore, kTinyPower);
        }
        const double total = gainBefore + gainAfter;
        shares.push_back(total > 0 ? float(gainAfter / total) : 0.5F);
    }
    return shares;
}

// 0 for the outgoing song's mean shape, 1 for the incoming one's: each hop's shape projected on
// the line between them.
std::vector<float> CrossfadeFinder::shapeProgress(const Songs& songs, int32_t from, int32_t to) const
{
    Bands change{};
    double length = kTinyPower;
    for (size_t k = 0; k < kTimbreBands; ++k) {
        change[k] = songs.shapeAfter[k] - songs.shapeBefore[k];
        length += double(change[k]) * change[k];
    }
    std::vector<float> progress;
    progress.reserve(size_t(to - from));
    for (int32_t hop = from; hop < to; ++hop) {
        double along = 0;
        for (size_t k = 0; k < kTimbreBands; ++k)
            along += double(shapes_[size_t(hop)][k] - songs.shapeBefore[k]) * change[k];
        progress.push_back(float(along / length));
    }
    return progress;
}

std::optional<int32_t> CrossfadeFinder::middleNear(int32_t hop, int32_t firstHop, int32_t endHop) const
{
    endHop = std::min(endHop, int32_t(powers_.size()));  // the last step may reach past the last hop
    const std::optional<Songs> songs = songsAround(hop, firstHop, endHop);
    if (!songs || songs->shapeDistanceDb() < kLeastShapeChangeDb) return std::nullopt;
    const int32_t from = std::max(firstHop, hop - kReachHops - kFitReachHops);
    const int32_t to = std::min(endHop, hop + kReachHops + kFitReachHops + 1);
    const RampFit shape = fitRamp(shapeProgress(*songs, from, to), from, hop, straight);
    if (shape.seconds < kShortestFadeSeconds || shape.cost > kGradualCostShare * shape.abruptCost) return std::nullopt;
    const RampFit share = fitRamp(incomingShare(*songs, from, to), from, hop, equalFadeShare);
    if (!std::isfinite(share.cost)) return std::nullopt;
    return int32_t(share.middle);
}
