// SPDX-License-Identifier: GPL-3.0-or-later
#include "portaudio_backend.h"

#include <portaudio.h>

#include "portaudio_input.h"
#include "portaudio_output.h"
#include "portaudio_stream.h"
#include "quiet_libraries.h"

namespace brenvik::device {

PortAudioBackend::PortAudioBackend()
{
    const std::lock_guard lock(portAudioLibraryMutex());
    quietenSoundLibraries();
    initialised_ = Pa_Initialize() == paNoError;
}

PortAudioBackend::~PortAudioBackend()
{
    if (initialised_) {
        const std::lock_guard lock(portAudioLibraryMutex());
        Pa_Terminate();
    }
}

int32_t PortAudioBackend::openOutput(WaveCallback callback, void* context,
                                     std::unique_ptr<WaveOutput>& device)
{
    return initialised_ ? openPortAudioOutput(callback, context, device) : kError;
}

int32_t PortAudioBackend::openInput(WaveCallback callback, void* context,
                                    std::unique_ptr<WaveInput>& device)
{
    if (!initialised_) {
        return kError;
    }
    const int32_t result = openPortAudioInput(callback, context, device);
    if (result == kNoError) {
        callback(context, kInputOpen, nullptr);
    }
    return result;
}

int32_t PortAudioBackend::listSources(std::vector<SourceInfo>& sources)
{
    if (!initialised_) {
        return kError;
    }
    const std::lock_guard lock(portAudioLibraryMutex());
    const PaDeviceIndex index = Pa_GetDefaultInputDevice();
    const PaDeviceInfo* info = index == paNoDevice ? nullptr : Pa_GetDeviceInfo(index);
    if (!info || !info->name) {
        return kBadDeviceId;
    }
    sources = {{info->name, info->name, SourceInfo::Kind::kInput}};
    return kNoError;
}

}  // namespace brenvik::device
