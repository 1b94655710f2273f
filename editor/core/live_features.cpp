// SPDX-License-Identifier: GPL-3.0-or-later
#include "live_features.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

// Frames read from the engine at a time: a quarter megabyte.
constexpr int32_t kReadFrames = 65536;
// The steps computed again from the turned track where two streams meet: a fresh analysis
// starts the track in silence where the recording had older audio before, and runs on where
// what the ring held ended in silence. A stream computed anew from a step starts this many
// steps before, so that its neighbours' share is in.
constexpr int32_t kRecomputedHops = 8;
// The frames the window of a hop reaches past the hop's own first frame.
constexpr int32_t kWindowReach = kHopFrames + kHopFrames / 2;
// What the ring held before is read this many frames a pass, from half a second ahead of the
// card on: the largest track in under 8 s, half a millisecond a pass.
constexpr int32_t kPriorFramesAPass = 2 * kReadFrames;
constexpr int32_t kPriorLead = kSampleRate / 2;

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

void PriorAudio::begin(int32_t ringFrames)
{
    *this = PriorAudio();
    ringFrames_ = ringFrames;
    ring_.reset(ringFrames);
}

void PriorAudio::follow(const EngineApi& engine, int32_t position, std::vector<int16_t>& buffer)
{
    if (ringFrames_ == 0 || complete_ || failed_) return;
    // At the first pass, or when the card has caught up (the window stalled): the frames up to
    // the card are recorded over and no longer needed, so the stream starts again ahead of it.
    if (start_ < 0 || next_ < int64_t(position) + kPriorLead) startAhead(position);
    readStretch(engine, buffer);
}

void PriorAudio::startAhead(int32_t position)
{
    start_ = int32_t(std::min<int64_t>(
        ceilDiv(int64_t(position) + kPriorLead, kHopFrames) * kHopFrames, ringFrames_));
    next_ = start_;
    blocks_ = start_ / kBlockFrames;
    hops_ = start_ / kHopFrames;
    stream_ = FeatureStream();
}

void PriorAudio::complete(const EngineApi& engine, std::vector<int16_t>& buffer)
{
    while (start_ >= 0 && !complete_ && !failed_) readStretch(engine, buffer);
}

void PriorAudio::readStretch(const EngineApi& engine, std::vector<int16_t>& buffer)
{
    const int32_t count = std::min(kPriorFramesAPass, ringFrames_ - next_);
    buffer.resize(std::max(buffer.size(), size_t(2 * count)));
    if (count > 0 && engine.TrackReadFrames(next_, next_ + count, buffer.data()) != count) {
        failed_ = true;
        return;
    }
    stream_.feed(buffer.data(), count);
    next_ += count;
    complete_ = next_ == ringFrames_;
    const SoundFeatures piece = complete_ ? stream_.finish() : stream_.takeCompleted();
    ring_.put(piece, blocks_, hops_);
    blocks_ += int64_t(piece.blockLevels.size());
    hops_ += int64_t(piece.hops.size());
}

void PriorAudio::abandon()
{
    if (ringFrames_ != 0) *this = PriorAudio();
}

bool PriorAudio::covers(int64_t from) const
{
    return from >= ringFrames_ || (complete_ && !failed_ && start_ >= 0 && start_ <= from);
}

void LiveFeatures::begin(int32_t ringFrames)
{
    ready_.reset();
    // The ring's steps line up with the turned track's only when it holds whole hops.
    ringFrames_ = ringFrames > 0 && ringFrames % kHopFrames == 0 ? ringFrames : 0;
    lastPosition_ = 0;
    lastPass_ = std::chrono::steady_clock::now();
    recorded_ = storedBlocks_ = storedHops_ = 0;
    stream_ = FeatureStream();
    ring_.reset(ringFrames_);
    prior_.begin(ringFrames_);
}

void LiveFeatures::edited()
{
    forget();
    abandon();
}

void LiveFeatures::abandon()
{
    ringFrames_ = 0;  // Select Song reads the track itself
    prior_.abandon();
}

void LiveFeatures::follow(int32_t position)
{
    if (ringFrames_ == 0 || position < 0 || position >= ringFrames_) return;
    // The write position tells where the card is in the ring, not how often it came round: a
    // window that stalled for most of a ring's time may have missed a round.
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::duration<double> sinceLastPass = now - lastPass_;
    lastPass_ = now;
    if (sinceLastPass.count() > 0.75 * ringFrames_ / kSampleRate) {
        abandon();
        return;
    }
    const int32_t count = (position - lastPosition_ + ringFrames_) % ringFrames_;
    const int32_t first = lastPosition_;
    const int32_t end = first + count;  // may pass the ring's end: it goes on at its start
    const bool read = readAndFeed(first, std::min(end, ringFrames_)) &&
                      readAndFeed(0, std::max(end - ringFrames_, 0));
    if (!read) {
        abandon();  // a gap in what was seen
        return;
    }
    lastPosition_ = position;
    storeCompleted(stream_.takeCompleted());
    if (recorded_ < ringFrames_)
        prior_.follow(engine_, position, buffer_);
    else
        prior_.abandon();
}

bool LiveFeatures::readAndFeed(int32_t from, int32_t to)
{
    buffer_.resize(std::max(buffer_.size(), size_t(2 * kReadFrames)));
    for (int32_t first = from; first < to; first += kReadFrames) {
        const int32_t count = std::min(kReadFrames, to - first);
        if (engine_.TrackReadFrames(first, first + count, buffer_.data()) != count) return false;
        stream_.feed(buffer_.data(), count);
        recorded_ += count;
    }
    return true;
}

void LiveFeatures::storeCompleted(SoundFeatures piece)
{
    ring_.put(piece, storedBlocks_, storedHops_);
    storedBlocks_ += int64_t(piece.blockLevels.size());
    storedHops_ += int64_t(piece.hops.size());
}

void LiveFeatures::stopped(int32_t turn, bool inputLost)
{
    ready_.reset();
    const int32_t ring = std::exchange(ringFrames_, 0);
    if (ring == 0 || turn < 0 || turn >= ring || inputLost) return;
    const int64_t total = recorded_ + (turn - recorded_ % ring + ring) % ring;
    // The frames the card moved after the last pass are the newest: the turned track's last.
    if (!readAndFeed(int32_t(ring - (total - recorded_)), ring)) return;
    storeCompleted(stream_.finish());
    // The turned track's first whole hop.
    const int32_t first = (kHopFrames - turn % kHopFrames) % kHopFrames;
    ready_ =
        total >= ring ? wrappedFeatures(total, ring, first) : unwrappedFeatures(total, ring, first);
    prior_.abandon();
}

std::optional<ReadyFeatures> LiveFeatures::wrappedFeatures(int64_t total, int32_t ring,
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
    if (!recompute(ready, 0, kRecomputedHops)) return {};
    return ready;
}

std::optional<ReadyFeatures> LiveFeatures::unwrappedFeatures(int64_t total, int32_t ring,
                                                             int32_t first)
{
    // The turned track is ring frames total .. ring, as they were, then the recording; its
    // frame first is ring frame total + first, a whole hop.
    const int64_t priorFirst = total + first;
    prior_.complete(engine_, buffer_);
    if (!prior_.covers(priorFirst)) return {};
    if (storedBlocks_ != ceilDiv(total, kBlockFrames) || storedHops_ != ceilDiv(total, kHopFrames))
        return {};
    const int64_t priorFrames = ring - priorFirst;
    ReadyFeatures ready{
        first, prior_.features().take(priorFirst / kBlockFrames, priorFrames / kBlockFrames,
                                      priorFirst / kHopFrames, priorFrames / kHopFrames)};
    SoundFeatures& features = ready.features;
    const SoundFeatures recording = ring_.take(0, storedBlocks_, 0, storedHops_);
    features.blockLevels.insert(features.blockLevels.end(), recording.blockLevels.begin(),
                                recording.blockLevels.end());
    features.blockPeaks.insert(features.blockPeaks.end(), recording.blockPeaks.begin(),
                               recording.blockPeaks.end());
    features.hops.insert(features.hops.end(), recording.hops.begin(), recording.hops.end());
    features.frames = ring - first;
    const int64_t meeting = priorFrames / kHopFrames;  // the recording's first hop
    if (!recompute(ready, 0, kRecomputedHops) ||
        !recompute(ready, meeting - kRecomputedHops, meeting + kRecomputedHops))
        return {};
    return ready;
}

bool LiveFeatures::recompute(ReadyFeatures& ready, int64_t firstHop, int64_t endHop)
{
    SoundFeatures& features = ready.features;
    const auto hops = int64_t(features.hops.size());
    firstHop = std::clamp<int64_t>(firstHop, 0, hops);
    endHop = std::clamp<int64_t>(endHop, firstHop, hops);
    if (endHop == firstHop) return true;
    // A fresh stream from a whole hop on; one that starts with the track needs no lead.
    const int64_t startHop = std::max<int64_t>(firstHop - kRecomputedHops, 0);
    const auto from = int32_t(startHop * kHopFrames);
    const auto to = int32_t(std::min<int64_t>(features.frames, endHop * kHopFrames + kWindowReach));
    buffer_.resize(std::max(buffer_.size(), size_t(2 * (to - from))));
    const int32_t offset = ready.firstFrame;
    if (engine_.TrackReadFrames(from + offset, to + offset, buffer_.data()) != to - from)
        return false;
    FeatureStream fresh(to - from);
    fresh.feed(buffer_.data(), to - from);
    const SoundFeatures piece = to == features.frames ? fresh.finish() : fresh.takeCompleted();
    constexpr int64_t kBlocksAHop = kHopFrames / kBlockFrames;
    for (size_t i = 0; i < piece.hops.size(); ++i) {
        const int64_t hop = startHop + int64_t(i);
        if (hop >= firstHop && hop < endHop) features.hops[size_t(hop)] = piece.hops[i];
    }
    for (size_t i = 0; i < piece.blockLevels.size(); ++i) {
        const int64_t block = startHop * kBlocksAHop + int64_t(i);
        if (block < firstHop * kBlocksAHop || block >= endHop * kBlocksAHop) continue;
        if (block >= int64_t(features.blockLevels.size())) break;
        features.blockLevels[size_t(block)] = piece.blockLevels[i];
        features.blockPeaks[size_t(block)] = piece.blockPeaks[i];
    }
    return true;
}
