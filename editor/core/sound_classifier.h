// SPDX-License-Identifier: GPL-3.0-or-later
// Telling music from speech, and one piece of music from the next, in steps of about a quarter
// second. Speech comes in syllables: its level keeps dropping well below its peaks and rising
// again, several times a second, and spreads widely between words, where music (even a quiet
// passage, even drums) holds its level or changes it seldom. Where one song gives way to another without a pause, the harmony and the timbre
// change: the chroma and the band levels of the seconds before and after differ most there.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pause_finder.h"
#include "sound_features.h"

constexpr int32_t kStepHops = 5;
constexpr int32_t kStepFrames = kStepHops * kHopFrames;  // 0.23 s

enum class SoundKind : uint8_t { Pause, Speech, Music };

// One kind a step: Pause where most of the step lies in a pause, else speech or music from the
// seconds around it.
std::vector<SoundKind> classifySteps(const SoundFeatures& features,
                                     const std::vector<FrameRange>& pauses);

// A stop of a moment (no longer than a gap in music) with music close before and after it, and
// no more than a moment of speech-like sound between, is the song's own, as a short sound amid
// music is: its steps and those sounds become music, and it is no pause. Returns the pauses left.
std::vector<FrameRange> withoutMomentaryStops(const std::vector<FrameRange>& pauses,
                                              std::vector<SoundKind>& kinds);

// The frame where music and speech meet, near the step edge between them: speech leaves dips
// well below the music's usual level between its syllables, music does not. The edge is moved
// to the end of the last such dip before the music (musicAfter) or the start of the first one
// after it. music: the frames of the music run, whose levels set what a dip is.
int32_t speechEdge(const SoundFeatures& features, int32_t edgeStep, bool musicAfter,
                   int32_t musicBegin, int32_t musicEnd);

// How the sound changes over a few seconds in a stretch of music: where one piece may give way
// to another, or one section of a song to the next.
class PieceChanges {
public:
    explicit PieceChanges(const SoundFeatures& features);

    // How much the harmony and timbre of the seconds before step differ from those after it,
    // within steps first .. end - 1: near 0 inside a steady piece, 1 and more where one song
    // replaces another.
    float novelty(int32_t step, int32_t first, int32_t end) const;

private:
    struct StepSound {
        std::array<float, kPitchClasses> chroma{};
        std::array<float, kTimbreBands> bands{};
    };
    StepSound meanOf(int32_t first, int32_t end) const;

    std::vector<StepSound> steps_;
};
