// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop's players announced while the take was recorded: each title they named and
// where in the track the announcement came. A mark is a hint near a song's edge, not the edge.
#pragma once

#include <cstdint>
#include <string>

struct TitleMark {
    int32_t frame = 0;  // in the track as it reads now, oldest first
    std::string artist;
    std::string title;
    std::string album;

    bool operator==(const TitleMark&) const = default;
};
