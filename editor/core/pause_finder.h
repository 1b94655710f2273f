// SPDX-License-Identifier: GPL-3.0-or-later
// Pauses in a take: stretches where the station is silent or only its hiss is left. A block is
// quiet when it is well below the take's loud level and either nearly silent or spectrally flat
// like noise; a quiet passage of music keeps its tones, so it is not a pause however soft.
#pragma once

#include <cstdint>
#include <vector>

#include "sound_features.h"

struct FrameRange {
    int32_t begin = 0;  // first frame
    int32_t end = 0;    // the frame after the last one

    int32_t length() const { return end - begin; }
    bool operator==(const FrameRange&) const = default;
};

constexpr int32_t kShortestPauseFrames = 6615;  // 0.15 s

// The level most of the take stays below: a high percentile over the blocks that are not
// digital silence (a take shorter than the track leaves a silent start). -inf for silence.
float loudLevel(const SoundFeatures& features);

// A gap this short with quiet music on both sides is the music's own: a soft intro played by a
// few instruments falls silent between its notes, where pieces are parted by longer pauses or
// by loud sound on one side.
constexpr int32_t kLongestGapInMusicFrames = 13230;  // 0.3 s

// The pauses without the gaps inside quiet music: those no longer than kLongestGapInMusicFrames
// where every block of the second on each side stays well below the loud level.
std::vector<FrameRange> withoutGapsInQuietMusic(const SoundFeatures& features,
                                                const std::vector<FrameRange>& pauses);

// The pauses in order, their edges exact to the frame: a run of quiet blocks is widened frame by
// frame while both channels stay within what the run's own noise and the loud level allow.
std::vector<FrameRange> findPauses(const SoundFeatures& features, TrackFramesReader read);
