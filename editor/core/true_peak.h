// SPDX-License-Identifier: GPL-3.0-or-later
// The true peak of 16-bit audio: the largest magnitude of the signal between its samples as well
// as at them, found by interpolating each channel to four times its rate (ITU-R BS.1770).
#pragma once

#include <cstddef>
#include <cstdint>

// Whatever lies between samples is at most this many times the largest magnitude among the
// samples around it: the interpolator's largest sum of absolute coefficients over a phase
// (1.864), rounded up.
inline constexpr double kTruePeakOverSamplePeak = 2.0;
// Samples either side of a point that the interpolation reaches.
inline constexpr int32_t kTruePeakReachFrames = 6;

// The true peak, as a fraction of full scale, of frames first .. first + count - 1 of the
// interleaved stereo values: the interpolation uses the frames either side of the stretch that
// lie between 0 and total (and takes silence beyond them).
double truePeak(const int16_t* values, size_t total, size_t first, size_t count);
