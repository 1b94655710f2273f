// SPDX-License-Identifier: GPL-3.0-or-later
// Input lost while recording, and a recording gone on from another source when its own went
// away: after the stop the user is told how much or from where, and the view marks each place
// with a red tick on its time axis.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "brenvik.h"
#include "messages.h"
#include "time_readout.h"
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

namespace {

// "m:ss" of a place in the track.
std::string minutesAndSeconds(int64_t frame)
{
    const std::string time = trackTimeText(frame);
    return time.substr(0, time.find('.'));
}

}  // namespace

std::vector<std::string> TransportCommands::takeSourceChanges()
{
    const int32_t size = engine_.GetSourceChanges(nullptr, 0);
    if (size <= 0) return {};
    std::string text(size_t(size), '\0');
    if (engine_.GetSourceChanges(text.data(), size) != size) return {};
    text.resize(std::strlen(text.c_str()));
    std::vector<std::string> told;
    std::istringstream lines(text);
    // Each line: the frame, the source that went away and the one that followed, by tabs.
    for (std::string line; std::getline(lines, line);) {
        const size_t from = line.find('\t');
        const size_t to = line.find('\t', from == std::string::npos ? from : from + 1);
        if (to == std::string::npos) continue;
        const auto frame = int32_t(std::strtol(line.c_str(), nullptr, 10));
        context_.lostInputFrames.push_back(frame);
        told.push_back(messages::sourceWentAway(line.substr(from + 1, to - from - 1),
                                                minutesAndSeconds(frame), line.substr(to + 1)));
    }
    return told;
}
