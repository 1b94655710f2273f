// SPDX-License-Identifier: GPL-3.0-or-later
#include "backend_factory.h"

#include <cstdlib>
#include <string_view>

#include "portaudio_backend.h"
#include "pulse_backend.h"
#include "sim_device.h"

namespace brenvik::device {

std::unique_ptr<WaveBackend> backendFromEnvironment()
{
    const char* audio = std::getenv("BRENVIK_AUDIO");
    const std::string_view chosen = audio ? audio : "";
    if (chosen == "sim") {
        return std::make_unique<SimBackend>(SimConfig::fromEnvironment());
    }
    if (chosen == "portaudio") {
        return std::make_unique<PortAudioBackend>();
    }
    auto pulse = std::make_unique<PulseBackend>();
    if (chosen == "pulse" || pulse->serverAnswers()) {
        return pulse;
    }
    return std::make_unique<PortAudioBackend>();
}

}  // namespace brenvik::device
