// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "wave_device.h"

namespace brenvik::device {

// Stands for a device that is not open (never opened, or failed to open): every operation
// fails with kInvalidHandle, as the platform's calls do on an invalid handle.
template <typename Direction>
class ClosedDevice : public Direction {
public:
    int32_t prepare(WaveHeader&) override { return kInvalidHandle; }
    int32_t unprepare(WaveHeader&) override { return kInvalidHandle; }
    int32_t reset() override { return kInvalidHandle; }
    int32_t position(uint32_t& frames) override
    {
        frames = 0;
        return kInvalidHandle;
    }
    int32_t close() override { return kInvalidHandle; }
};

class ClosedOutput final : public ClosedDevice<WaveOutput> {
public:
    int32_t write(WaveHeader&) override { return kInvalidHandle; }
};

class ClosedInput final : public ClosedDevice<WaveInput> {
public:
    int32_t addBuffer(WaveHeader&) override { return kInvalidHandle; }
    int32_t start() override { return kInvalidHandle; }
};

}  // namespace brenvik::device
