// SPDX-License-Identifier: GPL-3.0-or-later
// The songs of a take as Edit > Songs in Take lists them: where each starts, how long it is and
// the title a player announced for it, newest last.
#pragma once

#include <cstdint>
#include <string>

struct SongListEntry {
    int32_t clipbegin = 0;  // the selection that choosing the song makes
    int32_t clipend = 0;
    std::string title;  // "artist - title" where a player named it, else empty

    bool operator==(const SongListEntry&) const = default;
};

// A number of frames as minutes and seconds ("3:07"), with the hours in front from an hour on
// ("1:02:09"); the seconds are whole, rounded down.
std::string songClock(int32_t frames);
