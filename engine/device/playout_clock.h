// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

namespace brenvik::device {

// What PortAudio's callback tells about one output buffer it filled: the audio it took from the
// ring comes first, silence fills the rest.
struct FilledBuffer {
    uint64_t streamBytesBefore = 0;  // bytes, audio or silence, given to the stream before it
    uint64_t audioBytesBefore = 0;   // audio bytes given before it
    uint32_t audioBytes = 0;
    uint32_t bytes = 0;
    // The host's DAC time of the buffer's first frame minus the time of the callback; negative
    // when the host gave none.
    double hostLead = -1;
    std::chrono::steady_clock::time_point filledAt;
};

// Tells how many of the audio bytes given to an output stream have been heard. A buffer's first
// frame is heard a lead after its callback: the host's DAC time where it is believable, never
// less than the stream's reported output latency. Between callbacks the device is taken to play
// on at the sample rate, but never further than the newest buffer, so a stalled device does not
// run the count ahead. Buffers are added in the order they were filled.
class PlayoutClock {
public:
    using Clock = std::chrono::steady_clock;

    explicit PlayoutClock(double latencyFloor = 0)
        : latencyFloor_(latencyFloor)
    {}

    void add(const FilledBuffer& buffer);
    // Audio bytes heard by now; never less than an earlier answer.
    uint64_t heardAudioBytes(Clock::time_point now);
    // How long after its callback the newest buffer's first frame is heard.
    Clock::duration lead() const;
    // Forgets every buffer (the stream was stopped); the latency floor stays.
    void reset();

private:
    double leadSeconds(const FilledBuffer& buffer) const;

    double latencyFloor_;
    std::deque<FilledBuffer> buffers_;  // from the one being heard to the newest
    uint64_t heard_ = 0;
};

}  // namespace brenvik::device
