// SPDX-License-Identifier: GPL-3.0-or-later
// The takes an earlier run left in the take folder, as the engine's ListTakes describes them,
// and how the start-up question names one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine_binding.h"

struct TakeListing {
    std::string path;
    bool refused = false;  // not a take this engine reads: left alone
    int64_t recordedFrames = 0;
    int32_t trackLength = 0;
    int64_t endedMs = 0;  // when its newest frame came, milliseconds since 1970
};

// The lines of ListTakes' text, in its order (newest first); lines it cannot read are left out.
std::vector<TakeListing> parseTakeList(const std::string& text);
std::vector<TakeListing> listTakes(EngineApi& engine);

// The recorded length as "m:ss", at most the track's length.
std::string takeLengthText(const TakeListing& take);
// The time of the newest frame in the user's locale's date and time format.
std::string takeEndText(const TakeListing& take);
