// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

#include "wave_device.h"

namespace brenvik::device {

// Opens PortAudio's output (see PortAudioStream): kNoError with device set, or the error number
// of the failed open. Its frame count is the frames heard (PlayoutClock), and a played header
// comes back once its last frame has been heard. A reset with nothing left to play lets the
// device play out what it buffers; otherwise it is immediate.
int32_t openPortAudioOutput(WaveCallback callback, void* context,
                            std::unique_ptr<WaveOutput>& device);

}  // namespace brenvik::device
