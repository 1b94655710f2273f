// SPDX-License-Identifier: GPL-3.0-or-later
#include "track_summary.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Frames read from the engine at a time while summing up: a quarter megabyte, which stays in
// the processor's cache between the copy and the scan.
constexpr int32_t kReadFrames = TrackSummary::kCoarseFrames;
constexpr int32_t kFinePerCoarse = TrackSummary::kCoarseFrames / TrackSummary::kFineFrames;

int32_t blocksCovering(int32_t frames, int32_t blockFrames)
{
    return int32_t((int64_t(frames) + blockFrames - 1) / blockFrames);
}

}  // namespace

void ChannelExtremes::add(const ChannelExtremes& other)
{
    for (int channel = 0; channel < 2; ++channel) {
        lowest[channel] = std::min(lowest[channel], other.lowest[channel]);
        highest[channel] = std::max(highest[channel], other.highest[channel]);
    }
}

ChannelExtremes extremesOfFrames(const int16_t* values, int32_t count)
{
    // Eight running extremes side by side, even lanes left and odd lanes right: a summary of
    // the largest track scans a quarter gigabyte, which this keeps within memory's pace.
    constexpr int kLanes = 8;
    int16_t low[kLanes];
    int16_t high[kLanes];
    std::fill(low, low + kLanes, INT16_MAX);
    std::fill(high, high + kLanes, INT16_MIN);
    const int64_t total = int64_t(count) * 2;
    int64_t i = 0;
#ifdef __SSE2__
    __m128i lowVector = _mm_set1_epi16(INT16_MAX);
    __m128i highVector = _mm_set1_epi16(INT16_MIN);
    for (; i + kLanes <= total; i += kLanes) {
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + i));
        lowVector = _mm_min_epi16(lowVector, next);
        highVector = _mm_max_epi16(highVector, next);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(low), lowVector);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(high), highVector);
#endif
    for (int lane = 0; i < total; ++i, lane = (lane + 1) % kLanes) {
        low[lane] = std::min(low[lane], values[i]);
        high[lane] = std::max(high[lane], values[i]);
    }
    ChannelExtremes result;
    for (int lane = 0; lane < kLanes; ++lane) {
        result.lowest[lane % 2] = std::min(result.lowest[lane % 2], low[lane]);
        result.highest[lane % 2] = std::max(result.highest[lane % 2], high[lane]);
    }
    return result;
}

void TrackSummary::reset(int32_t trackLength)
{
    trackLength_ = std::max(trackLength, 0);
    fine_.assign(size_t(blocksCovering(trackLength_, kFineFrames)), ChannelExtremes{});
    coarse_.assign(size_t(blocksCovering(trackLength_, kCoarseFrames)), ChannelExtremes{});
    dirtyFrom_ = 0;
    dirtyTo_ = trackLength_;
}

void TrackSummary::markDirty(int32_t from, int32_t to)
{
    from = std::clamp(from, 0, trackLength_);
    to = std::clamp(to, from, trackLength_);
    if (from == to) return;
    if (dirtyTo_ <= dirtyFrom_) {
        dirtyFrom_ = from;
        dirtyTo_ = to;
        return;
    }
    dirtyFrom_ = std::min(dirtyFrom_, from);
    dirtyTo_ = std::max(dirtyTo_, to);
}

void TrackSummary::refresh()
{
    if (dirtyTo_ <= dirtyFrom_) return;
    const int32_t firstFine = dirtyFrom_ / kFineFrames;
    const int32_t endFine = blocksCovering(dirtyTo_, kFineFrames);
    dirtyFrom_ = dirtyTo_ = 0;
    sumFineBlocks(firstFine, endFine);
    sumCoarseBlocks(firstFine / kFinePerCoarse, blocksCovering(endFine, kFinePerCoarse));
}

void TrackSummary::sumFineBlocks(int32_t firstBlock, int32_t endBlock)
{
    buffer_.resize(size_t(kReadFrames) * 2);
    for (int32_t block = firstBlock; block < endBlock;) {
        const int32_t from = block * kFineFrames;
        const int32_t to = std::min({from + kReadFrames, endBlock * kFineFrames, trackLength_});
        const bool read = engine_.TrackReadFrames(from, to, buffer_.data()) == to - from;
        for (int32_t first = from; first < to; first += kFineFrames, ++block) {
            const int32_t count = std::min(kFineFrames, to - first);
            fine_[size_t(block)] =
                read ? extremesOfFrames(buffer_.data() + 2 * (first - from), count)
                     : ChannelExtremes{};
        }
    }
}

void TrackSummary::sumCoarseBlocks(int32_t firstBlock, int32_t endBlock)
{
    for (int32_t block = firstBlock; block < endBlock; ++block) {
        const int32_t firstFine = block * kFinePerCoarse;
        coarse_[size_t(block)] =
            fineExtremes(firstFine, std::min(firstFine + kFinePerCoarse, int32_t(fine_.size())));
    }
}

ChannelExtremes TrackSummary::fineExtremes(int32_t firstBlock, int32_t endBlock) const
{
    ChannelExtremes result;
    for (int32_t block = firstBlock; block < endBlock; ++block) result.add(fine_[size_t(block)]);
    return result;
}

ChannelExtremes TrackSummary::readExtremes(int32_t from, int32_t to)
{
    if (to <= from) return {};
    buffer_.resize(std::max(buffer_.size(), size_t(to - from) * 2));
    if (engine_.TrackReadFrames(from, to, buffer_.data()) != to - from) return {};
    return extremesOfFrames(buffer_.data(), to - from);
}

ChannelExtremes TrackSummary::extremes(int32_t from, int32_t to)
{
    from = std::clamp(from, 0, trackLength_);
    to = std::clamp(to, from, trackLength_);
    refresh();
    // Whole blocks come from the summary; the frames at either end that only fill part of a
    // block are read.
    const int32_t firstFine = blocksCovering(from, kFineFrames);
    const int32_t endFine = to / kFineFrames;
    if (endFine <= firstFine) return readExtremes(from, to);
    ChannelExtremes result = readExtremes(from, firstFine * kFineFrames);
    result.add(readExtremes(endFine * kFineFrames, to));
    const int32_t firstCoarse = blocksCovering(firstFine, kFinePerCoarse);
    const int32_t endCoarse = endFine / kFinePerCoarse;
    if (endCoarse <= firstCoarse) {
        result.add(fineExtremes(firstFine, endFine));
        return result;
    }
    result.add(fineExtremes(firstFine, firstCoarse * kFinePerCoarse));
    result.add(fineExtremes(endCoarse * kFinePerCoarse, endFine));
    for (int32_t block = firstCoarse; block < endCoarse; ++block)
        result.add(coarse_[size_t(block)]);
    return result;
}
