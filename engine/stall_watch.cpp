// SPDX-License-Identifier: GPL-3.0-or-later
#include "stall_watch.h"

namespace brenvik {

namespace {
constexpr int kReadingsPerPeriod = 30;
// A stream's first frames take a while through a sound server (almost 2 s through PulseAudio's
// ALSA plugin), far longer than the gaps between frames once it runs.
constexpr int kStartAllowanceInPeriods = 2;
}  // namespace

void StallWatch::arm(Clock::time_point now)
{
    armed_ = true;
    started_ = false;
    lastFrames_.reset();
    lastMoved_ = now;
    lastRead_ = now;
}

bool StallWatch::readingDue(Clock::time_point now) const
{
    return now - lastRead_ >= stallPeriod_ / kReadingsPerPeriod;
}

bool StallWatch::stalled(std::optional<uint32_t> frames, Clock::time_point now)
{
    lastRead_ = now;
    // The first reading counts as a move: what the count was when the transport started is not
    // known (a playback may go on counting from the last one), and a client that first asks
    // long after the start must not take a healthy device for a dead one.
    if (frames && frames != lastFrames_) {
        started_ = lastFrames_.has_value();
        lastFrames_ = frames;
        lastMoved_ = now;
    }
    return now - lastMoved_ >= (started_ ? stallPeriod_ : kStartAllowanceInPeriods * stallPeriod_);
}

}  // namespace brenvik
