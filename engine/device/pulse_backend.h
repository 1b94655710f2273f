// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

#include "pulse_connection.h"
#include "wave_device.h"

namespace brenvik::device {

// The desktop's sound server through the PulseAudio client library, which PulseAudio and
// PipeWire's pulse service both serve (pulse_devices.h tells what each device does). It
// connects when made, without starting a server; while none answers every open fails with
// kBadDeviceId. The engine's callbacks come from a thread of this layer.
class PulseBackend final : public WaveBackend {
public:
    bool serverAnswers() { return connection_.connected(); }

    int32_t openOutput(WaveCallback callback, void* context,
                       std::unique_ptr<WaveOutput>& device) override;
    int32_t openInput(WaveCallback callback, void* context,
                      std::unique_ptr<WaveInput>& device) override;
    // Every source of the server, monitors of its outputs included.
    int32_t listSources(std::vector<SourceInfo>& sources) override;
    int32_t sourcePlayers(const std::string& source, std::vector<int32_t>& processes) override;

private:
    PulseConnection connection_;
};

}  // namespace brenvik::device
