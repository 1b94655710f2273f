// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <portaudio.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "queued_device.h"
#include "wave_device.h"

namespace brenvik::device {

// PortAudio keeps library-wide state (its initialisation count, the device list, the list of
// open streams) that it does not guard itself; every call that touches it holds this lock. A
// thread stuck inside such a call keeps the lock, so a later open overruns the engine's deadline
// instead of racing with it.
std::mutex& portAudioLibraryMutex();

// The error number of an open that failed with PortAudio's error (that of the last device
// tried): kAllocated when the device is in use, kBadFormat when it refuses the format,
// otherwise kBadDeviceId (no device, or it cannot be opened).
int32_t openErrorNumber(PaError error);

// The PortAudio stream of one device, on the engine's format: 44100 Hz, 2 channels, 16 bit. It
// opens the default device or, when that is missing or fails, the ALSA devices "pipewire",
// "pulse" and "default" in that order. The stream is started and stopped on the device's thread
// only, and closed once that thread has stopped; PortAudio's callback touches nothing here but
// the glitch count.
class PortAudioStream {
public:
    // lostWhat names the glitches when their count is reported: "input overflows", "output
    // underflows".
    explicit PortAudioStream(const char* lostWhat)
        : lostWhat_(lostWhat)
    {}
    PortAudioStream(const PortAudioStream&) = delete;
    PortAudioStream& operator=(const PortAudioStream&) = delete;

    // kNoError, or the error number of the failed open. user is passed to callback.
    int32_t open(bool input, PaStreamCallback* callback, void* user);
    // The output latency PortAudio reports for the open stream; 0 when it reports none.
    double outputLatency() const;

    // Starts the stream on the device's thread: kInvalidHandle when the device is closed,
    // kError when the stream cannot start.
    int32_t startOnThreadOf(QueuedDevice& device);
    // Stops the stream at once, or with drain after the device has played what it buffers.
    void stop(bool drain = false);
    // Stops and closes the stream and reports the glitches counted, if any.
    void close();

    // An input overflow or output underflow: never fatal, only counted. Real-time safe.
    void countGlitch() { glitches_.fetch_add(1, std::memory_order_relaxed); }

private:
    bool start();

    const char* const lostWhat_;
    PaStream* stream_ = nullptr;
    bool running_ = false;  // device thread, or the controlling thread once that has stopped
    std::atomic<uint32_t> glitches_{0};
};

// Opens a PortAudio device of type Device (constructed from callback and context, opened by its
// open()) into device: kNoError, or the error number of the failed open.
template <typename Device, typename Interface>
int32_t openPortAudioDevice(WaveCallback callback, void* context,
                            std::unique_ptr<Interface>& device)
{
    auto opened = std::make_unique<Device>(callback, context);
    if (const int32_t result = opened->open(); result != kNoError) {
        return result;
    }
    device = std::move(opened);
    return kNoError;
}

}  // namespace brenvik::device
