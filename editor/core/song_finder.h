// Finding the song in a recorded track: the user stops after the wanted song has ended, so the
// track holds the end of what played before, a pause, the song, a pause, and perhaps the start of
// what came next. The song is the last stretch of sound with a pause on both sides.
//
// A pause is at least 0.3 s in which both channels stay at least 30 dB below the track's loud
// level: the 95th percentile of the peaks of short blocks, over the blocks that are not digital
// silence. Quiet passages shorter than that inside a song do not split it.
#pragma once

#include <cstdint>
#include <optional>

// Reads the 16-bit value at a value index (frame * 2 + channel), as TrackRead does.
using TrackValueReader = int32_t (*)(int32_t index);

struct SongSelection {
    int32_t clipbegin = 0;  // 50 ms before the song's first sounding frame
    int32_t clipend = 0;    // 50 ms after its last sounding frame

    bool operator==(const SongSelection&) const = default;
};

constexpr int32_t kShortestPauseFrames = 13230;  // 0.3 s
constexpr int32_t kSongMarginFrames = 2205;      // 50 ms

// Looks at frames 0 .. frames - 1, reading each value once (and a few block edges again).
// Returns nothing when the track holds no sound with a pause on both sides.
std::optional<SongSelection> findLastSong(TrackValueReader read, int32_t frames);
