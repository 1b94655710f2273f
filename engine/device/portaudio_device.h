#pragma once

#include <portaudio.h>

#include "wave_device.h"

namespace brenvik::device {

// The error number of an open that failed with PortAudio's error (that of the last device
// tried): kAllocated when the device is in use, kBadFormat when it refuses the format,
// otherwise kBadDeviceId (no device, or it cannot be opened).
int32_t openErrorNumber(PaError error);

// PortAudio's default devices at 44100 Hz, 2 channels, 16 bit. When a default device is missing
// or fails to open, the ALSA devices "pipewire", "pulse" and "default" are tried in that order;
// when none opens the result is openErrorNumber() of the last one's error, and kError when
// PortAudio itself could not be initialised. PortAudio's real-time callback only moves bytes
// through a lock-free ring; the engine's callbacks come from a thread of this layer.
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
