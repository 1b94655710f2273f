// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the songs in a recorded take of radio: the user stops after the wanted song has ended,
// so the take holds the end of what played before, the song, and perhaps the start of what came
// next, with pauses, talk, jingles or crossfades between them.
//
// A song is a stretch of music of at least kShortestSongFrames whose edges are a pause (silence
// or hiss), talk, or a change to another piece of music; music running into the take's start or
// end is not complete and is passed over.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sound_features.h"

struct SongSelection {
    int32_t clipbegin = 0;  // the song's first frame, or 50 ms before it after a pause
    int32_t clipend = 0;    // the frame after its last, or 50 ms after that before a pause

    bool operator==(const SongSelection&) const = default;
};

constexpr int32_t kSongMarginFrames = 2205;               // 50 ms
constexpr int32_t kShortestSongFrames = 8 * kSampleRate;  // shorter music is a jingle or an ident

// Every complete song in frames 0 .. frames - 1, in order; nothing when cancelled or when the
// track cannot be read. hints are the frames where the players announced a title: the edges
// the audio shows near them are preferred (title_hints.h).
std::optional<std::vector<SongSelection>> findSongs(TrackFramesReader read, int32_t frames,
                                                    const AnalysisControl& control = {},
                                                    std::span<const int32_t> hints = {});

// The same from features already made of the frames (the decision alone): read serves the few
// frames it looks at closely; hints are frames of the features' track.
std::vector<SongSelection> songsIn(const SoundFeatures& features, TrackFramesReader read,
                                   std::span<const int32_t> hints = {});

// What Select Song selects: the song before `current` when that is one of the songs, else the
// last song; nothing when there is none (or none before).
std::optional<SongSelection> songToSelect(const std::vector<SongSelection>& songs,
                                          SongSelection current);
