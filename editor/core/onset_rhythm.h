// SPDX-License-Identifier: GPL-3.0-or-later
// How regularly the onsets of a stretch of sound repeat: music keeps a beat, so its onset
// envelope matches itself shifted by a beat or a bar; a voice's syllables come at no steady
// period, however evenly it talks.
#pragma once

#include <cstdint>
#include <vector>

constexpr int32_t kShortestBeatHops = 6;  // 0.28 s: 214 beats a minute, or a fast beat's half
constexpr int32_t kLongestBeatHops = 32;  // 1.49 s: two beats at 80 a minute

struct OnsetBeat {
    int32_t lag = 0;  // hops; 0 where there is none
    float regularity = 0.0F;
};

// The correlation, from -1 to 1, of the envelope over hops first .. end - 1 with itself shifted
// by lag; 0 where the envelope is flat or the stretch is shorter than two lags.
float onsetCorrelation(const std::vector<float>& envelope, int32_t first, int32_t end, int32_t lag);

// How well the onsets of the reach hops before hop match those a little over reach hops later,
// from 0 to 1: a song's beat carries on through its own section changes, and rarely runs on at
// the same tempo into the next song's; 0 where the envelope does not reach that far.
float onsetContinuity(const std::vector<float>& envelope, int32_t hop, int32_t reach);

// How strongly the reach hops before hop and the reach hops from it on beat at one tempo: the
// weaker of one side's regularity and how well the other repeats at its beat, from 0 to 1. A
// song keeps its tempo through a new drum pattern that onsetContinuity no longer matches; two
// songs may share a tempo too, but less often.
float tempoKept(const std::vector<float>& envelope, int32_t hop, int32_t reach);

// The lag from kShortestBeatHops to kLongestBeatHops at which the envelope over hops first ..
// end - 1 matches itself best, and how well.
OnsetBeat onsetBeat(const std::vector<float>& envelope, int32_t first, int32_t end);

// The highest correlation, from -1 to 1, of the envelope over hops first .. end - 1 with itself
// shifted by a lag from kShortestBeatHops to kLongestBeatHops; 0 where the envelope is flat or
// the stretch is too short for two of the longest lags.
float onsetRegularity(const std::vector<float>& envelope, int32_t first, int32_t end);
