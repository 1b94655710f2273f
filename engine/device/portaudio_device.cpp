#include "portaudio_device.h"

#include <portaudio.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "byte_ring.h"
#include "frame.h"
#include "queued_device.h"

namespace brenvik::device {

namespace {

constexpr std::chrono::microseconds kPumpInterval{5000};
constexpr std::size_t kOutputRingBytes = kSampleRate / 5 * kBytesPerFrame;  // 0.2 s
constexpr std::size_t kInputRingBytes = kSampleRate * kBytesPerFrame;       // 1 s
constexpr std::size_t kChunkBytes = 4096;
constexpr std::array<std::string_view, 3> kAlsaFallbacks{"pipewire", "pulse", "default"};
constexpr std::size_t kFilledBufferNotes = 256;  // callbacks the pump may fall behind by
// A host's lead beyond this is taken for a clock of another base, not for a real delay.
constexpr double kLongestBelievedLead = 2.0;
// How long past its expected lead a header whose last byte the callback took may still be held:
// a stream that stops calling back never holds a header for ever.
constexpr std::chrono::milliseconds kHeardMargin{500};

bool isAlsaDevice(const PaDeviceInfo& info, std::string_view name)
{
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info.hostApi);
    return api && api->type == paALSA && info.name && name == info.name;
}

// The default device first, then ALSA's named devices.
std::vector<PaDeviceIndex> candidateDevices(bool input)
{
    std::vector<PaDeviceIndex> candidates;
    const PaDeviceIndex preferred = input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
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

// PortAudio keeps library-wide state (its initialisation count, the device list, the list of
// open streams) that it does not guard itself; every call that touches it holds this lock. A
// thread stuck inside such a call keeps the lock, so a later open overruns the engine's deadline
// instead of racing with it.
std::mutex& libraryMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Opens the first candidate that takes the engine's format. When none does, stream stays null
// and the result is the error of the last candidate tried (paInvalidDevice when there was none).
PaError openStream(bool input, PaStreamCallback* callback, void* user, PaStream*& stream)
{
    const std::lock_guard lock(libraryMutex());
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
        lastError = Pa_OpenStream(&stream, input ? &parameters : nullptr,
                                  input ? nullptr : &parameters, kSampleRate,
                                  paFramesPerBufferUnspecified, paNoFlag, callback, user);
        if (lastError == paNoError) {
            return paNoError;
        }
        stream = nullptr;
    }
    return lastError;
}

// A PortAudio stream behind the queue. The stream is started and stopped on the pump thread
// only; PortAudio's callback touches nothing but the ring and atomics.
class PortAudioDevice : public QueuedDevice {
public:
    // kNoError, or the error number of the failed open.
    int32_t open(bool input, PaStreamCallback* callback)
    {
        const PaError error = openStream(input, callback, this, stream_);
        if (error != paNoError) {
            return openErrorNumber(error);
        }
        if (const PaStreamInfo* info = Pa_GetStreamInfo(stream_)) {
            opened(*info);
        }
        startWorker(kPumpInterval, [this] { pump(); });
        return kNoError;
    }

protected:
    using QueuedDevice::QueuedDevice;

    // The device behind the user pointer of PortAudio's callback: open() passes it as a
    // PortAudioDevice*, so it is cast back to exactly that before going down to Device.
    template <typename Device>
    static Device& fromUser(void* user)
    {
        return static_cast<Device&>(*static_cast<PortAudioDevice*>(user));
    }

    virtual void pump() = 0;
    // Called once the stream is open, before the pump starts.
    virtual void opened(const PaStreamInfo&) {}

    // Starts the stream on the device thread: kInvalidHandle when the device is closed, kError
    // when the stream cannot start.
    int32_t startOnDeviceThread()
    {
        {
            std::lock_guard lock(mutex_);
            if (!open_) {
                return kInvalidHandle;
            }
        }
        bool started = false;
        onDeviceThread([this, &started] { started = startStream(); });
        return started ? kNoError : kError;
    }

    bool startStream()
    {
        running_ = running_ || Pa_StartStream(stream_) == paNoError;
        return running_;
    }
    // Stops the stream at once, or with drain after the device has played what it buffers.
    void stopStream(bool drain = false)
    {
        if (running_) {
            drain ? Pa_StopStream(stream_) : Pa_AbortStream(stream_);
            running_ = false;
        }
    }
    // Called by the concrete device's destructor and close, once the pump has stopped.
    void closeStream(const char* lostWhat)
    {
        if (stream_) {
            stopStream();
            const std::lock_guard lock(libraryMutex());
            Pa_CloseStream(stream_);
            stream_ = nullptr;
        }
        if (const uint32_t lost = glitches_.exchange(0); lost > 0) {
            std::fprintf(stderr, "brenvik: %u %s\n", lost, lostWhat);
        }
    }

    std::atomic<uint32_t> glitches_{0};  // input overflows or output underflows, never fatal

private:
    PaStream* stream_ = nullptr;
    bool running_ = false;  // pump thread, or the controlling thread once the pump has stopped
};

double hostLead(const PaStreamCallbackTimeInfo* time)
{
    const bool given = time && time->outputBufferDacTime > 0 && time->currentTime > 0;
    return given ? time->outputBufferDacTime - time->currentTime : -1;
}

class PortAudioOutput final : public PortAudioDevice, public WaveOutput {
public:
    PortAudioOutput(WaveCallback callback, void* context)
        : PortAudioDevice(callback, context, kOutputDone)
    {
    }
    ~PortAudioOutput() override
    {
        shutDown();
        closeStream("output underflows");
    }

    // The stream is started before the header is queued, so that a stream that cannot start
    // fails the write (kError, the header not queued) rather than holding the header forever.
    int32_t write(WaveHeader& header) override
    {
        const int32_t result = startOnDeviceThread();
        return result == kNoError ? enqueue(header) : result;
    }

    static int onStream(const void*, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags,
                        void* user)
    {
        auto& self = fromUser<PortAudioOutput>(user);
        const std::span out(static_cast<std::byte*>(output), frames * kBytesPerFrame);
        const std::size_t played = self.ring_.pop(out);
        std::memset(out.data() + played, 0, out.size() - played);  // a gap plays as silence
        if ((played < out.size() && self.feeding_.load(std::memory_order_relaxed)) ||
            (flags & paOutputUnderflow)) {
            self.glitches_.fetch_add(1, std::memory_order_relaxed);
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

private:
    // A header whose bytes have all gone to the ring, waiting to be heard to its last byte.
    struct Awaiting {
        WaveHeader* header;
        uint64_t endByte;
        std::optional<PlayoutClock::Clock::time_point> takenAt;  // when the callback took it all
    };

    void opened(const PaStreamInfo& info) override { clock_ = PlayoutClock(info.outputLatency); }

    // Moves queued bytes into the ring and hands each header back once its last frame has been
    // heard, so the frame count equals the range length when it comes back and a stop that
    // follows cuts nothing off.
    void pump() override
    {
        std::vector<WaveHeader*> played;
        {
            std::lock_guard lock(mutex_);
            if (!open_) {
                return;
            }
            feedRing();
            for (FilledBuffer buffer; filled_.pop(buffer);) {
                clock_.add(buffer);
            }
            const auto now = PlayoutClock::Clock::now();
            const uint64_t heard = clock_.heardAudioBytes(now);
            while (!awaiting_.empty() && isOver(awaiting_.front(), heard, now)) {
                handedBackEnd_ = awaiting_.front().endByte;
                BufferQueue::markDone(*awaiting_.front().header);
                played.push_back(awaiting_.front().header);
                awaiting_.pop_front();
            }
            bytesMoved_ = std::max(heard, handedBackEnd_);
        }
        for (WaveHeader* header : played) {
            handBack(header);
        }
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

    void feedRing()
    {
        std::array<std::byte, kChunkBytes> chunk;
        while (ring_.writable() > 0) {
            WaveHeader* emptied = nullptr;
            const std::size_t wanted = std::min(ring_.writable(), chunk.size());
            const std::size_t given = queue_.drain(std::span(chunk).first(wanted), emptied);
            if (given == 0 && emptied == nullptr) {
                break;
            }
            ring_.push(std::span(chunk).first(given));
            fedBytes_ += given;
            if (emptied != nullptr) {
                awaiting_.push_back({emptied, fedBytes_, std::nullopt});
            }
        }
        feeding_.store(!queue_.empty(), std::memory_order_relaxed);
    }

    // With nothing left to play, what the device still buffers is the tail of the last header:
    // the stream is drained so that it is heard. Otherwise the stop is immediate.
    void stopMoving(std::vector<WaveHeader*>& held) override
    {
        stopStream(awaiting_.empty() && queue_.empty());
        ring_.clear();
        filled_.clear();
        clock_.reset();
        streamBytes_.store(0);
        playedBytes_.store(0);
        fedBytes_ = 0;
        handedBackEnd_ = 0;
        feeding_.store(false);
        for (const Awaiting& waiting : std::exchange(awaiting_, {})) {
            held.push_back(waiting.header);
        }
    }
    bool holdsHeaders() const override { return !awaiting_.empty(); }
    void afterClose() override { closeStream("output underflows"); }

    ByteRing ring_{kOutputRingBytes};
    RecordRing<FilledBuffer> filled_{kFilledBufferNotes};
    // Written by PortAudio's callback only, or while the stream is stopped; since the last reset.
    std::atomic<uint64_t> streamBytes_{0};  // bytes given to the stream, audio or silence
    std::atomic<uint64_t> playedBytes_{0};  // audio bytes taken from the ring
    std::atomic<bool> feeding_{false};      // more queued bytes wait for room in the ring
    // The rest is guarded by mutex_.
    PlayoutClock clock_;
    uint64_t fedBytes_ = 0;
    uint64_t handedBackEnd_ = 0;  // the end byte of the last header handed back
    std::deque<Awaiting> awaiting_;
};

class PortAudioInput final : public PortAudioDevice, public WaveInput {
public:
    PortAudioInput(WaveCallback callback, void* context)
        : PortAudioDevice(callback, context, kInputData)
    {
    }
    ~PortAudioInput() override
    {
        shutDown();
        closeStream("input overflows");
    }

    int32_t addBuffer(WaveHeader& header) override { return enqueue(header); }

    int32_t start() override { return startOnDeviceThread(); }

    // Frames that find no room in the ring are replaced by as many silent ones as soon as there
    // is room again, so the frame count of what is recorded stays exact.
    static int onStream(const void* input, void*, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags flags, void* user)
    {
        auto& self = fromUser<PortAudioInput>(user);
        const std::size_t bytes = frames * kBytesPerFrame;
        std::size_t lost = self.lostBytes_.load(std::memory_order_relaxed);
        lost -= self.ring_.pushSilence(lost);
        std::size_t taken = 0;
        if (lost == 0) {
            taken = input ? self.ring_.push({static_cast<const std::byte*>(input), bytes})
                          : self.ring_.pushSilence(bytes);
        }
        if (taken < bytes || (flags & paInputOverflow)) {
            self.glitches_.fetch_add(1, std::memory_order_relaxed);
        }
        self.lostBytes_.store(lost + bytes - taken, std::memory_order_relaxed);
        return paContinue;
    }

private:
    void pump() override
    {
        std::array<std::byte, kChunkBytes> chunk;
        while (const std::size_t got = ring_.pop(chunk)) {
            capture(std::span(chunk).first(got));
        }
    }

    void stopMoving(std::vector<WaveHeader*>&) override
    {
        stopStream();
        ring_.clear();
        lostBytes_.store(0);
    }
    void afterClose() override
    {
        closeStream("input overflows");
        notify(kInputClose);
    }

    ByteRing ring_{kInputRingBytes};
    std::atomic<std::size_t> lostBytes_{0};  // PortAudio's thread, or while the stream is stopped
};

template <typename Device, typename Interface>
int32_t openDevice(bool initialised, bool input, WaveCallback callback, void* context,
                   std::unique_ptr<Interface>& device)
{
    if (!initialised) {
        return kError;
    }
    auto opened = std::make_unique<Device>(callback, context);
    if (const int32_t result = opened->open(input, &Device::onStream); result != kNoError) {
        return result;
    }
    device = std::move(opened);
    return kNoError;
}

}  // namespace

void PlayoutClock::add(const FilledBuffer& buffer)
{
    buffers_.push_back(buffer);
}

uint64_t PlayoutClock::heardAudioBytes(Clock::time_point now)
{
    if (buffers_.empty()) {
        return heard_;
    }
    const FilledBuffer& newest = buffers_.back();
    const double bufferSeconds = double(newest.bytes) / kBytesPerFrame / kSampleRate;
    const double since = std::chrono::duration<double>(now - newest.filledAt).count();
    const double behind = std::min(since, bufferSeconds) - leadSeconds(newest);
    const int64_t played = static_cast<int64_t>(newest.streamBytesBefore) +
                           std::llround(behind * kSampleRate) * kBytesPerFrame;
    while (buffers_.size() > 1 && static_cast<int64_t>(buffers_[1].streamBytesBefore) <= played) {
        buffers_.pop_front();
    }
    const FilledBuffer& playing = buffers_.front();
    const int64_t intoPlaying = played - static_cast<int64_t>(playing.streamBytesBefore);
    if (intoPlaying >= 0) {
        const uint64_t heard = playing.audioBytesBefore +
                               std::min<uint64_t>(intoPlaying, playing.audioBytes);
        heard_ = std::max(heard_, heard);
    }
    return heard_;
}

PlayoutClock::Clock::duration PlayoutClock::lead() const
{
    const double seconds = buffers_.empty() ? latencyFloor_ : leadSeconds(buffers_.back());
    return std::chrono::round<Clock::duration>(std::chrono::duration<double>(seconds));
}

void PlayoutClock::reset()
{
    buffers_.clear();
    heard_ = 0;
}

double PlayoutClock::leadSeconds(const FilledBuffer& buffer) const
{
    const bool believable = buffer.hostLead >= 0 && buffer.hostLead <= kLongestBelievedLead;
    return believable ? std::max(buffer.hostLead, latencyFloor_) : latencyFloor_;
}

int32_t openErrorNumber(PaError error)
{
    switch (error) {
    case paDeviceUnavailable:
        return kAllocated;
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
    case paInvalidChannelCount:
        return kBadFormat;
    default:
        return kBadDeviceId;  // no device, or it cannot be opened
    }
}

PortAudioBackend::PortAudioBackend()
{
    const std::lock_guard lock(libraryMutex());
    initialised_ = Pa_Initialize() == paNoError;
}

PortAudioBackend::~PortAudioBackend()
{
    if (initialised_) {
        const std::lock_guard lock(libraryMutex());
        Pa_Terminate();
    }
}

int32_t PortAudioBackend::openOutput(WaveCallback callback, void* context,
                                     std::unique_ptr<WaveOutput>& device)
{
    return openDevice<PortAudioOutput>(initialised_, false, callback, context, device);
}

int32_t PortAudioBackend::openInput(WaveCallback callback, void* context,
                                    std::unique_ptr<WaveInput>& device)
{
    const int32_t result =
        openDevice<PortAudioInput>(initialised_, true, callback, context, device);
    if (result == kNoError) {
        callback(context, kInputOpen, nullptr);
    }
    return result;
}

}  // namespace brenvik::device
