// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulse_backend.h"

#include "pulse_devices.h"

namespace brenvik::device {

int32_t PulseBackend::openOutput(WaveCallback callback, void* context,
                                 std::unique_ptr<WaveOutput>& device)
{
    if (!serverAnswers()) {
        return kBadDeviceId;
    }
    device = makePulseOutput(connection_, callback, context);
    return kNoError;
}

int32_t PulseBackend::openInput(WaveCallback callback, void* context,
                                std::unique_ptr<WaveInput>& device)
{
    if (!serverAnswers()) {
        return kBadDeviceId;
    }
    device = makePulseInput(connection_, callback, context);
    callback(context, kInputOpen, nullptr);
    return kNoError;
}

int32_t PulseBackend::listSources(std::vector<SourceInfo>& sources)
{
    return connection_.listSources(sources);
}

int32_t PulseBackend::sourcePlayers(const std::string& source, std::vector<int32_t>& processes)
{
    return connection_.sourcePlayers(source, processes);
}

}  // namespace brenvik::device
