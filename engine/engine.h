#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "device/closed_device.h"
#include "device/wave_device.h"
#include "diagnostic_log.h"
#include "frame_range.h"
#include "track_memory.h"

namespace brenvik {

// The engine's one set of state: the track memory, the two devices and their buffer headers,
// the transport and the diagnostic log. Results are the platform's device error numbers,
// passed through unchanged. The methods are called from one thread; the device callbacks run
// on the device layer's thread and share only deviceActive, newestRecordedFrame, ringWrapped,
// the input device, the record headers, the track memory (read to place a handed-back header
// in the ring) and the log with it.
class Engine {
public:
    using BackendFactory = std::function<std::unique_ptr<device::WaveBackend>()>;

    // makeBackend is asked for a back end at each open.
    explicit Engine(BackendFactory makeBackend);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Allocates the track and opens the output then the input device. A track that cannot be
    // had gives kNoMemory with no device opened. A failing output open returns its error with
    // the memory allocated and the input side untouched; a failing input open shows as the
    // error of preparing the second record header.
    int32_t open(int32_t trackLength, bool logging);
    // Stops a running transport, closes both devices and frees the memory; returns the input
    // close's result. Closing an engine that holds no memory only logs "CloseLib\n" and
    // returns 0.
    int32_t close();

    TrackMemory& track() { return memory_; }
    const DiagnosticLog& log() const { return log_; }
    void clearTrack(FrameRange range);

    // Plays the range as one buffer; IsPlaying drops when it has played.
    int32_t play(FrameRange range);
    // Records into the track as an endless ring of its two halves.
    int32_t record();
    // Ends either transport; a recording's ring is rotated so the track reads oldest-first.
    int32_t stop();
    // Recording: the ring frame written next. Otherwise the frames played since the last stop.
    int32_t position();
    bool isPlaying() const { return deviceActive_.load() != 0; }

private:
    enum TransportMode : int32_t { kIdle = 0, kPlaying = 1, kRecording = 2 };

    static void outputCallback(void* context, uint32_t message, device::WaveHeader* header);
    static void inputCallback(void* context, uint32_t message, device::WaveHeader* header);

    device::WaveOutput& output();
    device::WaveInput& input();
    int32_t openOutputSide();
    int32_t openInputSide();
    void closeOutputSide();
    int32_t closeInputSide();
    void haltTransport();
    static void pointHeader(device::WaveHeader& header, std::span<std::byte> bytes);
    void pointRecordHeaders();
    void logIf(int32_t result, const char* message) const;
    // Called with each record header handed back: remembers the ring frame after its last
    // recorded byte, which is where the newest audio ends.
    void noteRecordedEnd(const device::WaveHeader& header);

    DiagnosticLog log_;
    const BackendFactory makeBackend_;
    TrackMemory memory_;
    int32_t transportMode_ = kIdle;
    std::atomic<uint8_t> deviceActive_{0};
    std::atomic<int32_t> newestRecordedFrame_{0};  // written by the input callback
    std::atomic<bool> ringWrapped_{false};          // written by the input callback
    device::WaveHeader playHeader_;
    device::WaveHeader recordHeaderA_;
    device::WaveHeader recordHeaderB_;
    // Stands in for a device that is not open. A member, so that it lives as long as the engine:
    // an engine that is never closed still calls through it from its destructor at exit.
    device::ClosedDevice closedDevice_;
    // Declared last so that they go first: no device outlives the memory it writes into.
    std::unique_ptr<device::WaveBackend> backend_;
    std::unique_ptr<device::WaveOutput> output_;
    std::unique_ptr<device::WaveInput> input_;
};

}  // namespace brenvik
