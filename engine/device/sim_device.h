// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "wave_device.h"

namespace brenvik::device {

class SimClock;

// Drives simulated devices from a test: advance(n) moves every open device by n frames, and
// their callbacks run synchronously on the caller's thread. Reset runs inline as well.
class ManualClock {
public:
    void advance(uint32_t frames);

    void attach(SimClock* clock);
    void detach(SimClock* clock);

private:
    std::mutex mutex_;
    std::vector<SimClock*> clocks_;
};

// The simulated card: 44100 frames a second times speed, in periods of 441 frames.
struct SimConfig {
    double speed = 1.0;
    std::string inputPath;   // a 16-bit stereo 44100 Hz WAV file to loop; empty: counter pattern
    std::string outputPath;  // raw PCM file that played frames are appended to; empty: none
    bool failOutputOpen = false;
    bool failInputOpen = false;
    uint32_t dropEvery = 0;  // every n-th input period is lost (captured as silence); 0: none
    std::shared_ptr<ManualClock> manualClock;  // none: each device runs on a real-time thread

    // BRENVIK_SIM_SPEED, BRENVIK_SIM_INPUT, BRENVIK_SIM_OUTPUT, BRENVIK_SIM_FAIL (a comma list
    // of "out-open" and "in-open"), BRENVIK_SIM_DROP (dropEvery).
    static SimConfig fromEnvironment();
};

class SimBackend final : public WaveBackend {
public:
    explicit SimBackend(SimConfig config)
        : config_(std::move(config))
    {}

    int32_t openOutput(WaveCallback callback, void* context,
                       std::unique_ptr<WaveOutput>& device) override;
    int32_t openInput(WaveCallback callback, void* context,
                      std::unique_ptr<WaveInput>& device) override;
    // One input source, named "sim".
    int32_t listSources(std::vector<SourceInfo>& sources) override;

private:
    SimConfig config_;
};

}  // namespace brenvik::device
