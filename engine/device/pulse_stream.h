// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <pulse/pulseaudio.h>

#include <cstdint>
#include <string>
#include <utility>

#include "pulse_connection.h"

namespace brenvik::device {

// One stream of a device on the sound server, in the engine's format (44100 Hz, 16-bit signed
// little-endian, stereo). A device connects it when a transport starts and disconnects it when
// the device is reset, which silences a playback at once. Used on the device's thread only;
// every method takes the connection's lock itself unless it says otherwise.
class PulseStream {
public:
    explicit PulseStream(PulseConnection& connection)
        : connection_(connection)
    {}
    ~PulseStream() { disconnect(); }
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // Connects a playback stream to the default output, or a record stream to device (empty:
    // the default source), and waits, bounded, until the server has set it up: kNoError, or the
    // error number of what the server refused.
    int32_t connectPlayback();
    int32_t connectRecord(const std::string& device);
    // Disconnects and reports the overflows of a record stream, if any. Harmless when not
    // connected.
    void disconnect();

    bool connected() const { return stream_ != nullptr; }
    // With the lock held: the stream, null while not connected.
    pa_stream* stream() { return stream_; }
    // With the lock held: connected, and neither the stream nor the server has failed.
    bool usable();
    // With the lock held: the name of the server's device the stream is connected to now.
    std::string deviceName();
    // With the lock held: whether the server has moved the stream to another device since the
    // last call (its device went away, or someone moved it); clears the mark.
    bool takeMoved() { return std::exchange(moved_, false); }

    static const pa_sample_spec& format();

private:
    int32_t connect(bool record, const char* device);
    static void onState(pa_stream* stream, void* user);
    static void onOverflow(pa_stream* stream, void* user);
    static void onMoved(pa_stream* stream, void* user);

    PulseConnection& connection_;
    pa_stream* stream_ = nullptr;
    uint32_t overflows_ = 0;  // under the connection's lock
    bool moved_ = false;      // under the connection's lock
};

}  // namespace brenvik::device
