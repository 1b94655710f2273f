// SPDX-License-Identifier: GPL-3.0-or-later
#include "pause_finder.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <limits>
#include <utility>

#include "ranked_value.h"

namespace {

constexpr size_t kLoudPercentile = 95;
constexpr float kSilentDbfs = -80.0F;       // quiet whatever its spectrum
constexpr float kQuietBelowLoudDb = 20.0F;  // hiss this far below the loud level may be a pause
constexpr float kNoiseFlatness = 0.3F;      // white noise has about 0.56, music far less
constexpr size_t kLoudPeakPercentile = 95;
constexpr double kEdgeAmplitudeRatio =
    31.622776601683793;                       // a pause's edge: 30 dB below the loud peak
constexpr double kEdgeOverNoise = 1.5;        // or clearly above the pause's own noise
constexpr int32_t kGapContextFrames = 44100;  // the second either side of a short gap
constexpr float kQuietMusicBelowLoudDb = 12.0F;
constexpr int32_t kGapChainFrames = 2 * 44100;  // a quiet passage's gaps come this close
// In hiss, a run of quiet blocks may begin in a song's fade while the song is still as loud as
// the hiss: its ends are where the level has come down to within this much of the hiss's own.
constexpr float kAboveHissDb = 3.0F;   // as much sound again as the hiss
constexpr size_t kHissEdgeBlocks = 4;  // 46 ms
constexpr size_t kFadeDipBlocks = 22;  // 0.26 s: the hiss goes on longer than a fade's dips
// A block beside sound is judged with the spectrum of a window that reaches into the sound, so
// the frames up to a window and a half from a run of quiet blocks are looked at one by one.
constexpr int32_t kWideningReach = 3 * kHopFrames / 2;

template <typename T>
T percentileAbove(std::vector<T> values, T floor, size_t percent, T none)
{
    std::vector<T> kept;
    std::copy_if(values.begin(), values.end(), std::back_inserter(kept),
                 [floor](T v) { return v > floor; });
    if (kept.empty()) return none;
    const size_t index = (kept.size() - 1) * percent / 100;
    return valueOfRank(std::move(kept), index);
}

std::vector<bool> quietBlocks(const SoundFeatures& features)
{
    const float limit = loudLevel(features) - kQuietBelowLoudDb;
    std::vector<bool> quiet(features.blockLevels.size());
    for (size_t block = 0; block < quiet.size(); ++block) {
        const float level = features.blockLevels[block];
        const size_t hop = block * kBlockFrames / kHopFrames;
        const bool noiseLike =
            hop < features.hops.size() && features.hops[hop].flatness > kNoiseFlatness;
        quiet[block] = level < kSilentDbfs || (level < limit && noiseLike);
    }
    return quiet;
}

// The run of quiet blocks first .. end - 1 without its ends where the sound, over a few blocks,
// is louder than the hiss by kAboveHissDb and more, over the dips of a fading song; the hiss's
// level is what the quieter blocks of the run reach. Digital silence is left as it is.
std::pair<size_t, size_t> withinHiss(const SoundFeatures& features, size_t first, size_t end)
{
    const float hiss =
        valueOfRank(std::vector<float>(features.blockLevels.begin() + std::ptrdiff_t(first),
                                       features.blockLevels.begin() + std::ptrdiff_t(end)),
                    (end - first) / 4);
    if (hiss < kSilentDbfs || end - first < kHissEdgeBlocks) return {first, end};
    const float limit = hiss + kAboveHissDb;
    const auto loud = [&](size_t from) {
        float sum = 0;
        for (size_t block = from; block < from + kHissEdgeBlocks; ++block)
            sum += features.blockLevels[block];
        return sum > limit * float(kHissEdgeBlocks);
    };
    size_t begin = first;
    for (size_t from = first; from + kHissEdgeBlocks <= end && from < begin + kFadeDipBlocks;
         ++from)
        if (loud(from)) begin = from + kHissEdgeBlocks;
    size_t last = end;
    for (size_t to = end; to >= begin + kHissEdgeBlocks && to + kFadeDipBlocks > last; --to)
        if (loud(to - kHissEdgeBlocks)) last = to - kHissEdgeBlocks;
    return {begin, std::max(begin, last)};
}

// The peak most blocks of a run of quiet blocks reach: the noise, not a click in it.
uint16_t typicalPeak(const SoundFeatures& features, size_t first, size_t end)
{
    return valueOfRank(std::vector<uint16_t>(features.blockPeaks.begin() + std::ptrdiff_t(first),
                                             features.blockPeaks.begin() + std::ptrdiff_t(end)),
                       (end - first) / 2);
}

class PauseWidener {
public:
    PauseWidener(TrackFramesReader read, int32_t frames)
        : read_(read),
          frames_(frames)
    {}

    // Frames first .. end - 1 are quiet blocks: widens the run over the frames beside it that
    // stay within limit on both channels.
    FrameRange widened(int32_t first, int32_t end, int32_t limit)
    {
        load(std::max(0, first - kWideningReach), first);
        int32_t begin = first;
        while (begin > from_ && quiet(begin - 1, limit)) --begin;
        load(end, std::min(frames_, end + kWideningReach));
        int32_t last = end;
        while (last < to_ && quiet(last, limit)) ++last;
        return {begin, last};
    }

private:
    void load(int32_t from, int32_t to)
    {
        values_.resize(size_t(2 * (to - from)));
        from_ = from;
        to_ = read_(from, to, values_.data()) == to - from ? to : from;
    }

    bool quiet(int32_t frame, int32_t limit) const
    {
        const size_t at = size_t(2 * (frame - from_));
        return std::abs(int32_t(values_[at])) <= limit &&
               std::abs(int32_t(values_[at + 1])) <= limit;
    }

    TrackFramesReader read_;
    int32_t frames_;
    std::vector<int16_t> values_;
    int32_t from_ = 0;
    int32_t to_ = 0;
};

// The loudest block over frames begin .. end - 1 (clamped to the take); -inf over none.
float loudestBlock(const SoundFeatures& features, int32_t begin, int32_t end)
{
    const auto blocks = int32_t(features.blockLevels.size());
    const int32_t first = std::clamp(begin / kBlockFrames, 0, blocks);
    const int32_t last = std::clamp((end + kBlockFrames - 1) / kBlockFrames, first, blocks);
    float loudest = -std::numeric_limits<float>::infinity();
    for (int32_t block = first; block < last; ++block)
        loudest = std::max(loudest, features.blockLevels[size_t(block)]);
    return loudest;
}

}  // namespace

std::vector<FrameRange> withoutGapsInQuietMusic(const SoundFeatures& features,
                                                const std::vector<FrameRange>& pauses)
{
    const float quiet = loudLevel(features) - kQuietMusicBelowLoudDb;
    const auto quietBefore = [&](const FrameRange& pause) {
        return loudestBlock(features, pause.begin - kGapContextFrames, pause.begin) < quiet;
    };
    const auto quietAfter = [&](const FrameRange& pause) {
        return loudestBlock(features, pause.end, pause.end + kGapContextFrames) < quiet;
    };
    const auto isShortGap = [&](const FrameRange& pause) {
        return pause.length() <= kLongestGapInMusicFrames && pause.begin > 0 &&
               pause.end < features.frames;
    };
    std::vector<bool> inMusic(pauses.size());
    for (size_t n = 0; n < pauses.size(); ++n)
        inMusic[n] = isShortGap(pauses[n]) && quietBefore(pauses[n]) && quietAfter(pauses[n]);
    // The first and last gaps of a quiet passage have louder sound on one side: they go with
    // the gaps just beyond their quiet side.
    const auto near = [&](size_t from, size_t to) {
        return inMusic[to] && std::abs(pauses[from].begin - pauses[to].begin) <= kGapChainFrames;
    };
    std::vector<bool> edges(pauses.size());
    for (size_t n = 0; n < pauses.size(); ++n) {
        if (inMusic[n] || !isShortGap(pauses[n])) continue;
        edges[n] = (n > 0 && near(n, n - 1) && quietBefore(pauses[n])) ||
                   (n + 1 < pauses.size() && near(n, n + 1) && quietAfter(pauses[n]));
    }
    std::vector<FrameRange> kept;
    for (size_t n = 0; n < pauses.size(); ++n)
        if (!inMusic[n] && !edges[n]) kept.push_back(pauses[n]);
    return kept;
}

float loudLevel(const SoundFeatures& features)
{
    return percentileAbove(features.blockLevels, kSilentDbfs - 40.0F, kLoudPercentile,
                           -std::numeric_limits<float>::infinity());
}

std::vector<FrameRange> findPauses(const SoundFeatures& features, TrackFramesReader read)
{
    const std::vector<bool> quiet = quietBlocks(features);
    const uint16_t loudPeak =
        percentileAbove<uint16_t>(features.blockPeaks, 0, kLoudPeakPercentile, 0);
    const auto edgeLimit = int32_t(loudPeak / kEdgeAmplitudeRatio);
    PauseWidener widener(read, features.frames);
    std::vector<FrameRange> pauses;
    for (size_t block = 0; block < quiet.size();) {
        if (!quiet[block]) {
            ++block;
            continue;
        }
        size_t runEnd = block;
        while (runEnd < quiet.size() && quiet[runEnd]) ++runEnd;
        const auto [hissFirst, hissEnd] = withinHiss(features, block, runEnd);
        const auto first = int32_t(hissFirst * kBlockFrames);
        const auto end = std::min(features.frames, int32_t(hissEnd * kBlockFrames));
        // Widening adds at most its reach on either side; shorter runs need not be looked at.
        if (end - first + 2 * kWideningReach >= kShortestPauseFrames) {
            const int32_t limit = std::max(
                edgeLimit, int32_t(kEdgeOverNoise * typicalPeak(features, hissFirst, hissEnd)));
            const FrameRange pause = widener.widened(first, end, limit);
            if (pause.length() >= kShortestPauseFrames) pauses.push_back(pause);
        }
        block = runEnd;
    }
    return withoutGapsInQuietMusic(features, pauses);
}
