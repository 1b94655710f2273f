#include "sim_device.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "file_closer.h"
#include "queued_device.h"
#include "sim_source.h"

namespace brenvik::device {

namespace {

constexpr uint64_t kPeriodFrames = 441;
constexpr double kPeriodsPerSecond = double(kSampleRate) / kPeriodFrames;
// A real-time tick that fell far behind skips what lies beyond this many periods rather than
// moving an unbounded burst while reset and close wait for it.
constexpr uint64_t kMaxPeriodsPerTick = 1000;
constexpr std::size_t kChunkBytes = 4096;

using Chunk = std::array<std::byte, kChunkBytes>;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

// A simulated device: moved by a ManualClock, or by its own DeviceWorker at the card's rate.
class SimDevice : public QueuedDevice {
public:
    // Moves the device forward by frames frames of its clock.
    virtual void advance(uint64_t frames) = 0;

protected:
    SimDevice(const SimConfig& config, WaveCallback callback, void* context, uint32_t message)
        : QueuedDevice(callback, context, message), manualClock_(config.manualClock),
          speed_(config.speed)
    {
    }

    // Called by the concrete device's constructor once it is ready to move.
    void startClock()
    {
        if (manualClock_) {
            manualClock_->attach(this);
            return;
        }
        const auto period = std::chrono::duration<double>(1.0 / (kPeriodsPerSecond * speed_));
        const auto interval = std::clamp(
            std::chrono::duration_cast<std::chrono::microseconds>(period),
            std::chrono::microseconds(1000), std::chrono::microseconds(10000));
        epoch_ = std::chrono::steady_clock::now();
        startWorker(interval, [this] { onClockTick(); });
    }

    // Called first by the concrete device's destructor.
    void stopClock()
    {
        shutDown();
        if (manualClock_) {
            manualClock_->detach(this);
        }
    }

private:
    void onClockTick()
    {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - epoch_;
        const auto periods = static_cast<uint64_t>(elapsed.count() * kPeriodsPerSecond * speed_);
        const uint64_t due = std::min(periods - periodsDone_, kMaxPeriodsPerTick);
        periodsDone_ = periods;
        advance(due * kPeriodFrames);
    }

    const std::shared_ptr<ManualClock> manualClock_;
    const double speed_;
    std::chrono::steady_clock::time_point epoch_;  // worker thread only, once started
    uint64_t periodsDone_ = 0;                     // worker thread only
};

namespace {

class SimOutput final : public SimDevice, public WaveOutput {
public:
    SimOutput(const SimConfig& config, WaveCallback callback, void* context)
        : SimDevice(config, callback, context, kOutputDone)
    {
        if (!config.outputPath.empty()) {
            sink_.reset(std::fopen(config.outputPath.c_str(), "ab"));
        }
        startClock();
    }
    ~SimOutput() override { stopClock(); }

    int32_t write(WaveHeader& header) override { return enqueue(header); }

    // Plays queued frames into the sink; an idle device moves nothing.
    void advance(uint64_t frames) override
    {
        Chunk chunk;
        uint64_t remaining = frames * kBytesPerFrame;
        while (remaining > 0) {
            WaveHeader* emptied = nullptr;
            std::size_t played = 0;
            {
                std::lock_guard lock(mutex_);
                const std::size_t wanted = std::min<uint64_t>(remaining, chunk.size());
                played = open_ ? queue_.drain(std::span(chunk).first(wanted), emptied) : 0;
                if (played == 0 && emptied == nullptr) {
                    return;
                }
                toSink(std::span(chunk).first(played));
                bytesMoved_ += played;
                if (emptied != nullptr) {
                    BufferQueue::markDone(*emptied);
                }
            }
            remaining -= played;
            if (emptied != nullptr) {
                handBack(emptied);
            }
        }
    }

private:
    void stopMoving(std::vector<WaveHeader*>&) override {}

    void toSink(std::span<const std::byte> bytes)
    {
        if (sink_ && !bytes.empty()) {
            std::fwrite(bytes.data(), 1, bytes.size(), sink_.get());
            std::fflush(sink_.get());
        }
    }

    File sink_;  // guarded by mutex_
};

class SimInput final : public SimDevice, public WaveInput {
public:
    SimInput(const SimConfig& config, SimSource source, WaveCallback callback, void* context)
        : SimDevice(config, callback, context, kInputData), source_(std::move(source))
    {
        startClock();
    }
    ~SimInput() override { stopClock(); }

    int32_t addBuffer(WaveHeader& header) override { return enqueue(header); }

    int32_t start() override
    {
        std::lock_guard lock(mutex_);
        if (!open_) {
            return kInvalidHandle;
        }
        started_ = true;
        return kNoError;
    }

    // Captures the source's frames into the queued headers once started.
    void advance(uint64_t frames) override
    {
        std::array<Frame, kChunkBytes / sizeof(Frame) + 1> rendered;
        uint64_t remaining = frames * kBytesPerFrame;
        while (remaining > 0 && started()) {
            // A frame may straddle two headers, so the chunk starts where the last one ended.
            const uint64_t position = bytesMoved();
            const std::size_t skip = position % kBytesPerFrame;
            const std::size_t bytes = std::min<uint64_t>(remaining, kChunkBytes);
            const std::size_t frameCount = (skip + bytes + kBytesPerFrame - 1) / kBytesPerFrame;
            source_.render(static_cast<uint32_t>(position / kBytesPerFrame),
                           std::span(rendered).first(frameCount));
            capture(std::as_bytes(std::span(rendered)).subspan(skip, bytes));
            remaining -= bytes;
        }
    }

private:
    bool started()
    {
        std::lock_guard lock(mutex_);
        return open_ && started_;
    }

    void stopMoving(std::vector<WaveHeader*>&) override { started_ = false; }
    void afterClose() override { notify(kInputClose); }

    const SimSource source_;
    bool started_ = false;  // guarded by mutex_
};

}  // namespace

void ManualClock::advance(uint32_t frames)
{
    std::lock_guard lock(mutex_);
    for (SimDevice* device : devices_) {
        device->advance(frames);
    }
}

void ManualClock::attach(SimDevice* device)
{
    std::lock_guard lock(mutex_);
    devices_.push_back(device);
}

void ManualClock::detach(SimDevice* device)
{
    std::lock_guard lock(mutex_);
    std::erase(devices_, device);
}

SimConfig SimConfig::fromEnvironment()
{
    SimConfig config;
    const std::string speed = environment("BRENVIK_SIM_SPEED");
    if (!speed.empty()) {
        const double factor = std::strtod(speed.c_str(), nullptr);
        config.speed = std::isfinite(factor) && factor > 0 ? factor : 1.0;
    }
    config.inputPath = environment("BRENVIK_SIM_INPUT");
    config.outputPath = environment("BRENVIK_SIM_OUTPUT");
    std::istringstream faults(environment("BRENVIK_SIM_FAIL"));
    for (std::string fault; std::getline(faults, fault, ',');) {
        config.failOutputOpen |= fault == "out-open";
        config.failInputOpen |= fault == "in-open";
    }
    return config;
}

int32_t SimBackend::openOutput(WaveCallback callback, void* context,
                               std::unique_ptr<WaveOutput>& device)
{
    if (config_.failOutputOpen) {
        return kBadDeviceId;
    }
    device = std::make_unique<SimOutput>(config_, callback, context);
    return kNoError;
}

int32_t SimBackend::openInput(WaveCallback callback, void* context,
                              std::unique_ptr<WaveInput>& device)
{
    if (config_.failInputOpen) {
        return kBadDeviceId;
    }
    SimSource source;
    if (!config_.inputPath.empty()) {
        if (const int32_t result = source.loadWave(config_.inputPath); result != kNoError) {
            return result;
        }
    }
    auto input = std::make_unique<SimInput>(config_, std::move(source), callback, context);
    callback(context, kInputOpen, nullptr);
    device = std::move(input);
    return kNoError;
}

}  // namespace brenvik::device

