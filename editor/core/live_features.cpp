// SPDX-License-Identifier: GPL-3.0-or-later
#include "live_features.h"

#include <algorithm>
#include <utility>

namespace {

// Frames read from the engine at a time: a quarter megabyte.
constexpr int32_t kReadFrames = 65536;
// The steps at the start of the turned track that are computed again from its frames: a fresh
// analysis starts them in silence, while the recording had older audio before them.
constexpr int32_t kRecomputedHops = 8;
constexpr int32_t kRecomputedFrames = (kRecomputedHops + 2) * kHopFrames;

int64_t ceilDiv(int64_t value, int64_t step)
{
    return (value + step - 1) / step;
}

}  // namespace

void FeatureRing::reset(int32_t ringFrames)
{
    levels_.assign(size_t(ringFrames / kBlockFrames), 0.0F);
    peaks_.assign(levels_.size(), 0);
    hops_.assign(size_t(ringFrames / kHopFrames), SpectralFrame{});
}

void FeatureRing::put(const SoundFeatures& piece, int64_t firstBlock, int64_t firstHop)
{
    if (hops_.empty()) return;
    for (size_t i = 0; i < piece.blockLevels.size(); ++i) {
        const auto slot = size_t((firstBlock + int64_t(i)) % int64_t(levels_.size()));
        levels_[slot] = piece.blockLevels[i];
        peaks_[slot] = piece.blockPeaks[i];
    }
    for (size_t i = 0; i < piece.hops.size(); ++i)
        hops_[size_t((firstHop + int64_t(i)) % int64_t(hops_.size()))] = piece.hops[i];
}

SoundFeatures FeatureRing::take(int64_t firstBlock, int64_t blocks, int64_t firstHop,
                                int64_t hops) const
{
    SoundFeatures taken;
    taken.blockLevels.reserve(size_t(blocks));
    taken.blockPeaks.reserve(size_t(blocks));
    taken.hops.reserve(size_t(hops));
    for (int64_t block = firstBlock; block < firstBlock + blocks; ++block) {
        const auto slot = size_t(block % int64_t(levels_.size()));
        taken.blockLevels.push_back(levels_[slot]);
        taken.blockPeaks.push_back(peaks_[slot]);
    }
    for (int64_t hop = firstHop; hop < firstHop + hops; ++hop)
        taken.hops.push_back(hops_[size_t(hop % int64_t(hops_.size()))]);
    return taken;
}

void LiveFeatures::begin(int32_t ringFrames)
{
    ready_.reset();
    // The ring's steps line up with the turned track's only when it holds whole hops.
    ringFrames_ = ringFrames > 0 && ringFrames % kHopFrames == 0 ? ringFrames : 0;
    lastPosition_ = 0;
    recorded_ = storedBlocks_ = storedHops_ = 0;
    stream_ = FeatureStream();
    ring_.reset(ringFrames_);
}

void LiveFeatures::follow(int32_t position)
{
    if (ringFrames_ == 0 || position < 0 || position >= ringFrames_) return;
    const int32_t count = (position - lastPosition_ + ringFrames_) % ringFrames_;
    const int32_t first = lastPosition_;
    const int32_t end = first + count;  // may pass the ring's end: it goes on at its start
    const bool read = readAndFeed(first, std::min(end, ringFrames_)) &&
                      readAndFeed(0, std::max(end - ringFrames_, 0));
    if (!read) {
        ringFrames_ = 0;  // a gap in what was seen: Select Song reads the track itself
        return;
    }
    lastPosition_ = position;
    storeCompleted();
}

bool LiveFeatures::readAndFeed(int32_t from, int32_t to)
{
    buffer_.resize(size_t(2 * kReadFrames));
    for (int32_t first = from; first < to; first += kReadFrames) {
        const int32_t count = std::min(kReadFrames, to - first);
        if (engine_.TrackReadFrames(first, first + count, buffer_.data()) != count) return false;
        stream_.feed(buffer_.data(), count);
        recorded_ += count;
    }
    return true;
}

void LiveFeatures::storeCompleted()
{
    const SoundFeatures piece = stream_.takeCompleted();
    ring_.put(piece, storedBlocks_, storedHops_);
    storedBlocks_ += int64_t(piece.blockLevels.size());
    storedHops_ += int64_t(piece.hops.size());
}

void LiveFeatures::stopped(int32_t turn, bool inputLost)
{
    ready_.reset();
    const int32_t ring = std::exchange(ringFrames_, 0);
    // Before the ring has wrapped, the turned track begins with what it held before the
    // recording, which nobody has seen.
    if (ring == 0 || turn < 0 || turn >= ring || inputLost) return;
    const int64_t total = recorded_ + (turn - recorded_ % ring + ring) % ring;
    if (total < ring) return;
    // The frames the card moved after the last pass are the newest: the turned track's last.
    if (!readAndFeed(int32_t(ring - (total - recorded_)), ring)) return;
    const SoundFeatures last = stream_.finish();
    ring_.put(last, storedBlocks_, storedHops_);
    storedBlocks_ += int64_t(last.blockLevels.size());
    storedHops_ += int64_t(last.hops.size());
    ready_ = turnedFeatures(total, ring, (kHopFrames - turn % kHopFrames) % kHopFrames);
}

std::optional<ReadyFeatures> LiveFeatures::turnedFeatures(int64_t total, int32_t ring,
                                                          int32_t first)
{
    // The turned track's frame first is recorded frame total - ring + first, a whole hop.
    const int64_t streamFirst = total - ring + first;
    const int64_t frames = ring - first;
    const int64_t firstBlock = streamFirst / kBlockFrames;
    const int64_t firstHop = streamFirst / kHopFrames;
    const int64_t blocks = ceilDiv(frames, kBlockFrames);
    const int64_t hops = ceilDiv(frames, kHopFrames);
    if (firstBlock + blocks != storedBlocks_ || firstHop + hops != storedHops_) return {};
    ReadyFeatures ready{first, ring_.take(firstBlock, blocks, firstHop, hops)};
    ready.features.frames = int32_t(frames);
    if (!recomputeStart(ready)) return {};
    return ready;
}

bool LiveFeatures::recomputeStart(ReadyFeatures& ready)
{
    SoundFeatures& features = ready.features;
    const int32_t count = std::min(kRecomputedFrames, features.frames);
    buffer_.resize(size_t(2 * count));
    const int32_t from = ready.firstFrame;
    if (engine_.TrackReadFrames(from, from + count, buffer_.data()) != count) return false;
    FeatureStream fresh(count);
    fresh.feed(buffer_.data(), count);
    const SoundFeatures start = count == features.frames ? fresh.finish() : fresh.takeCompleted();
    std::copy(start.blockLevels.begin(), start.blockLevels.end(), features.blockLevels.begin());
    std::copy(start.blockPeaks.begin(), start.blockPeaks.end(), features.blockPeaks.begin());
    std::copy(start.hops.begin(), start.hops.end(), features.hops.begin());
    return true;
}
