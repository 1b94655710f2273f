// SPDX-License-Identifier: GPL-3.0-or-later
// Normalising loudness: what was measured and the gain that follows for a target.
#pragma once

#include <array>
#include <optional>

// A selection's loudness: integrated over the whole of it (EBU R128, LUFS) and its true peak
// (dBTP, 4 times oversampled). Minus infinity for silence, or for a selection too short or too
// quiet for the loudness gate to keep any of it.
struct LoudnessReading {
    double integratedLufs = 0;
    double truePeakDbtp = 0;
};

// The loudness targets offered: streaming services, their quieter neighbour and broadcast.
inline constexpr std::array<int, 3> kLoudnessTargets{-14, -16, -23};
// No true peak is raised past this.
inline constexpr double kTruePeakCeilingDbtp = -1.0;

struct LoudnessGain {
    double decibels = 0;
    bool limitedByPeak = false;  // the full step to the target would pass the ceiling
};

// The gain that brings the reading to targetLufs, or less when the true peak would pass the
// ceiling; nothing when the reading has no loudness to scale.
std::optional<LoudnessGain> loudnessGain(const LoudnessReading& reading, double targetLufs);
