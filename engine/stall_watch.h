// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace brenvik {

// Tells a device that has stopped moving from one that moves, while a transport runs: a sound
// server that died or a card that was pulled leaves the frame count standing. It is fed the
// counts the device reports, as often as the engine's client asks, and the frame count only ever
// grows while a transport runs: a count that changed between two readings far apart means the
// device moved, however long ago; one that did not change for the stall period (or could not
// be read) means the device is gone. Until the count has first moved, the device is given
// twice the period: a stream takes a while to start.
class StallWatch {
public:
    using Clock = std::chrono::steady_clock;

    explicit StallWatch(std::chrono::milliseconds stallPeriod)
        : stallPeriod_(stallPeriod)
    {}

    // A transport has started: its device has the stall period from now on to move.
    void arm(Clock::time_point now);
    void disarm() { armed_ = false; }
    bool armed() const { return armed_; }
    // Whether a fresh reading is worth a device call: the last one is a few percent of the stall
    // period old, so that a client polling in a tight loop does not double its device calls.
    bool readingDue(Clock::time_point now) const;
    // Notes a reading taken at now (none when the count could not be read); true when the
    // count has not changed for the stall period.
    bool stalled(std::optional<uint32_t> frames, Clock::time_point now);

private:
    const Clock::duration stallPeriod_;
    bool armed_ = false;
    bool started_ = false;  // the count has changed since the first reading
    std::optional<uint32_t> lastFrames_;
    Clock::time_point lastMoved_;
    Clock::time_point lastRead_;
};

}  // namespace brenvik
