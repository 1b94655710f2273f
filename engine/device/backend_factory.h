// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "wave_device.h"

namespace brenvik::device {

// The back end that BRENVIK_AUDIO names at this moment: "sim" is the simulated card configured
// by the BRENVIK_SIM_* variables, "portaudio" PortAudio, "pulse" the desktop's sound server.
// Unset (or anything else): the sound server where one answers, otherwise PortAudio.
std::unique_ptr<WaveBackend> backendFromEnvironment();

}  // namespace brenvik::device
