// SPDX-License-Identifier: GPL-3.0-or-later
#include "portaudio_input.h"

#include <array>
#include <atomic>

#include "byte_ring.h"
#include "frame.h"
#include "portaudio_stream.h"
#include "queued_device.h"

namespace brenvik::device {

namespace {

constexpr std::size_t kRingBytes = kSampleRate * kBytesPerFrame;  // 1 s
constexpr std::size_t kLostNotes = 256;  // stretches the pump may fall behind by

// Silence that stands for lost input, as bytes of the stream the ring carries.
struct LostNote {
    uint64_t atByte;
    uint64_t bytes;
};

// PortAudio's real-time callback only moves bytes into a lock-free ring; the pump, on the
// device's thread, captures them into the queued headers.
class PortAudioInput final : private DeviceStream, public QueuedWaveDevice<WaveInput> {
public:
    PortAudioInput(WaveCallback callback, void* context)
        : QueuedWaveDevice(callback, context, kInputData, *this)
    {}
    ~PortAudioInput() override
    {
        queue().shutDown();
        stream_.close();
    }

    int32_t open()
    {
        if (const int32_t result = stream_.open(true, &onStream, this); result != kNoError) {
            return result;
        }
        queue().startWorker(kPumpInterval, [this] { pump(); });
        return kNoError;
    }

    int32_t addBuffer(WaveHeader& header) override { return queue().enqueue(header); }

    int32_t start() override
    {
        queue().forgetLost();
        return stream_.startOnThreadOf(queue());
    }

    std::vector<LostStretch> lostStretches() override { return queue().lostStretches(); }

private:
    // Frames that find no room in the ring are replaced by as many silent ones as soon as there
    // is room again, so the frame count of what is recorded stays exact.
    static int onStream(const void* input, void*, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags flags, void* user)
    {
        auto& self = *static_cast<PortAudioInput*>(user);
        const std::size_t bytes = frames * kBytesPerFrame;
        std::size_t lost = self.lostBytes_.load(std::memory_order_relaxed);
        if (const std::size_t filled = self.ring_.pushSilence(lost); filled > 0) {
            self.lostNotes_.push({self.pushedBytes_, filled});
            self.pushedBytes_ += filled;
            lost -= filled;
        }
        std::size_t taken = 0;
        if (lost == 0) {
            taken = input ? self.ring_.push({static_cast<const std::byte*>(input), bytes})
                          : self.ring_.pushSilence(bytes);
        }
        self.pushedBytes_ += taken;
        if (taken < bytes || (flags & paInputOverflow)) {
            self.stream_.countGlitch();
        }
        self.lostBytes_.store(lost + bytes - taken, std::memory_order_relaxed);
        return paContinue;
    }

    void pump()
    {
        std::array<std::byte, kChunkBytes> chunk;
        while (const std::size_t got = ring_.pop(chunk)) {
            queue().capture(std::span(chunk).first(got));
        }
        for (LostNote note; lostNotes_.pop(note);) {
            queue().underLock([&note](LockedQueue& locked) {
                QueuedDevice::noteLost(locked, static_cast<uint32_t>(note.atByte / kBytesPerFrame),
                                       static_cast<uint32_t>(note.bytes / kBytesPerFrame));
            });
        }
    }

    void stopMoving(LockedQueue&) override
    {
        stream_.stop();
        ring_.clear();
        lostNotes_.clear();
        lostBytes_.store(0);
        pushedBytes_ = 0;
    }
    void afterClose() override
    {
        stream_.close();
        queue().notify(kInputClose);
    }

    PortAudioStream stream_{"input overflows"};
    ByteRing ring_{kRingBytes};
    RecordRing<LostNote> lostNotes_{kLostNotes};
    // PortAudio's thread, or while the stream is stopped.
    std::atomic<std::size_t> lostBytes_{0};
    uint64_t pushedBytes_ = 0;  // bytes pushed into the ring since the last reset
};

}  // namespace

int32_t openPortAudioInput(WaveCallback callback, void* context, std::unique_ptr<WaveInput>& device)
{
    return openPortAudioDevice<PortAudioInput>(callback, context, device);
}

}  // namespace brenvik::device
