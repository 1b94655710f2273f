// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <optional>
#include <utility>

#include "pulse_devices.h"
#include "pulse_stream.h"
#include "queued_device.h"

namespace brenvik::device {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kWriteChunkBytes = 16384;  // handed to the server in one write
// How long after the server said it has played everything a header may still wait for the
// timing to show it heard: a server whose timing stalls never holds a header for ever.
constexpr std::chrono::milliseconds kHeardMargin{500};

// The pump, on the device's thread, writes queued bytes to the server as it asks for them,
// and hands each header back once the server's timing says its last frame has been heard.
class PulseOutput final : private DeviceStream, public QueuedWaveDevice<WaveOutput> {
public:
    PulseOutput(PulseConnection& connection, WaveCallback callback, void* context)
        : QueuedWaveDevice(callback, context, kOutputDone, *this),
          connection_(connection),
          stream_(connection)
    {
        queue().startWorker(kPumpInterval, [this] { pump(); });
    }
    ~PulseOutput() override
    {
        queue().shutDown();
        stream_.disconnect();
    }

    // The stream is connected before the header is queued, so that a server that refuses fails
    // the write (the header not queued) rather than holding the header for ever.
    int32_t write(WaveHeader& header) override
    {
        if (!queue().isOpen()) {
            return kInvalidHandle;
        }
        int32_t result = kNoError;
        queue().onDeviceThread([this, &result] {
            if (!stream_.connected()) {
                result = stream_.connectPlayback();
            }
        });
        return result == kNoError ? queue().enqueue(header) : result;
    }

private:
    // A header whose bytes have all gone to the server, waiting to be heard to its last byte.
    struct Awaiting {
        WaveHeader* header;
        uint64_t endByte;
    };

    void pump()
    {
        queue().underLock([this](LockedQueue& locked) {
            PulseLock lock(connection_);
            if (!stream_.usable()) {
                return;  // nothing moves: a transport that runs on notices the dead device
            }
            feedServer(locked.queue);
            const uint64_t heard = heardBytes();
            const auto now = Clock::now();
            while (!awaiting_.empty() && isOver(awaiting_.front(), heard, now)) {
                handedBackEnd_ = awaiting_.front().endByte;
                locked.finished.push_back(awaiting_.front().header);
                awaiting_.pop_front();
            }
            locked.bytesMoved = std::max(std::min(heard, writtenBytes_), handedBackEnd_);
        });
    }

    // With the lock held: writes what the server has room for; once everything queued has been
    // written, asks it to play out what it buffers.
    void feedServer(BufferQueue& queue)
    {
        std::array<std::byte, kWriteChunkBytes> chunk;
        std::size_t room = pa_stream_writable_size(stream_.stream());
        while (room > 0 && room != static_cast<std::size_t>(-1)) {
            WaveHeader* emptied = nullptr;
            const std::size_t wanted = std::min(room, chunk.size());
            const std::size_t given = queue.drain(std::span(chunk).first(wanted), emptied);
            if (given == 0 && emptied == nullptr) {
                break;
            }
            if (given > 0 && pa_stream_write(stream_.stream(), chunk.data(), given, nullptr, 0,
                                             PA_SEEK_RELATIVE) < 0) {
                break;
            }
            writtenBytes_ += given;
            room -= given;
            drainAsked_ = false;
            if (emptied != nullptr) {
                awaiting_.push_back({emptied, writtenBytes_});
            }
        }
        if (queue.empty() && !awaiting_.empty() && !drainAsked_) {
            drainAsked_ = true;
            drainedAt_.reset();
            if (pa_operation* drain = pa_stream_drain(stream_.stream(), &onDrained, this)) {
                pa_operation_unref(drain);
            }
        }
    }

    // With the lock held: the bytes heard so far, as the server's timing tells; it never goes
    // back.
    uint64_t heardBytes()
    {
        pa_usec_t time = 0;
        if (pa_stream_get_time(stream_.stream(), &time) == 0) {
            heard_ = std::max<uint64_t>(heard_, pa_usec_to_bytes(time, &PulseStream::format()));
        }
        return heard_;
    }

    // Heard to its end; or the server has played everything so long ago that it must have been.
    bool isOver(const Awaiting& header, uint64_t heard, Clock::time_point now)
    {
        if (heard >= header.endByte) {
            return true;
        }
        return drainedAt_ && writtenBytes_ == header.endByte &&
               now - *drainedAt_ >= latency() + kHeardMargin;
    }

    Clock::duration latency()
    {
        pa_usec_t latency = 0;
        int negative = 0;
        if (pa_stream_get_latency(stream_.stream(), &latency, &negative) != 0 || negative) {
            latency = 0;
        }
        return std::chrono::microseconds(latency);
    }

    // On the loop's thread, with the lock held.
    static void onDrained(pa_stream*, int success, void* user)
    {
        auto& self = *static_cast<PulseOutput*>(user);
        if (success && self.drainAsked_) {
            self.drainedAt_ = Clock::now();
        }
    }

    void stopMoving(LockedQueue& locked) override
    {
        stream_.disconnect();
        PulseLock lock(connection_);
        writtenBytes_ = 0;
        handedBackEnd_ = 0;
        heard_ = 0;
        drainAsked_ = false;
        drainedAt_.reset();
        for (const Awaiting& waiting : std::exchange(awaiting_, {})) {
            locked.finished.push_back(waiting.header);
        }
    }
    bool holdsHeaders() const override { return !awaiting_.empty(); }

    PulseConnection& connection_;
    PulseStream stream_;
    // Guarded by the queue's lock and the connection's; since the last reset.
    uint64_t writtenBytes_ = 0;
    uint64_t handedBackEnd_ = 0;  // the end byte of the last header handed back
    uint64_t heard_ = 0;
    bool drainAsked_ = false;
    std::optional<Clock::time_point> drainedAt_;
    std::deque<Awaiting> awaiting_;
};

}  // namespace

std::unique_ptr<WaveOutput> makePulseOutput(PulseConnection& connection, WaveCallback callback,
                                            void* context)
{
    return std::make_unique<PulseOutput>(connection, callback, context);
}

}  // namespace brenvik::device
