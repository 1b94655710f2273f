// SPDX-License-Identifier: GPL-3.0-or-later
// Dynamic programming over the candidate places: the cheapest way to reach each candidate as the
// start of a song is the cheapest way to reach an earlier one plus the song between them, whose
// cost is its spread (how far its steps lie from its own mean, in units of the run's variance),
// the price of a boundary and what its length makes unlikely.
#include "song_segmenter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <utility>

#include "onset_rhythm.h"

namespace {

constexpr float kCandidateNovelty = 0.6F;  // well below a new song's 1 and more
constexpr int32_t kDipReachSteps = 4;      // a dip: the lowest level within 1 s either side
constexpr int32_t kDipContextSteps = 43;   // below the median of 10 s either side
constexpr float kDipBelowMedianDb = 4.0F;
constexpr int32_t kLevelSmoothingSteps = 2;  // the level's mean over 1.2 s
constexpr int32_t kShortestPieceSteps = 86;  // 20 s: no song between two boundaries is shorter
constexpr int32_t kEdgePieceSteps = 9;       // 2 s: what the take's start or end leaves of a song
constexpr double kBoundaryCost = 1300.0;
// Most takes end in the start of the next song and begin in the end of the one before: a
// boundary that leaves such a cut song at the take's edge is likely, and its short side buys
// little homogeneity however different it sounds.
constexpr double kOpenBoundaryCost = 300.0;
constexpr int32_t kRefineReachSteps = 43;   // a boundary may move 10 s to where it fits best
constexpr int32_t kFromDipReachSteps = 17;  // or to 4 s from a dip in the level
// Two songs that cross while both play dip a few dB where they cross; a dip this much deeper
// than the level around has near silence in it, such as a quiet start the next song's
// recording opens with, and that belongs to neither song.
constexpr float kQuietGapDepthDb = 12.0F;
constexpr int32_t kUsualShortestSongSteps = 388;  // 90 s
constexpr double kShortSongCost = 3000.0;         // the cost of a 20 s song
constexpr double kLeastVariance = 1e-9;
// A song's beat carries on through its own section changes, and a boundary that leaves a cut
// song at the take's edge is cheap enough that the last song's own change could pass for the
// next one's start: where the onsets of the 8 s before a place still match those 8 s later, or
// the 30 s before and after beat at one tempo, such a boundary costs more, 2800 more where they
// match entirely. Where the beat keeps little, as it does across most crossfades, it costs what
// it always does.
constexpr int32_t kBeatReachHops = 172;
constexpr int32_t kTempoReachHops = 646;
constexpr double kSteadyBeatFloor = 0.3;
constexpr double kSteadyBeatCost = 4000.0;
// Near a title a player announced where the audio shows no such change, fainter ones count.
constexpr float kHintedCandidateNovelty = 0.3F;

bool isNoveltyPeak(const std::vector<float>& novelty, size_t at, float least)
{
    return novelty[at] >= least && novelty[at] >= novelty[at - 1] && novelty[at] > novelty[at + 1];
}

struct Reach {
    double cost = std::numeric_limits<double>::infinity();
    size_t from = 0;
    size_t state = 0;  // how from was reached
};

size_t dims()
{
    return size_t(StepDescriptors::dims());
}

// Each dimension's variance over the run, the unit that stretches of it are measured in; a
// dimension that never changes counts as changing a little.
std::vector<double> unitOf(const StepMoments& moments, const MusicRun& run)
{
    std::vector<double> unit = moments.variances(run.first, run.end);
    for (double& value : unit) value = std::max(value, kLeastVariance);
    return unit;
}

// The deepest of the dips within reach of step, between the neighbouring boundaries.
const LevelDip* deepestDipNear(const std::vector<LevelDip>& dips, int32_t step, int32_t before,
                               int32_t after)
{
    const LevelDip* deepest = nullptr;
    for (const LevelDip& dip : dips) {
        const bool near =
            std::abs(dip.step - step) <= kRefineReachSteps && dip.step > before && dip.step < after;
        if (near && (!deepest || dip.depth > deepest->depth)) deepest = &dip;
    }
    return deepest;
}

}  // namespace

double shortSongCost(int32_t steps)
{
    if (steps >= kUsualShortestSongSteps) return 0;
    const double missing = double(kUsualShortestSongSteps - steps) /
                           double(kUsualShortestSongSteps - kShortestPieceSteps);
    return kShortSongCost * missing * missing;
}

StepMoments::StepMoments(const StepDescriptors& descriptors)
    : sums_((size_t(descriptors.steps()) + 1) * dims()),
      squares_(sums_.size())
{
    for (size_t step = 0; step < size_t(descriptors.steps()); ++step) {
        const float* row = descriptors.row(int32_t(step));
        for (size_t dim = 0; dim < dims(); ++dim) {
            sums_[(step + 1) * dims() + dim] = sums_[step * dims() + dim] + row[dim];
            squares_[(step + 1) * dims() + dim] =
                squares_[step * dims() + dim] + double(row[dim]) * row[dim];
        }
    }
}

std::vector<double> StepMoments::variances(int32_t first, int32_t end) const
{
    std::vector<double> result(dims());
    const double count = end - first;
    for (size_t dim = 0; dim < dims(); ++dim) {
        const double mean =
            (sums_[size_t(end) * dims() + dim] - sums_[size_t(first) * dims() + dim]) / count;
        const double squares =
            squares_[size_t(end) * dims() + dim] - squares_[size_t(first) * dims() + dim];
        result[dim] = std::max(0.0, squares / count - mean * mean);
    }
    return result;
}

double StepMoments::spread(int32_t first, int32_t end, const std::vector<double>& unit) const
{
    const std::vector<double> variance = variances(first, end);
    double result = 0;
    for (size_t dim = 0; dim < dims(); ++dim)
        result += StepDescriptors::weight(int(dim)) * variance[dim] / unit[dim];
    return result * (end - first);
}

SongSegmenter::SongSegmenter(const SoundFeatures& features, TitleHints hints)
    : descriptors_(features),
      moments_(descriptors_),
      songMoments_([this] {
          StepDescriptors songScale = descriptors_;
          songScale.averageOverSongScale();
          return StepMoments(songScale);
      }()),
      changes_(features),
      hints_(std::move(hints)),
      onsets_(onsetEnvelope(features))
{}

double SongSegmenter::steadyBeatCost(int32_t step) const
{
    const int32_t hop = step * kStepHops;
    const float continuity = std::max(onsetContinuity(onsets_, hop, kBeatReachHops),
                                      tempoKept(onsets_, hop, kTempoReachHops));
    return kSteadyBeatCost * std::max(0.0, double(continuity) - kSteadyBeatFloor);
}

double SongSegmenter::gainAt(const MusicRun& run, int32_t first, int32_t step, int32_t end) const
{
    const std::vector<double> unit = unitOf(songMoments_, run);
    return songMoments_.spread(first, end, unit) - songMoments_.spread(first, step, unit) -
           songMoments_.spread(step, end, unit);
}

std::vector<LevelDip> SongSegmenter::levelDips(const MusicRun& run) const
{
    std::vector<LevelDip> dips;
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
    const auto within = [&](int32_t at, int32_t reach) {
        return std::pair(smooth.begin() + std::max(0, at - reach),
                         smooth.begin() + std::min(count, at + reach + 1));
    };
    for (int32_t at = 1; at + 1 < count; ++at) {
        const float level = smooth[size_t(at)];
        const auto [near, nearEnd] = within(at, kDipReachSteps);
        if (*std::min_element(near, nearEnd) < level) continue;
        const auto [around, aroundEnd] = within(at, kDipContextSteps);
        context.assign(around, aroundEnd);
        const auto middle = context.begin() + std::ptrdiff_t(context.size() / 2);
        std::nth_element(context.begin(), middle, context.end());
        const float below = *middle - kDipBelowMedianDb;
        if (level > below) continue;
        // The dip's extent is where the level, step by step, stays down: the smoothed level
        // would widen it by the smoothing's reach.
        const auto down = [&](int32_t other) {
            return descriptors_.level(run.first + other) <= below;
        };
        int32_t first = at;
        while (first > 0 && down(first - 1)) --first;
        int32_t last = at;
        while (last + 1 < count && down(last + 1)) ++last;
        dips.push_back({run.first + at, *middle - level, run.first + first, run.first + last});
    }
    return dips;
}

std::vector<int32_t> SongSegmenter::candidates(const MusicRun& run,
                                               const std::vector<LevelDip>& dips) const
{
    std::vector<float> novelty(size_t(std::max(0, run.end - run.first)));
    for (int32_t step = run.first; step < run.end; ++step)
        novelty[size_t(step - run.first)] = changes_.novelty(step, run.first, run.end);
    std::vector<int32_t> found;
    for (int32_t step = run.first + 1; step + 1 < run.end; ++step) {
        const auto at = size_t(step - run.first);
        if (isNoveltyPeak(novelty, at, kCandidateNovelty)) found.push_back(step);
    }
    for (const LevelDip& dip : dips) found.push_back(dip.step);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    addFaintChangesNearHints(run, novelty, found);
    return found;
}

void SongSegmenter::addFaintChangesNearHints(const MusicRun& run, const std::vector<float>& novelty,
                                             std::vector<int32_t>& found) const
{
    std::vector<int32_t> faint;
    for (const int32_t hint : hints_.withoutPlaceNear(found)) {
        const int32_t first = std::max(run.first + 1, hint - kHintReachSteps);
        const int32_t last = std::min(run.end - 2, hint + kHintReachSteps);
        for (int32_t step = first; step <= last; ++step)
            if (isNoveltyPeak(novelty, size_t(step - run.first), kHintedCandidateNovelty))
                faint.push_back(step);
    }
    found.insert(found.end(), faint.begin(), faint.end());
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
}

int32_t SongSegmenter::bestSplit(const std::vector<double>& unit, int32_t previous, int32_t next,
                                 int32_t near, int32_t reach, int32_t lowest, int32_t highest) const
{
    // Only the seconds around the boundary are compared: further away lie other sections.
    const int32_t before = std::max(previous, near - 2 * reach);
    const int32_t after = std::min(next, near + 2 * reach);
    const int32_t first = std::max({near - reach, before + 1, lowest});
    const int32_t last = std::min({near + reach, after - 1, highest});
    double best = std::numeric_limits<double>::infinity();
    int32_t split = near;
    for (int32_t step = first; step <= last; ++step) {
        const double cost =
            moments_.spread(before, step, unit) + moments_.spread(step, after, unit);
        if (cost < best) {
            best = cost;
            split = step;
        }
    }
    return split;
}

std::vector<SongJoin> SongSegmenter::refine(const MusicRun& run, const std::vector<LevelDip>& dips,
                                            const std::vector<int32_t>& chosen) const
{
    const std::vector<double> unit = unitOf(moments_, run);
    std::vector<SongJoin> joins;
    for (size_t n = 0; n < chosen.size(); ++n) {
        const int32_t before = joins.empty() ? run.first : joins.back().start;
        const int32_t after = n + 1 == chosen.size() ? run.end : chosen[n + 1];
        const LevelDip* deepest = deepestDipNear(dips, chosen[n], before, after);
        if (deepest) {
            joins.push_back(joinAtDip(unit, before, after, *deepest));
        } else {
            const int32_t at = bestSplit(unit, before, after, chosen[n], kRefineReachSteps);
            joins.push_back({at, at});
        }
    }
    return joins;
}

SongJoin SongSegmenter::joinAtDip(const std::vector<double>& unit, int32_t previous, int32_t next,
                                  const LevelDip& dip) const
{
    const int32_t at = bestSplit(unit, previous, next, dip.step, kFromDipReachSteps);
    // Where the sound changes as the level comes up out of a dip into near silence, the next
    // song comes in out of the quiet: the earlier song ends where it fades into it and the quiet
    // belongs to neither. Where it changes before the quietest step, the quiet sounds like what
    // follows, the next song's own quiet opening; where it changes away from the dip, the quiet
    // is a song's own, a pause before its last chord.
    const bool parts = dip.depth >= kQuietGapDepthDb && at > dip.step && at <= dip.last + 1;
    if (!parts) return {at, at};
    return {
        bestSplit(unit, previous, next, dip.step, kFromDipReachSteps, dip.first, dip.step),
        bestSplit(unit, previous, next, dip.step, kFromDipReachSteps, dip.step + 1, dip.last + 1)};
}

std::vector<int32_t> SongSegmenter::hintedCandidates(const MusicRun& run,
                                                     const std::vector<int32_t>& found) const
{
    // Where the run begins or ends after the take's start or before its end, a pause or talk
    // is an edge already.
    std::vector<int32_t> edges;
    if (!run.openBefore) edges.push_back(run.first);
    if (!run.openAfter) edges.push_back(run.end);
    return hints_.placesNear(found, edges);
}

std::vector<SongJoin> SongSegmenter::boundaries(const MusicRun& run) const
{
    if (run.end - run.first < 2 * kEdgePieceSteps) return {};
    const std::vector<LevelDip> dips = levelDips(run);
    const std::vector<int32_t> found = candidates(run, dips);
    const std::vector<int32_t> hinted = hintedCandidates(run, found);
    std::vector<int32_t> nodes{run.first};
    for (const int32_t step : found) nodes.push_back(step);
    nodes.push_back(run.end);
    const std::vector<double> unit = unitOf(songMoments_, run);

    const size_t last = nodes.size() - 1;
    // Only a boundary that leaves a cut song pays for the beat across it.
    std::vector<double> steady(nodes.size());
    if (run.openBefore || run.openAfter)
        for (size_t node = 1; node < last; ++node) steady[node] = steadyBeatCost(nodes[node]);
    const auto price = [&](size_t node, bool open) {
        const double boundary = open ? kOpenBoundaryCost + steady[node] : kBoundaryCost;
        return std::binary_search(hinted.begin(), hinted.end(), nodes[node])
                   ? hintedBoundaryCost(boundary)
                   : boundary;
    };
    // Each boundary is reached either as the run's first, straight from its start, or after
    // another; the two differ in how the boundary was priced, which matters again when the
    // take's end is reached from it.
    constexpr size_t kFirst = 0;
    constexpr size_t kLater = 1;
    std::vector<std::array<Reach, 2>> reach(nodes.size());
    reach[0][kLater].cost = 0;
    for (size_t to = 1; to <= last; ++to) {
        for (size_t from = 0; from < to; ++from) {
            const int32_t steps = nodes[to] - nodes[from];
            const bool whole = from == 0 && to == last;
            const bool cut = (from == 0 && run.openBefore) || (to == last && run.openAfter);
            if (!whole && steps < (cut ? kEdgePieceSteps : kShortestPieceSteps)) continue;
            double song = songMoments_.spread(nodes[from], nodes[to], unit);
            if (!whole && !cut) song += shortSongCost(steps);
            // The boundary at to is priced as it is reached, less near a title hint; the last
            // one before the take's end leaves a cut song, and is priced down when the end is
            // reached from it, unless it already was as the first after the take's start.
            if (to != last) song += price(to, from == 0 && run.openBefore);
            for (size_t state : {kFirst, kLater}) {
                const Reach& start = reach[from][state];
                if (std::isinf(start.cost)) continue;
                double cost = start.cost + song;
                const bool pricedOpen = state == kFirst && run.openBefore;
                if (to == last && from != 0 && run.openAfter && !pricedOpen)
                    cost -= price(from, false) - price(from, true);
                Reach& end = reach[to][from == 0 ? kFirst : kLater];
                if (cost < end.cost) end = {cost, from, state};
            }
        }
    }
    const size_t endState = reach[last][kFirst].cost <= reach[last][kLater].cost ? kFirst : kLater;
    std::vector<int32_t> chosen;
    for (Reach step = reach[last][endState]; step.from != 0; step = reach[step.from][step.state])
        chosen.push_back(nodes[step.from]);
    std::reverse(chosen.begin(), chosen.end());
    return refine(run, dips, chosen);
}
