#pragma once

#include "wave_device.h"

namespace brenvik::device {

// PortAudio's default devices at 44100 Hz, 2 channels, 16 bit. When a default device is missing
// or fails to open, the ALSA devices "pipewire", "pulse" and "default" are tried in that order;
// when none opens the result is kBadDeviceId. PortAudio's real-time callback only moves bytes
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
