// SPDX-License-Identifier: GPL-3.0-or-later
#include "song_list.h"

#include <cstdio>

#include "brenvik.h"

std::string songClock(int32_t frames)
{
    const int32_t seconds = frames / BRENVIK_SAMPLE_RATE;
    const int32_t hours = seconds / 3600;
    char text[24];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%d:%02d:%02d", hours, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    return text;
}
