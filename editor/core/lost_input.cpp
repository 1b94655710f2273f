// SPDX-License-Identifier: GPL-3.0-or-later
// Input lost while recording: after the stop the user is told how much, and the view marks each
// place with a red tick on its time axis.
#include <cmath>

#include "brenvik.h"
#include "messages.h"
#include "transport_commands.h"

int64_t TransportCommands::takeLostInput()
{
    context_.lostInputFrames.clear();
    const int32_t count = engine_.GetLostInput(nullptr, 0);
    if (count <= 0) return 0;
    std::vector<int32_t> stretches(size_t(count) * 2);
    const int32_t written = std::min(count, engine_.GetLostInput(stretches.data(), count));
    int64_t lostFrames = 0;
    for (int32_t i = 0; i < written; ++i) {
        context_.lostInputFrames.push_back(stretches[size_t(i) * 2]);
        lostFrames += stretches[size_t(i) * 2 + 1];
    }
    return std::llround(double(lostFrames) * 1000 / double(BRENVIK_SAMPLE_RATE));
}

void TransportCommands::reportLostInput(int64_t milliseconds)
{
    if (milliseconds <= 0) return;
    window_.messageBox(messages::inputLost(milliseconds));
}
