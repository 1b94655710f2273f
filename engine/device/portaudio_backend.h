// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

#include "wave_device.h"

namespace brenvik::device {

// PortAudio's default devices at 44100 Hz, 2 channels, 16 bit (PortAudioStream tells which
// devices are tried; portaudio_output.h and portaudio_input.h what each direction does). When
// no device opens the result is the error number of the last one's error, and kError when
// PortAudio itself could not be initialised. The engine's callbacks come from a thread of this
// layer.
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
    // The default input device only, as an input source under PortAudio's name for it;
    // kBadDeviceId when there is none.
    int32_t listSources(std::vector<SourceInfo>& sources) override;

private:
    bool initialised_ = false;
};

}  // namespace brenvik::device
