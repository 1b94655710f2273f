// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

#include "wave_device.h"

namespace brenvik::device {

// Opens PortAudio's input (see PortAudioStream): kNoError with device set, or the error number
// of the failed open. It does not deliver kInputOpen; the back end does.
int32_t openPortAudioInput(WaveCallback callback, void* context,
                           std::unique_ptr<WaveInput>& device);

}  // namespace brenvik::device
