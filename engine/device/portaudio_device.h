#pragma once

#include <portaudio.h>

#include <chrono>
#include <cstdint>
#include <deque>

#include "wave_device.h"

namespace brenvik::device {

// The error number of an open that failed with PortAudio's error (that of the last device
// tried): kAllocated when the device is in use, kBadFormat when it refuses the format,
// otherwise kBadDeviceId (no device, or it cannot be opened).
int32_t openErrorNumber(PaError error);

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

    explicit PlayoutClock(double latencyFloor = 0) : latencyFloor_(latencyFloor) {}

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

// PortAudio's default devices at 44100 Hz, 2 channels, 16 bit. When a default device is missing
// or fails to open, the ALSA devices "pipewire", "pulse" and "default" are tried in that order;
// when none opens the result is openErrorNumber() of the last one's error, and kError when
// PortAudio itself could not be initialised. PortAudio's real-time callback only moves bytes
// through a lock-free ring and leaves notes of the buffers it filled in another; the engine's
// callbacks come from a thread of this layer. The output's frame count is the frames heard
// (PlayoutClock), and a played header comes back once its last frame has been heard. A reset
// with nothing left to play lets the device play out what it buffers; otherwise it is
// immediate.
class PortAudioBackend final : public WaveBackend {
public:
    PortAudioBackend();
    ~PortAudioBackend() override;
    PortAudioBackend(const PortAudioBackend&) = delete;
    PortAudioBackend& operator=(const PortAudioBackend&) = delete;

    int32_t openOutput(WaveCallback callback, void* context,
                       std::unique_ptr<WaveOutput>& device) override;
    int32_t openInput(WaveCallback callback, void* context,
                      std::unique_ptr<WaveInput>& device) override;

private:
    bool initialised_ = false;
};

}  // namespace brenvik::device
