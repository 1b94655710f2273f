#include "backend_factory.h"

#include <cstdlib>
#include <string_view>

#include "portaudio_backend.h"
#include "sim_device.h"

namespace brenvik::device {

std::unique_ptr<WaveBackend> backendFromEnvironment()
{
    const char* audio = std::getenv("BRENVIK_AUDIO");
    if (audio && std::string_view(audio) == "sim") {
        return std::make_unique<SimBackend>(SimConfig::fromEnvironment());
    }
    return std::make_unique<PortAudioBackend>();
}

}  // namespace brenvik::device
