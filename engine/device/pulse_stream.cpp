// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulse_stream.h"

#include <cstdio>
#include <utility>

#include "frame.h"

namespace brenvik::device {

namespace {

constexpr pa_usec_t kPlaybackLatency = 50'000;  // what the server keeps buffered ahead
constexpr pa_usec_t kRecordFragment = 10'000;   // how much it gathers before it sends

pa_buffer_attr bufferAttributes(bool record)
{
    constexpr uint32_t kServerChooses = static_cast<uint32_t>(-1);
    pa_buffer_attr attributes{kServerChooses, kServerChooses, kServerChooses, kServerChooses,
                              kServerChooses};
    if (record) {
        attributes.fragsize =
            static_cast<uint32_t>(pa_usec_to_bytes(kRecordFragment, &PulseStream::format()));
    } else {
        attributes.tlength =
            static_cast<uint32_t>(pa_usec_to_bytes(kPlaybackLatency, &PulseStream::format()));
    }
    return attributes;
}

}  // namespace

const pa_sample_spec& PulseStream::format()
{
    static const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, kSampleRate, kChannels};
    return sampleFormat;
}

int32_t PulseStream::connectPlayback()
{
    return connect(false, nullptr);
}

int32_t PulseStream::connectRecord(const std::string& device)
{
    return connect(true, device.empty() ? nullptr : device.c_str());
}

int32_t PulseStream::connect(bool record, const char* device)
{
    disconnect();
    PulseLock lock(connection_);
    const char* name = record ? "Quorvel recording" : "Quorvel playback";
    stream_ = pa_stream_new(connection_.context(), name, &format(), nullptr);
    if (!stream_) {
        return connection_.errorNumber();
    }
    pa_stream_set_state_callback(stream_, &onState, connection_.loop());
    pa_stream_set_overflow_callback(stream_, &onOverflow, this);
    pa_stream_set_moved_callback(stream_, &onMoved, this);
    moved_ = false;
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    const pa_buffer_attr attributes = bufferAttributes(record);
    const int connected =
        record ? pa_stream_connect_record(stream_, device, &attributes, flags)
               : pa_stream_connect_playback(stream_, device, &attributes, flags, nullptr, nullptr);
    const bool ready = connected == 0 && connection_.waitFor([this] {
        return pa_stream_get_state(stream_) == PA_STREAM_READY;
    });
    if (ready) {
        return kNoError;
    }
    // A stream that failed tells why; one the server never answered for did not.
    const bool refused = pa_stream_get_state(stream_) == PA_STREAM_FAILED || connected != 0;
    const int32_t result = refused ? connection_.errorNumber() : kError;
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
    return result;
}

void PulseStream::disconnect()
{
    uint32_t overflows = 0;
    {
        PulseLock lock(connection_);
        if (stream_) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_overflow_callback(stream_, nullptr, nullptr);
            pa_stream_set_moved_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        overflows = std::exchange(overflows_, 0);
    }
    if (overflows > 0) {
        std::fprintf(stderr, "brenvik: %u input overflows\n", overflows);
    }
}

bool PulseStream::usable()
{
    return stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY &&
           pa_context_get_state(connection_.context()) == PA_CONTEXT_READY;
}

std::string PulseStream::deviceName()
{
    const char* name = stream_ ? pa_stream_get_device_name(stream_) : nullptr;
    return name ? name : "";
}

void PulseStream::onState(pa_stream*, void* user)
{
    PulseConnection::wake(static_cast<pa_threaded_mainloop*>(user));
}

void PulseStream::onOverflow(pa_stream*, void* user)
{
    ++static_cast<PulseStream*>(user)->overflows_;
}

void PulseStream::onMoved(pa_stream*, void* user)
{
    static_cast<PulseStream*>(user)->moved_ = true;
}

}  // namespace brenvik::device
