// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_classifier.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "onset_rhythm.h"
#include "ranked_value.h"
#include "song_scale.h"

namespace {

constexpr int32_t kBlocksPerStep = kStepFrames / kBlockFrames;
constexpr int32_t kSpeechReachBlocks = 108;  // the seconds looked at: 1.25 s either side
constexpr size_t kPeakPercentile = 90;
constexpr float kSyllableDipDb = 9.0F;  // a dip: this far below the window's peaks
constexpr float kDipHysteresisDb = 3.0F;
constexpr int32_t kSpeechRises = 5;      // two syllables a second
constexpr float kSpeechSpreadDb = 5.0F;  // drums: 2 to 4 dB; talk: 7 dB and more
constexpr float kSpreadFloorDbfs = -70.0F;
constexpr int32_t kSmoothingSteps = 2;
constexpr int32_t kShortestTalkSteps = 13;  // 3 s      // the median of five steps
constexpr int32_t kEdgeSearchBlocks = 172;  // 2 s
constexpr float kSpeechDipBelowMusicDb = 12.0F;
constexpr int32_t kNoveltyReachSteps = 35;  // 8 s either side
constexpr float kTimbreScaleDb = 6.0F;
constexpr float kChromaWeight = 1.0F;
// Onsets that repeat at a beat over a run of sound: music, even when it falls near silence
// between its notes as a voice does between syllables. Over 8 s and more talk stays near 0.25,
// music keeps 0.45 and more; over a sentence or two the measure says little (talk alone may
// reach 0.7 there), so shorter runs keep their kind.
constexpr float kSteadyBeat = 0.35F;
constexpr int32_t kShortestBeatingRunSteps = 35;

int32_t stepCount(const SoundFeatures& features)
{
    return int32_t((features.hops.size() + kStepHops - 1) / kStepHops);
}

std::vector<bool> pauseBlocks(size_t blocks, const std::vector<FrameRange>& pauses)
{
    std::vector<bool> inPause(blocks);
    for (const FrameRange& pause : pauses) {
        const size_t end = std::min(blocks, size_t(pause.end + kBlockFrames - 1) / kBlockFrames);
        for (auto block = size_t(pause.begin / kBlockFrames); block < end; ++block)
            inPause[block] = true;
    }
    return inPause;
}

// How often the level rises again from a dip well below the window's peaks.
int32_t syllableRises(const std::vector<float>& levels)
{
    if (levels.empty()) return 0;
    const float dip =
        valueOfRank(levels, (levels.size() - 1) * kPeakPercentile / 100) - kSyllableDipDb;
    int32_t rises = 0;
    bool below = false;
    for (const float level : levels) {
        if (level < dip - kDipHysteresisDb) {
            below = true;
        } else if (level > dip && below) {
            ++rises;
            below = false;
        }
    }
    return rises;
}

// How far the levels spread, in dB: speech falls to near silence between words, drums and
// staccato music do not.
float levelSpread(const std::vector<float>& levels)
{
    double sum = 0;
    double squares = 0;
    for (const float level : levels) {
        const double floored = std::max(level, kSpreadFloorDbfs);
        sum += floored;
        squares += floored * floored;
    }
    const double mean = sum / double(levels.size());
    return float(std::sqrt(std::max(0.0, squares / double(levels.size()) - mean * mean)));
}

bool isSpeech(const std::vector<float>& levels)
{
    return !levels.empty() && levelSpread(levels) >= kSpeechSpreadDb &&
           syllableRises(levels) >= kSpeechRises;
}

std::vector<SoundKind> medianSmoothed(const std::vector<SoundKind>& kinds)
{
    std::vector<SoundKind> smoothed = kinds;
    const auto steps = int32_t(kinds.size());
    for (int32_t step = 0; step < steps; ++step) {
        if (kinds[size_t(step)] == SoundKind::Pause) continue;
        int32_t speech = 0;
        int32_t sound = 0;
        const int32_t last = std::min(steps - 1, step + kSmoothingSteps);
        for (int32_t other = std::max(0, step - kSmoothingSteps); other <= last; ++other) {
            if (kinds[size_t(other)] == SoundKind::Pause) continue;
            ++sound;
            speech += kinds[size_t(other)] == SoundKind::Speech ? 1 : 0;
        }
        smoothed[size_t(step)] = 2 * speech > sound ? SoundKind::Speech : SoundKind::Music;
    }
    return smoothed;
}

// A moment of music that dips like syllables, with music right before and after it, is music:
// a DJ talks longer than that, and a pause or a change of level sets talk apart.
std::vector<SoundKind> withoutSpeechBlips(std::vector<SoundKind> kinds)
{
    const auto steps = int32_t(kinds.size());
    for (int32_t first = 1; first < steps;) {
        if (kinds[size_t(first)] != SoundKind::Speech) {
            ++first;
            continue;
        }
        int32_t end = first;
        while (end < steps && kinds[size_t(end)] == SoundKind::Speech) ++end;
        const bool amidMusic = kinds[size_t(first - 1)] == SoundKind::Music && end < steps &&
                               kinds[size_t(end)] == SoundKind::Music;
        if (amidMusic && end - first < kShortestTalkSteps)
            std::fill(kinds.begin() + first, kinds.begin() + end, SoundKind::Music);
        first = end;
    }
    return kinds;
}

// How well the envelope over steps first .. end - 1 repeats at a lag near the given one.
float beatNear(const std::vector<float>& onsets, int32_t first, int32_t end, int32_t lag)
{
    float best = 0.0F;
    for (int32_t near = lag - 1; near <= lag + 1; ++near)
        best = std::max(best, onsetCorrelation(onsets, first * kStepHops, end * kStepHops, near));
    return best;
}

// A run taken for speech whose onsets keep a beat is music that falls near silence between its
// notes, as drums alone or a sequencer's pattern do. A long run shows it on its own. Over a
// sentence or two the measure says little, so a short run must run into music that keeps the
// same beat, and lie after a pause or amid music of that beat: a song keeps its tempo from its
// intro on, talk over it does not.
std::vector<SoundKind> withoutBeatingSpeech(const SoundFeatures& features,
                                            std::vector<SoundKind> kinds)
{
    const std::vector<float> onsets = onsetEnvelope(features);
    const auto steps = int32_t(kinds.size());
    const auto runEnd = [&](int32_t first) {
        int32_t end = first + 1;
        while (end < steps && kinds[size_t(end)] == kinds[size_t(first)]) ++end;
        return end;
    };
    int32_t previous = 0;
    for (int32_t first = 0; first < steps;) {
        const int32_t end = runEnd(first);
        if (kinds[size_t(first)] == SoundKind::Speech) {
            const OnsetBeat beat = onsetBeat(onsets, first * kStepHops, end * kStepHops);
            bool music = beat.regularity >= kSteadyBeat;
            if (music && end - first < kShortestBeatingRunSteps) {
                const bool intoMusic = end < steps && kinds[size_t(end)] == SoundKind::Music;
                const bool afterMusic = first > 0 && kinds[size_t(first - 1)] == SoundKind::Music;
                // A pause before it, or only a moment of music after one, too short for a beat.
                const bool afterPause =
                    first > 0 &&
                    (kinds[size_t(first - 1)] == SoundKind::Pause ||
                     (afterMusic && previous > 0 && first - previous < kShortestBeatingRunSteps &&
                      kinds[size_t(previous - 1)] == SoundKind::Pause));
                const bool beatAfter =
                    intoMusic &&
                    beatNear(onsets, end, std::min(runEnd(end), end + kShortestBeatingRunSteps),
                             beat.lag) >= kSteadyBeat;
                const bool beatBefore =
                    afterMusic &&
                    beatNear(onsets, std::max(previous, first - kShortestBeatingRunSteps), first,
                             beat.lag) >= kSteadyBeat;
                music = beatAfter && (beatBefore || afterPause);
            }
            if (music) std::fill(kinds.begin() + first, kinds.begin() + end, SoundKind::Music);
        }
        previous = first;
        first = end;
    }
    return kinds;
}

float chromaDistance(const std::array<float, kPitchClasses>& a,
                     const std::array<float, kPitchClasses>& b)
{
    double dot = 0;
    double aa = 0;
    double bb = 0;
    for (int k = 0; k < kPitchClasses; ++k) {
        dot += double(a[size_t(k)]) * b[size_t(k)];
        aa += double(a[size_t(k)]) * a[size_t(k)];
        bb += double(b[size_t(k)]) * b[size_t(k)];
    }
    return aa > 0 && bb > 0 ? float(1.0 - dot / std::sqrt(aa * bb)) : 0.0F;
}

float timbreDistance(const std::array<float, kTimbreBands>& a,
                     const std::array<float, kTimbreBands>& b)
{
    // The shape of the spectrum, not its loudness: the mean difference is taken away.
    float mean = 0;
    for (int k = 0; k < kTimbreBands; ++k) mean += (a[size_t(k)] - b[size_t(k)]) / kTimbreBands;
    float sum = 0;
    for (int k = 0; k < kTimbreBands; ++k) sum += std::abs(a[size_t(k)] - b[size_t(k)] - mean);
    return sum / kTimbreBands / kTimbreScaleDb;
}

}  // namespace

int32_t speechEdge(const SoundFeatures& features, int32_t edgeStep, bool musicAfter,
                   int32_t musicBegin, int32_t musicEnd)
{
    const auto blocks = int32_t(features.blockLevels.size());
    const int32_t musicFirstBlock = musicBegin / kBlockFrames;
    const int32_t musicEndBlock = std::min(blocks, musicEnd / kBlockFrames);
    if (musicEndBlock - musicFirstBlock < 2 * kEdgeSearchBlocks) return edgeStep * kStepFrames;
    const float dip = valueOfRank(std::vector<float>(features.blockLevels.begin() + musicFirstBlock,
                                                     features.blockLevels.begin() + musicEndBlock),
                                  size_t(musicEndBlock - musicFirstBlock) / 2) -
                      kSpeechDipBelowMusicDb;

    const int32_t edgeBlock = edgeStep * kBlocksPerStep;
    // The search reaches further into the speech than into the music.
    const int32_t first =
        std::max(0, edgeBlock - (musicAfter ? kEdgeSearchBlocks : kEdgeSearchBlocks / 2));
    const int32_t end =
        std::min(blocks, edgeBlock + (musicAfter ? kEdgeSearchBlocks / 2 : kEdgeSearchBlocks));
    if (musicAfter) {
        for (int32_t block = end - 1; block >= first; --block)
            if (features.blockLevels[size_t(block)] < dip) return (block + 1) * kBlockFrames;
    } else {
        for (int32_t block = first; block < end; ++block)
            if (features.blockLevels[size_t(block)] < dip) return block * kBlockFrames;
    }
    return edgeStep * kStepFrames;
}

std::vector<SoundKind> classifySteps(const SoundFeatures& features,
                                     const std::vector<FrameRange>& pauses)
{
    const size_t blocks = features.blockLevels.size();
    const std::vector<bool> inPause = pauseBlocks(blocks, pauses);
    std::vector<SoundKind> kinds(size_t(stepCount(features)), SoundKind::Music);
    std::vector<float> levels;
    for (size_t step = 0; step < kinds.size(); ++step) {
        const size_t first = step * kBlocksPerStep;
        const size_t end = std::min(blocks, first + kBlocksPerStep);
        const auto pauseBlocks = size_t(std::count(inPause.begin() + std::ptrdiff_t(first),
                                                   inPause.begin() + std::ptrdiff_t(end), true));
        if (2 * pauseBlocks > end - first) {
            kinds[step] = SoundKind::Pause;
            continue;
        }
        const size_t centre = (first + end) / 2;
        levels.clear();
        for (size_t block = centre > kSpeechReachBlocks ? centre - kSpeechReachBlocks : 0;
             block < std::min(blocks, centre + kSpeechReachBlocks); ++block)
            if (!inPause[block]) levels.push_back(features.blockLevels[block]);
        kinds[step] = isSpeech(levels) ? SoundKind::Speech : SoundKind::Music;
    }
    return withoutBeatingSpeech(features, withoutSpeechBlips(medianSmoothed(kinds)));
}

std::vector<FrameRange> withoutMomentaryStops(const std::vector<FrameRange>& pauses,
                                              std::vector<SoundKind>& kinds)
{
    const auto steps = int32_t(kinds.size());
    const auto isKind = [&](int32_t step, SoundKind kind) {
        return step >= 0 && step < steps && kinds[size_t(step)] == kind;
    };
    std::vector<FrameRange> kept;
    for (const FrameRange& pause : pauses) {
        const int32_t pauseFirst = pause.begin / kStepFrames;
        const int32_t pauseEnd = (pause.end + kStepFrames - 1) / kStepFrames;
        int32_t first = pauseFirst;
        while (isKind(first - 1, SoundKind::Speech)) --first;
        int32_t end = pauseEnd;
        while (isKind(end, SoundKind::Speech)) ++end;
        const bool amidSound = first < pauseFirst || end > pauseEnd;
        if (pause.length() <= kLongestGapInMusicFrames && amidSound &&
            isKind(first - 1, SoundKind::Music) && isKind(end, SoundKind::Music) &&
            end - first < kShortestTalkSteps)
            std::fill(kinds.begin() + first, kinds.begin() + end, SoundKind::Music);
        else
            kept.push_back(pause);
    }
    return kept;
}

PieceChanges::PieceChanges(const SoundFeatures& features)
    : steps_(size_t(stepCount(features)))
{
    for (size_t hop = 0; hop < features.hops.size(); ++hop) {
        StepSound& step = steps_[hop / kStepHops];
        const SpectralFrame& frame = features.hops[hop];
        for (size_t k = 0; k < kPitchClasses; ++k) step.chroma[k] += frame.chroma[k] / kStepHops;
        for (size_t k = 0; k < kTimbreBands; ++k) step.bands[k] += frame.bands[k] / kStepHops;
    }
}

PieceChanges::StepSound PieceChanges::meanOf(int32_t first, int32_t end) const
{
    StepSound mean;
    const float share = 1.0F / float(end - first);
    for (int32_t step = first; step < end; ++step) {
        const StepSound& sound = steps_[size_t(step)];
        for (size_t k = 0; k < kPitchClasses; ++k) mean.chroma[k] += sound.chroma[k] * share;
        for (size_t k = 0; k < kTimbreBands; ++k) mean.bands[k] += sound.bands[k] * share;
    }
    return mean;
}

float PieceChanges::novelty(int32_t step, int32_t first, int32_t end) const
{
    if (step <= first || step >= end) return 0.0F;
    const StepSound before = meanOf(std::max(first, step - kNoveltyReachSteps), step);
    const StepSound after = meanOf(step, std::min(end, step + kNoveltyReachSteps));
    return kChromaWeight * chromaDistance(before.chroma, after.chroma) +
           timbreDistance(before.bands, after.bands);
}
