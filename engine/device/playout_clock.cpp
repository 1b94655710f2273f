// SPDX-License-Identifier: GPL-3.0-or-later
#include "playout_clock.h"

#include <algorithm>
#include <cmath>

#include "frame.h"

namespace brenvik::device {

namespace {

// A host's lead beyond this is taken for a clock of another base, not for a real delay.
constexpr double kLongestBelievedLead = 2.0;

}  // namespace

void PlayoutClock::add(const FilledBuffer& buffer)
{
    buffers_.push_back(buffer);
}

uint64_t PlayoutClock::heardAudioBytes(Clock::time_point now)
{
    if (buffers_.empty()) {
        return heard_;
    }
    const FilledBuffer& newest = buffers_.back();
    const double bufferSeconds = double(newest.bytes) / kBytesPerFrame / kSampleRate;
    const double since = std::chrono::duration<double>(now - newest.filledAt).count();
    const double behind = std::min(since, bufferSeconds) - leadSeconds(newest);
    const int64_t played = static_cast<int64_t>(newest.streamBytesBefore) +
                           std::llround(behind * kSampleRate) * kBytesPerFrame;
    while (buffers_.size() > 1 && static_cast<int64_t>(buffers_[1].streamBytesBefore) <= played) {
        buffers_.pop_front();
    }
    const FilledBuffer& playing = buffers_.front();
    const int64_t intoPlaying = played - static_cast<int64_t>(playing.streamBytesBefore);
    if (intoPlaying >= 0) {
        const uint64_t heard =
            playing.audioBytesBefore + std::min<uint64_t>(intoPlaying, playing.audioBytes);
        heard_ = std::max(heard_, heard);
    }
    return heard_;
}

PlayoutClock::Clock::duration PlayoutClock::lead() const
{
    const double seconds = buffers_.empty() ? latencyFloor_ : leadSeconds(buffers_.back());
    return std::chrono::round<Clock::duration>(std::chrono::duration<double>(seconds));
}

void PlayoutClock::reset()
{
    buffers_.clear();
    heard_ = 0;
}

double PlayoutClock::leadSeconds(const FilledBuffer& buffer) const
{
    const bool believable = buffer.hostLead >= 0 && buffer.hostLead <= kLongestBelievedLead;
    return believable ? std::max(buffer.hostLead, latencyFloor_) : latencyFloor_;
}

}  // namespace brenvik::device
