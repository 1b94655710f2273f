// SPDX-License-Identifier: GPL-3.0-or-later
#include "portaudio_stream.h"

#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

#include "frame.h"

namespace brenvik::device {

namespace {

constexpr std::array<std::string_view, 3> kAlsaFallbacks{"pipewire", "pulse", "default"};

bool isAlsaDevice(const PaDeviceInfo& info, std::string_view name)
{
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info.hostApi);
    return api && api->type == paALSA && info.name && name == info.name;
}

// The default device first, then ALSA's named devices.
std::vector<PaDeviceIndex> candidateDevices(bool input)
{
    std::vector<PaDeviceIndex> candidates;
    const PaDeviceIndex preferred =
        input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
    if (preferred != paNoDevice) {
        candidates.push_back(preferred);
    }
    for (std::string_view name : kAlsaFallbacks) {
        for (PaDeviceIndex index = 0; index < Pa_GetDeviceCount(); ++index) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
            if (index != preferred && info && isAlsaDevice(*info, name)) {
                candidates.push_back(index);
            }
        }
    }
    return candidates;
}

// Opens the first candidate that takes the engine's format. When none does, stream stays null
// and the result is the error of the last candidate tried (paInvalidDevice when there was none).
PaError openStream(bool input, PaStreamCallback* callback, void* user, PaStream*& stream)
{
    const std::lock_guard lock(portAudioLibraryMutex());
    PaError lastError = paInvalidDevice;
    for (PaDeviceIndex index : candidateDevices(input)) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (!info) {
            continue;
        }
        if ((input ? info->maxInputChannels : info->maxOutputChannels) < kChannels) {
            lastError = paInvalidChannelCount;  // what opening it for stereo would report
            continue;
        }
        const PaStreamParameters parameters{
            index, kChannels, paInt16,
            input ? info->defaultHighInputLatency : info->defaultHighOutputLatency, nullptr};
        lastError =
            Pa_OpenStream(&stream, input ? &parameters : nullptr, input ? nullptr : &parameters,
                          kSampleRate, paFramesPerBufferUnspecified, paNoFlag, callback, user);
        if (lastError == paNoError) {
            return paNoError;
        }
        stream = nullptr;
    }
    return lastError;
}

}  // namespace

std::mutex& portAudioLibraryMutex()
{
    static std::mutex mutex;
    return mutex;
}

int32_t openErrorNumber(PaError error)
{
    switch (error) {
        case paDeviceUnavailable: return kAllocated;
        case paInvalidSampleRate:
        case paSampleFormatNotSupported:
        case paInvalidChannelCount: return kBadFormat;
        default: return kBadDeviceId;  // no device, or it cannot be opened
    }
}

int32_t PortAudioStream::open(bool input, PaStreamCallback* callback, void* user)
{
    const PaError error = openStream(input, callback, user, stream_);
    return error == paNoError ? kNoError : openErrorNumber(error);
}

double PortAudioStream::outputLatency() const
{
    const PaStreamInfo* info = stream_ ? Pa_GetStreamInfo(stream_) : nullptr;
    return info ? info->outputLatency : 0;
}

int32_t PortAudioStream::startOnThreadOf(QueuedDevice& device)
{
    if (!device.isOpen()) {
        return kInvalidHandle;
    }
    bool started = false;
    device.onDeviceThread([this, &started] { started = start(); });
    return started ? kNoError : kError;
}

bool PortAudioStream::start()
{
    running_ = running_ || Pa_StartStream(stream_) == paNoError;
    return running_;
}

void PortAudioStream::stop(bool drain)
{
    if (running_) {
        drain ? Pa_StopStream(stream_) : Pa_AbortStream(stream_);
        running_ = false;
    }
}

void PortAudioStream::close()
{
    if (stream_) {
        stop();
        const std::lock_guard lock(portAudioLibraryMutex());
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
    if (const uint32_t lost = glitches_.exchange(0); lost > 0) {
        std::fprintf(stderr, "brenvik: %u %s\n", lost, lostWhat_);
    }
}

}  // namespace brenvik::device
