// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "frame.h"
#include "pulse_devices.h"
#include "pulse_stream.h"
#include "queued_device.h"

namespace brenvik::device {

namespace {

// The pump, on the device's thread, takes what the server has recorded and captures it into
// the queued headers.
class PulseInput final : private DeviceStream, public QueuedWaveDevice<WaveInput> {
public:
    PulseInput(PulseConnection& connection, WaveCallback callback, void* context)
        : QueuedWaveDevice(callback, context, kInputData, *this),
          connection_(connection),
          stream_(connection)
    {
        queue().startWorker(kPumpInterval, [this] { pump(); });
    }
    ~PulseInput() override
    {
        queue().shutDown();
        stream_.disconnect();
    }

    int32_t addBuffer(WaveHeader& header) override { return queue().enqueue(header); }

    int32_t start() override
    {
        if (!queue().isOpen()) {
            return kInvalidHandle;
        }
        queue().forgetLost();
        int32_t result = kNoError;
        queue().onDeviceThread([this, &result] {
            if (!stream_.connected()) {
                result = stream_.connectRecord(source_);
            }
        });
        return result;
    }

    int32_t useSource(const std::string& name) override
    {
        if (!queue().isOpen()) {
            return kInvalidHandle;
        }
        queue().onDeviceThread([this, &name] { source_ = name; });
        return kNoError;
    }

    std::vector<LostStretch> lostStretches() override { return queue().lostStretches(); }

private:
    void pump()
    {
        if (!stream_.connected()) {
            return;
        }
        taken_.clear();
        holes_.clear();
        {
            PulseLock lock(connection_);
            if (!stream_.usable()) {
                return;  // nothing moves: a recording that runs on notices the dead device
            }
            takeRecorded();
        }
        // The queue's lock is never taken inside the connection's: a reset holds them the other
        // way round.
        queue().underLock([this](LockedQueue& locked) {
            const auto firstFrame = static_cast<uint32_t>(locked.bytesMoved / kBytesPerFrame);
            for (const LostStretch& hole : holes_) {
                QueuedDevice::noteLost(locked, firstFrame + hole.firstFrame, hole.frames);
            }
        });
        queue().capture(taken_);
    }

    // With the connection's lock held: moves what the server has recorded into taken_; a hole
    // in it becomes silence, noted in holes_ (frames from the start of taken_).
    void takeRecorded()
    {
        while (pa_stream_readable_size(stream_.stream()) > 0) {
            const void* data = nullptr;
            std::size_t bytes = 0;
            if (pa_stream_peek(stream_.stream(), &data, &bytes) < 0 || bytes == 0) {
                return;
            }
            const std::size_t at = taken_.size();
            taken_.resize(at + bytes);
            if (data) {
                std::memcpy(taken_.data() + at, data, bytes);
            } else {
                std::memset(taken_.data() + at, 0, bytes);
                holes_.push_back({static_cast<uint32_t>(at / kBytesPerFrame),
                                  static_cast<uint32_t>(bytes / kBytesPerFrame)});
            }
            pa_stream_drop(stream_.stream());
        }
    }

    void stopMoving(LockedQueue&) override { stream_.disconnect(); }
    void afterClose() override { queue().notify(kInputClose); }

    PulseConnection& connection_;
    PulseStream stream_;
    std::string source_;              // the device's thread only
    std::vector<std::byte> taken_;    // the device's thread only
    std::vector<LostStretch> holes_;  // the device's thread only
};

}  // namespace

std::unique_ptr<WaveInput> makePulseInput(PulseConnection& connection, WaveCallback callback,
                                          void* context)
{
    return std::make_unique<PulseInput>(connection, callback, context);
}

}  // namespace brenvik::device
