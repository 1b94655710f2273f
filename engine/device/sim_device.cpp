// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_device.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "file_closer.h"
#include "plain_number.h"
#include "queued_device.h"
#include "sim_source.h"

namespace brenvik::device {

namespace {

constexpr uint64_t kPeriodFrames = 441;
constexpr double kPeriodsPerSecond = double(kSampleRate) / kPeriodFrames;
// A real-time tick that fell far behind skips what lies beyond this many periods rather than
// moving an unbounded burst while reset and close wait for it.
constexpr uint64_t kMaxPeriodsPerTick = 1000;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

// Moves one simulated device: through a ManualClock, or on the device's own worker at the
// card's rate.
class SimClock {
public:
    SimClock(const SimConfig& config, std::function<void(uint64_t frames)> advance)
        : manualClock_(config.manualClock),
          speed_(config.speed),
          advance_(std::move(advance))
    {}

    // Moves the device forward by frames frames.
    void advance(uint64_t frames) { advance_(frames); }

    // Called by the device's constructor once it is ready to move.
    void start(QueuedDevice& queue)
    {
        if (manualClock_) {
            manualClock_->attach(this);
            return;
        }
        const auto period = std::chrono::duration<double>(1.0 / (kPeriodsPerSecond * speed_));
        const auto interval =
            std::clamp(std::chrono::duration_cast<std::chrono::microseconds>(period),
                       std::chrono::microseconds(1000), std::chrono::microseconds(10000));
        epoch_ = std::chrono::steady_clock::now();
        queue.startWorker(interval, [this] { onTick(); });
    }

    // Called first by the device's destructor.
    void stop(QueuedDevice& queue)
    {
        queue.shutDown();
        if (manualClock_) {
            manualClock_->detach(this);
        }
    }

private:
    void onTick()
    {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - epoch_;
        const auto periods = static_cast<uint64_t>(elapsed.count() * kPeriodsPerSecond * speed_);
        const uint64_t due = std::min(periods - periodsDone_, kMaxPeriodsPerTick);
        periodsDone_ = periods;
        advance(due * kPeriodFrames);
    }

    const std::shared_ptr<ManualClock> manualClock_;
    const double speed_;
    const std::function<void(uint64_t)> advance_;
    std::chrono::steady_clock::time_point epoch_;  // worker thread only, once started
    uint64_t periodsDone_ = 0;                     // worker thread only
};

namespace {

class SimOutput final : private DeviceStream, public QueuedWaveDevice<WaveOutput> {
public:
    SimOutput(const SimConfig& config, WaveCallback callback, void* context)
        : QueuedWaveDevice(callback, context, kOutputDone, *this),
          clock_(config, [this](uint64_t frames) { advance(frames); })
    {
        if (!config.outputPath.empty()) {
            sink_.reset(std::fopen(config.outputPath.c_str(), "ab"));
        }
        clock_.start(queue());
    }
    ~SimOutput() override { clock_.stop(queue()); }

    int32_t write(WaveHeader& header) override { return queue().enqueue(header); }

private:
    // Plays queued frames into the sink; an idle device moves nothing.
    void advance(uint64_t frames)
    {
        queue().play(frames * kBytesPerFrame,
                     [this](std::span<const std::byte> bytes) { toSink(bytes); });
    }

    void stopMoving(LockedQueue&) override {}

    void toSink(std::span<const std::byte> bytes)
    {
        if (sink_) {
            std::fwrite(bytes.data(), 1, bytes.size(), sink_.get());
            std::fflush(sink_.get());
        }
    }

    SimClock clock_;
    File sink_;  // written with the queue's lock held
};

class SimInput final : private DeviceStream, public QueuedWaveDevice<WaveInput> {
public:
    SimInput(const SimConfig& config, SimSource source, WaveCallback callback, void* context)
        : QueuedWaveDevice(callback, context, kInputData, *this),
          clock_(config, [this](uint64_t frames) { advance(frames); }),
          source_(std::move(source)),
          dropEvery_(config.dropEvery)
    {
        clock_.start(queue());
    }
    ~SimInput() override { clock_.stop(queue()); }

    int32_t addBuffer(WaveHeader& header) override { return queue().enqueue(header); }

    int32_t start() override
    {
        queue().forgetLost();
        return queue().underLock([this](LockedQueue&) { started_ = true; }) ? kNoError
                                                                            : kInvalidHandle;
    }

    std::vector<LostStretch> lostStretches() override { return queue().lostStretches(); }

private:
    // Captures the source's frames into the queued headers once started.
    void advance(uint64_t frames)
    {
        std::array<Frame, kChunkBytes / sizeof(Frame) + 1> rendered;
        uint64_t remaining = frames * kBytesPerFrame;
        while (remaining > 0 && started()) {
            // A frame may straddle two headers, so the chunk starts where the last one ended.
            const uint64_t position = queue().bytesMoved();
            const std::size_t skip = position % kBytesPerFrame;
            const std::size_t bytes = std::min<uint64_t>(remaining, kChunkBytes);
            const std::size_t frameCount = (skip + bytes + kBytesPerFrame - 1) / kBytesPerFrame;
            source_.render(static_cast<uint32_t>(position / kBytesPerFrame),
                           std::span(rendered).first(frameCount));
            dropPeriods(position, std::span(rendered).first(frameCount));
            queue().capture(std::as_bytes(std::span(rendered)).subspan(skip, bytes));
            remaining -= bytes;
        }
    }

    // Silences the frames of dropped periods among those rendered from byte position on, and
    // notes each dropped period once, when its first frame comes.
    void dropPeriods(uint64_t position, std::span<Frame> frames)
    {
        if (dropEvery_ == 0) {
            return;
        }
        const uint64_t first = position / kBytesPerFrame;
        for (uint64_t n = first; n < first + frames.size(); ++n) {
            if ((n / kPeriodFrames) % dropEvery_ != dropEvery_ - 1) {
                continue;
            }
            frames[n - first] = Frame{0, 0};
            if (n % kPeriodFrames == 0 && n * kBytesPerFrame >= position) {
                queue().underLock([n](LockedQueue& locked) {
                    QueuedDevice::noteLost(locked, static_cast<uint32_t>(n), kPeriodFrames);
                });
            }
        }
    }

    // Open and started.
    bool started()
    {
        bool started = false;
        queue().underLock([&](LockedQueue&) { started = started_; });
        return started;
    }

    void stopMoving(LockedQueue&) override { started_ = false; }
    void afterClose() override { queue().notify(kInputClose); }

    SimClock clock_;
    const SimSource source_;
    const uint32_t dropEvery_;
    bool started_ = false;  // guarded by the queue's lock
};

}  // namespace

void ManualClock::advance(uint32_t frames)
{
    std::lock_guard lock(mutex_);
    for (SimClock* clock : clocks_) {
        clock->advance(frames);
    }
}

void ManualClock::attach(SimClock* clock)
{
    std::lock_guard lock(mutex_);
    clocks_.push_back(clock);
}

void ManualClock::detach(SimClock* clock)
{
    std::lock_guard lock(mutex_);
    std::erase(clocks_, clock);
}

SimConfig SimConfig::fromEnvironment()
{
    SimConfig config;
    const std::string speed = environment("BRENVIK_SIM_SPEED");
    if (!speed.empty()) {
        const double factor = quorvel::plainNumber(speed).value_or(1.0);
        config.speed = factor > 0 ? factor : 1.0;
    }
    config.inputPath = environment("BRENVIK_SIM_INPUT");
    config.outputPath = environment("BRENVIK_SIM_OUTPUT");
    config.dropEvery =
        static_cast<uint32_t>(std::strtoul(environment("BRENVIK_SIM_DROP").c_str(), nullptr, 10));
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

int32_t SimBackend::listSources(std::vector<SourceInfo>& sources)
{
    sources = {{"sim", "Simulated card", SourceInfo::Kind::kInput}};
    return kNoError;
}

}  // namespace brenvik::device
