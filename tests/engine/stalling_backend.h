// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "device/sim_device.h"

// A back end whose devices stop answering where a test says: the simulated card on a manual
// clock, with every device operation passing through a Stall first. A held operation blocks
// whatever thread calls it until the test releases it, as a driver that hangs would.
namespace brenvik::testing {

enum class Side { kOutput, kInput };
enum class Operation { kOpen, kPrepare, kUnprepare, kQueue, kStart, kReset, kPosition, kClose };

inline std::string nameOf(Side side)
{
    return side == Side::kOutput ? "Output" : "Input";
}
inline std::string nameOf(Operation operation)
{
    constexpr const char* names[] = {"Open",  "Prepare", "Unprepare", "Queue",
                                     "Start", "Reset",   "Position",  "Close"};
    return names[static_cast<int>(operation)];
}

class Stall {
public:
    // Every later call of the operation on that side blocks until release().
    void hold(Side side, Operation operation)
    {
        std::lock_guard lock(mutex_);
        held_ = {side, operation};
    }
    // Runs action inside the next call of the operation, before the device does its part.
    void before(Side side, Operation operation, std::function<void()> action)
    {
        std::lock_guard lock(mutex_);
        action_ = {side, operation};
        actionToRun_ = std::move(action);
    }
    // Lets blocked calls go on and every later call pass, then waits until none is left inside
    // the double; false when one still is after the limit.
    bool releaseAndDrain(std::chrono::seconds limit = std::chrono::seconds(30))
    {
        std::unique_lock lock(mutex_);
        held_.reset();
        changed_.notify_all();
        return changed_.wait_for(lock, limit, [this] { return inside_ == 0; });
    }
    int blockedCalls()
    {
        std::lock_guard lock(mutex_);
        return blocked_;
    }

    // The double's devices run each operation through here.
    template <typename Work>
    int32_t pass(Side side, Operation operation, Work work)
    {
        const Inside inside(*this);
        std::function<void()> action;
        {
            std::unique_lock lock(mutex_);
            if (held_ == std::pair(side, operation)) {
                ++blocked_;
                changed_.wait(lock, [&] { return held_ != std::pair(side, operation); });
            }
            if (action_ == std::pair(side, operation)) {
                action_.reset();
                action = std::move(actionToRun_);
            }
        }
        if (action) {
            action();
        }
        return work();
    }

private:
    // Counts the calls inside the double, also one that an action ends by throwing.
    struct Inside {
        explicit Inside(Stall& stall)
            : stall(stall)
        {
            std::lock_guard lock(stall.mutex_);
            ++stall.inside_;
        }
        ~Inside()
        {
            std::lock_guard lock(stall.mutex_);
            --stall.inside_;
            stall.changed_.notify_all();
        }
        Stall& stall;
    };

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::pair<Side, Operation>> held_;
    std::optional<std::pair<Side, Operation>> action_;
    std::function<void()> actionToRun_;
    int blocked_ = 0;
    int inside_ = 0;
};

// What both directions share: the simulated device behind, and the stall in front.
template <typename Interface>
class StallingDevice : public Interface {
public:
    StallingDevice(std::unique_ptr<Interface> inner, std::shared_ptr<Stall> stall, Side side)
        : inner_(std::move(inner)),
          stall_(std::move(stall)),
          side_(side)
    {}

    int32_t prepare(device::WaveHeader& header) override
    {
        return pass(Operation::kPrepare, [&] { return inner_->prepare(header); });
    }
    int32_t unprepare(device::WaveHeader& header) override
    {
        return pass(Operation::kUnprepare, [&] { return inner_->unprepare(header); });
    }
    int32_t reset() override
    {
        return pass(Operation::kReset, [&] { return inner_->reset(); });
    }
    int32_t position(uint32_t& frames) override
    {
        return pass(Operation::kPosition, [&] { return inner_->position(frames); });
    }
    int32_t close() override
    {
        return pass(Operation::kClose, [&] { return inner_->close(); });
    }

protected:
    template <typename Work>
    int32_t pass(Operation operation, Work work)
    {
        return stall_->pass(side_, operation, work);
    }

    const std::unique_ptr<Interface> inner_;

private:
    const std::shared_ptr<Stall> stall_;
    const Side side_;
};

class StallingOutput final : public StallingDevice<device::WaveOutput> {
public:
    using StallingDevice::StallingDevice;
    int32_t write(device::WaveHeader& header) override
    {
        return pass(Operation::kQueue, [&] { return inner_->write(header); });
    }
};

class StallingInput final : public StallingDevice<device::WaveInput> {
public:
    using StallingDevice::StallingDevice;
    int32_t addBuffer(device::WaveHeader& header) override
    {
        return pass(Operation::kQueue, [&] { return inner_->addBuffer(header); });
    }
    int32_t start() override
    {
        return pass(Operation::kStart, [&] { return inner_->start(); });
    }
    int32_t useSource(const std::string& name) override { return inner_->useSource(name); }
    std::vector<device::LostStretch> lostStretches() override { return inner_->lostStretches(); }
};

class StallingBackend final : public device::WaveBackend {
public:
    StallingBackend(device::SimConfig config, std::shared_ptr<Stall> stall)
        : sim_(std::move(config)),
          stall_(std::move(stall))
    {}

    int32_t openOutput(device::WaveCallback callback, void* context,
                       std::unique_ptr<device::WaveOutput>& device) override
    {
        return open<StallingOutput>(Side::kOutput, device, [&](auto& inner) {
            return sim_.openOutput(callback, context, inner);
        });
    }
    int32_t openInput(device::WaveCallback callback, void* context,
                      std::unique_ptr<device::WaveInput>& device) override
    {
        return open<StallingInput>(Side::kInput, device, [&](auto& inner) {
            return sim_.openInput(callback, context, inner);
        });
    }
    int32_t listSources(std::vector<device::SourceInfo>& sources) override
    {
        return sim_.listSources(sources);
    }

private:
    template <typename Device, typename Interface, typename OpenInner>
    int32_t open(Side side, std::unique_ptr<Interface>& device, OpenInner openInner)
    {
        return stall_->pass(side, Operation::kOpen, [&] {
            std::unique_ptr<Interface> inner;
            const int32_t result = openInner(inner);
            if (inner) {
                device = std::make_unique<Device>(std::move(inner), stall_, side);
            }
            return result;
        });
    }

    device::SimBackend sim_;
    const std::shared_ptr<Stall> stall_;
};

}  // namespace brenvik::testing
