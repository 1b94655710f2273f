// SPDX-License-Identifier: GPL-3.0-or-later
#include "portaudio_output.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <optional>
#include <utility>

#include "byte_ring.h"
#include "frame.h"
#include "playout_clock.h"
#include "portaudio_stream.h"
#include "queued_device.h"

namespace brenvik::device {

namespace {

constexpr std::size_t kRingBytes = kSampleRate / 5 * kBytesPerFrame;  // 0.2 s
constexpr std::size_t kFilledBufferNotes = 256;  // callbacks the pump may fall behind by
// How long past its expected lead a header whose last byte the callback took may still be held:
// a stream that stops calling back never holds a header for ever.
constexpr std::chrono::milliseconds kHeardMargin{500};

double hostLead(const PaStreamCallbackTimeInfo* time)
{
    const bool given = time && time->outputBufferDacTime > 0 && time->currentTime > 0;
    return given ? time->outputBufferDacTime - time->currentTime : -1;
}

// PortAudio's real-time callback only moves bytes out of a lock-free ring and leaves notes of
// the buffers it filled in another; the pump, on the device's thread, feeds the ring from the
// queue and hands headers back as they are heard.
class PortAudioOutput final : private DeviceStream, public QueuedWaveDevice<WaveOutput> {
public:
    PortAudioOutput(WaveCallback callback, void* context)
        : QueuedWaveDevice(callback, context, kOutputDone, *this)
    {}
    ~PortAudioOutput() override
    {
        queue().shutDown();
        stream_.close();
    }

    int32_t open()
    {
        if (const int32_t result = stream_.open(false, &onStream, this); result != kNoError) {
            return result;
        }
        clock_ = PlayoutClock(stream_.outputLatency());
        queue().startWorker(kPumpInterval, [this] { pump(); });
        return kNoError;
    }

    // The stream is started before the header is queued, so that a stream that cannot start
    // fails the write (kError, the header not queued) rather than holding the header forever.
    int32_t write(WaveHeader& header) override
    {
        const int32_t result = stream_.startOnThreadOf(queue());
        return result == kNoError ? queue().enqueue(header) : result;
    }

private:
    // A header whose bytes have all gone to the ring, waiting to be heard to its last byte.
    struct Awaiting {
        WaveHeader* header;
        uint64_t endByte;
        std::optional<PlayoutClock::Clock::time_point> takenAt;  // when the callback took it all
    };

    static int onStream(const void*, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                        void* user)
    {
        auto& self = *static_cast<PortAudioOutput*>(user);
        const std::span out(static_cast<std::byte*>(output), frames * kBytesPerFrame);
        const std::size_t played = self.ring_.pop(out);
        std::memset(out.data() + played, 0, out.size() - played);  // a gap plays as silence
        if ((played < out.size() && self.feeding_.load(std::memory_order_relaxed)) ||
            (flags & paOutputUnderflow)) {
            self.stream_.countGlitch();
        }
        const uint64_t streamBytes = self.streamBytes_.load(std::memory_order_relaxed);
        const uint64_t audioBytes = self.playedBytes_.load(std::memory_order_relaxed);
        // A note that finds the ring full is dropped: the next one still counts from the start.
        self.filled_.push({streamBytes, audioBytes, static_cast<uint32_t>(played),
                           static_cast<uint32_t>(out.size()), hostLead(time),
                           PlayoutClock::Clock::now()});
        self.streamBytes_.store(streamBytes + out.size(), std::memory_order_relaxed);
        self.playedBytes_.store(audioBytes + played, std::memory_order_release);
        return paContinue;
    }

    // Moves queued bytes into the ring and hands each header back once its last frame has been
    // heard, so the frame count equals the range length when it comes back and a stop that
    // follows cuts nothing off.
    void pump()
    {
        queue().underLock([this](LockedQueue& locked) {
            feedRing(locked.queue);
            for (FilledBuffer buffer; filled_.pop(buffer);) {
                clock_.add(buffer);
            }
            const auto now = PlayoutClock::Clock::now();
            const uint64_t heard = clock_.heardAudioBytes(now);
            while (!awaiting_.empty() && isOver(awaiting_.front(), heard, now)) {
                handedBackEnd_ = awaiting_.front().endByte;
                locked.finished.push_back(awaiting_.front().header);
                awaiting_.pop_front();
            }
            locked.bytesMoved = std::max(heard, handedBackEnd_);
        });
    }

    // Heard to its end; or its last byte was taken so long ago that it must have been, whatever
    // the host's clock says.
    bool isOver(Awaiting& header, uint64_t heard, PlayoutClock::Clock::time_point now)
    {
        if (heard >= header.endByte) {
            return true;
        }
        if (playedBytes_.load(std::memory_order_acquire) < header.endByte) {
            return false;
        }
        header.takenAt = header.takenAt.value_or(now);
        return now - *header.takenAt >= clock_.lead() + kHeardMargin;
    }

    void feedRing(BufferQueue& queue)
    {
        std::array<std::byte, kChunkBytes> chunk;
        while (ring_.writable() > 0) {
            WaveHeader* emptied = nullptr;
            const std::size_t wanted = std::min(ring_.writable(), chunk.size());
            const std::size_t given = queue.drain(std::span(chunk).first(wanted), emptied);
            if (given == 0 && emptied == nullptr) {
                break;
            }
            ring_.push(std::span(chunk).first(given));
            fedBytes_ += given;
            if (emptied != nullptr) {
                awaiting_.push_back({emptied, fedBytes_, std::nullopt});
            }
        }
        feeding_.store(!queue.empty(), std::memory_order_relaxed);
    }

    // With nothing left to play, what the device still buffers is the tail of the last header:
    // the stream is drained so that it is heard. Otherwise the stop is immediate.
    void stopMoving(LockedQueue& locked) override
    {
        stream_.stop(awaiting_.empty() && locked.queue.empty());
        ring_.clear();
        filled_.clear();
        clock_.reset();
        streamBytes_.store(0);
        playedBytes_.store(0);
        fedBytes_ = 0;
        handedBackEnd_ = 0;
        feeding_.store(false);
        for (const Awaiting& waiting : std::exchange(awaiting_, {})) {
            locked.finished.push_back(waiting.header);
        }
    }
    bool holdsHeaders() const override { return !awaiting_.empty(); }
    void afterClose() override { stream_.close(); }

    PortAudioStream stream_{"output underflows"};
    ByteRing ring_{kRingBytes};
    RecordRing<FilledBuffer> filled_{kFilledBufferNotes};
    // Written by PortAudio's callback only, or while the stream is stopped; since the last reset.
    std::atomic<uint64_t> streamBytes_{0};  // bytes given to the stream, audio or silence
    std::atomic<uint64_t> playedBytes_{0};  // audio bytes taken from the ring
    std::atomic<bool> feeding_{false};      // more queued bytes wait for room in the ring
    // The rest is guarded by the queue's lock.
    PlayoutClock clock_;
    uint64_t fedBytes_ = 0;
    uint64_t handedBackEnd_ = 0;  // the end byte of the last header handed back
    std::deque<Awaiting> awaiting_;
};

}  // namespace

int32_t openPortAudioOutput(WaveCallback callback, void* context,
                            std::unique_ptr<WaveOutput>& device)
{
    return openPortAudioDevice<PortAudioOutput>(callback, context, device);
}

}  // namespace brenvik::device
