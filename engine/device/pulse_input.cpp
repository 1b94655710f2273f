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
            moves_.clear();
            if (!stream_.connected()) {
                result = stream_.connectRecord(source_);
            }
            if (result == kNoError) {
                std::string name;
                {
                    PulseLock lock(connection_);
                    name = stream_.deviceName();
                }
                recordingFrom_ = descriptionOf(name);
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

    std::vector<SourceMove> sourceMoves() override
    {
        std::vector<SourceMove> moves;
        queue().onDeviceThread([this, &moves] { moves = moves_; });
        return moves;
    }

private:
    void pump()
    {
        if (!stream_.connected()) {
            return;
        }
        taken_.clear();
        holes_.clear();
        std::string movedTo;
        {
            PulseLock lock(connection_);
            if (!stream_.usable()) {
                return;  // nothing moves: a recording that runs on notices the dead device
            }
            takeRecorded();
            if (stream_.takeMoved()) {
                movedTo = stream_.deviceName();
            }
        }
        uint32_t framesBefore = 0;
        // The queue's lock is never taken inside the connection's: a reset holds them the other
        // way round.
        queue().underLock([this, &framesBefore](LockedQueue& locked) {
            const auto firstFrame = static_cast<uint32_t>(locked.bytesMoved / kBytesPerFrame);
            for (const LostStretch& hole : holes_) {
                QueuedDevice::noteLost(locked, firstFrame + hole.firstFrame, hole.frames);
            }
            framesBefore = firstFrame;
        });
        if (!movedTo.empty()) {
            noteMove(framesBefore + static_cast<uint32_t>(taken_.size() / kBytesPerFrame), movedTo);
        }
        queue().capture(taken_);
    }

    // What the server recorded up to the pump that saw the move came from the old source, near
    // enough: the move lies within one pump of its frame.
    void noteMove(uint32_t firstFrame, const std::string& movedTo)
    {
        SourceMove move{firstFrame, recordingFrom_, descriptionOf(movedTo)};
        recordingFrom_ = move.to;
        // The next recording goes on from there too: the source chosen before is gone, or
        // someone moved the stream on purpose.
        source_ = movedTo;
        moves_.push_back(std::move(move));
    }

    // The description the server gives the source of that name; the name itself when it lists
    // none (a source gone meanwhile).
    std::string descriptionOf(const std::string& name)
    {
        std::vector<SourceInfo> sources;
        if (connection_.listSources(sources) == kNoError) {
            for (const SourceInfo& source : sources) {
                if (source.name == name && !source.description.empty()) {
                    return source.description;
                }
            }
        }
        return name;
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
    std::string recordingFrom_;       // the device's thread only: the description of the source
    std::vector<SourceMove> moves_;   // the device's thread only
};

}  // namespace

std::unique_ptr<WaveInput> makePulseInput(PulseConnection& connection, WaveCallback callback,
                                          void* context)
{
    return std::make_unique<PulseInput>(connection, callback, context);
}

}  // namespace brenvik::device
