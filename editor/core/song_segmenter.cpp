// SPDX-License-Identifier: GPL-3.0-or-later
// Dynamic programming over the candidate places: the cheapest way to reach each candidate as the
// start of a song is the cheapest way to reach an earlier one plus the song between them, whose
// cost is its inhomogeneity, the price of a boundary and what its length makes unlikely. Prefix
// sums make each song's cost a few operations a dimension, whatever its length.
#include "song_segmenter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace {

constexpr float kCandidateNovelty = 0.6F;  // well below a new song's 1 and more
constexpr int32_t kDipReachSteps = 4;      // a dip: the lowest level within 1 s either side
constexpr int32_t kDipContextSteps = 43;   // below the median of 10 s either side
constexpr float kDipBelowMedianDb = 4.0F;
constexpr int32_t kLevelSmoothingSteps = 2;  // the level's mean over 1.2 s
constexpr int32_t kShortestPieceSteps = 86;  // 20 s: no song between two boundaries is shorter
constexpr int32_t kEdgePieceSteps = 9;       // 2 s: what the take's start or end leaves of a song
constexpr double kBoundaryCost = 60.0;
constexpr double kVarianceFloor = 0.01;           // of the run's own variance
constexpr int32_t kUsualShortestSongSteps = 388;  // 90 s
constexpr double kShortSongCost = 3000.0;         // the cost of a 20 s song

}  // namespace

double shortSongCost(int32_t steps)
{
    if (steps >= kUsualShortestSongSteps) return 0;
    const double missing = double(kUsualShortestSongSteps - steps) /
                           double(kUsualShortestSongSteps - kShortestPieceSteps);
    return kShortSongCost * missing * missing;
}

SongSegmenter::SongSegmenter(const SoundFeatures& features)
    : descriptors_(features),
      changes_(features)
{
    const auto dims = size_t(StepDescriptors::dims());
    const auto steps = size_t(descriptors_.steps());
    sums_.assign((steps + 1) * dims, 0.0);
    squares_.assign((steps + 1) * dims, 0.0);
    for (size_t step = 0; step < steps; ++step) {
        const float* row = descriptors_.row(int32_t(step));
        for (size_t dim = 0; dim < dims; ++dim) {
            sums_[(step + 1) * dims + dim] = sums_[step * dims + dim] + row[dim];
            squares_[(step + 1) * dims + dim] =
                squares_[step * dims + dim] + double(row[dim]) * row[dim];
        }
    }
}

double SongSegmenter::inhomogeneity(int32_t first, int32_t end,
                                    const std::vector<double>& floor) const
{
    const auto dims = size_t(StepDescriptors::dims());
    const double count = end - first;
    double cost = 0;
    for (size_t dim = 0; dim < dims; ++dim) {
        const double sum = sums_[size_t(end) * dims + dim] - sums_[size_t(first) * dims + dim];
        const double squares =
            squares_[size_t(end) * dims + dim] - squares_[size_t(first) * dims + dim];
        const double variance = std::max(0.0, squares / count - (sum / count) * (sum / count));
        cost += StepDescriptors::weight(int(dim)) * std::log(variance + floor[dim]);
    }
    return 0.5 * count * cost;
}

void SongSegmenter::addLevelDips(const MusicRun& run, std::vector<int32_t>& found) const
{
    std::vector<float> smooth(size_t(run.end - run.first));
    for (int32_t step = run.first; step < run.end; ++step) {
        const int32_t first = std::max(run.first, step - kLevelSmoothingSteps);
        const int32_t end = std::min(run.end, step + kLevelSmoothingSteps + 1);
        float sum = 0;
        for (int32_t other = first; other < end; ++other) sum += descriptors_.level(other);
        smooth[size_t(step - run.first)] = sum / float(end - first);
    }
    std::vector<float> context;
    const auto count = int32_t(smooth.size());
    for (int32_t at = 1; at + 1 < count; ++at) {
        const float level = smooth[size_t(at)];
        const auto reach = [&](int32_t distance, int32_t& first, int32_t& end) {
            first = std::max(0, at - distance);
            end = std::min(count, at + distance + 1);
        };
        int32_t first = 0;
        int32_t end = 0;
        reach(kDipReachSteps, first, end);
        if (*std::min_element(smooth.begin() + first, smooth.begin() + end) < level) continue;
        reach(kDipContextSteps, first, end);
        context.assign(smooth.begin() + first, smooth.begin() + end);
        const auto middle = context.begin() + std::ptrdiff_t(context.size() / 2);
        std::nth_element(context.begin(), middle, context.end());
        if (level <= *middle - kDipBelowMedianDb) found.push_back(run.first + at);
    }
}

std::vector<int32_t> SongSegmenter::candidates(const MusicRun& run) const
{
    std::vector<float> novelty(size_t(std::max(0, run.end - run.first)));
    for (int32_t step = run.first; step < run.end; ++step)
        novelty[size_t(step - run.first)] = changes_.novelty(step, run.first, run.end);
    std::vector<int32_t> found;
    for (int32_t step = run.first + 1; step + 1 < run.end; ++step) {
        const auto at = size_t(step - run.first);
        if (novelty[at] >= kCandidateNovelty && novelty[at] >= novelty[at - 1] &&
            novelty[at] > novelty[at + 1])
            found.push_back(step);
    }
    addLevelDips(run, found);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::vector<int32_t> SongSegmenter::boundaries(const MusicRun& run) const
{
    if (run.end - run.first < 2 * kEdgePieceSteps) return {};
    std::vector<int32_t> nodes{run.first};
    for (const int32_t step : candidates(run)) nodes.push_back(step);
    nodes.push_back(run.end);

    const auto dims = size_t(StepDescriptors::dims());
    std::vector<double> floor(dims);
    const double count = run.end - run.first;
    for (size_t dim = 0; dim < dims; ++dim) {
        const double sum =
            sums_[size_t(run.end) * dims + dim] - sums_[size_t(run.first) * dims + dim];
        const double squares =
            squares_[size_t(run.end) * dims + dim] - squares_[size_t(run.first) * dims + dim];
        floor[dim] =
            kVarianceFloor * std::max(1e-9, squares / count - (sum / count) * (sum / count));
    }

    const size_t last = nodes.size() - 1;
    std::vector<double> best(nodes.size(), std::numeric_limits<double>::infinity());
    std::vector<size_t> previous(nodes.size(), 0);
    best[0] = 0;
    for (size_t to = 1; to <= last; ++to) {
        for (size_t from = 0; from < to; ++from) {
            if (std::isinf(best[from])) continue;
            const int32_t steps = nodes[to] - nodes[from];
            const bool whole = from == 0 && to == last;
            const bool cut = (from == 0 && run.openBefore) || (to == last && run.openAfter);
            if (!whole && steps < (cut ? kEdgePieceSteps : kShortestPieceSteps)) continue;
            double cost = best[from] + inhomogeneity(nodes[from], nodes[to], floor);
            if (to != last) cost += kBoundaryCost;
            if (!whole && !cut) cost += shortSongCost(steps);
            if (cost < best[to]) {
                best[to] = cost;
                previous[to] = from;
            }
        }
    }
    std::vector<int32_t> chosen;
    for (size_t node = previous[last]; node != 0; node = previous[node])
        chosen.push_back(nodes[node]);
    std::reverse(chosen.begin(), chosen.end());
    return chosen;
}
